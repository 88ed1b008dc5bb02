// SPDX-License-Identifier: GPL-3.0-or-later
#include "boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

BoxAnswerer::BoxAnswerer()
{
    m_timer.setInterval(2);
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer.start();
}

QStringList BoxAnswerer::texts() const
{
    QStringList texts;
    for (const Seen &box : m_seen)
        texts << box.text;
    return texts;
}

void BoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);
    Seen seen{box->windowTitle(), box->text(), box->detailedText()};
    if (QAbstractButton *def = box->defaultButton())
        seen.defaultButton = box->standardButton(def);
    QAbstractButton *press =
        m_answers.isEmpty() ? box->escapeButton() : box->button(m_answers.takeFirst());
    m_seen.append(seen);
    if (m_onSeen)
        m_onSeen(seen);
    if (press)
        press->click();
    else
        box->reject();
}
