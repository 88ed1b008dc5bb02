// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/dropreport.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>

void DropReport::install(QLineEdit *field)
{
    field->installEventFilter(new DropReport(field));
}

bool DropReport::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field || event->type() != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    if (drop->source() == field)
        return false;
    // A drop from elsewhere only inserts (it never replaces a selection), so
    // what the box grew by is what it took.
    const qsizetype before = field->text().size();
    field->event(drop);
    if (!drop->isAccepted())
        return true;
    // Taken whole: as proposed. In part: a copy, so the source keeps its text
    // (ignored where the source offers no copy). Not at all: ignored.
    const qsizetype taken = field->text().size() - before;
    const qsizetype dropped = drop->mimeData()->text().size();
    if (taken > 0 && taken < dropped && drop->possibleActions().testFlag(Qt::CopyAction)) {
        drop->setDropAction(Qt::CopyAction);
    } else if (taken < dropped) {
        drop->setDropAction(Qt::IgnoreAction);
        drop->ignore();
    }
    return true;
}
