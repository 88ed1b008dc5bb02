// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/playdialog.h"

#include "core/text.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

PlayDialog::PlayDialog(const QString &title, QWidget *parent, PlayHost::Runner runner)
    : QDialog(parent), m_handle(std::move(runner))
{
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
}

void PlayDialog::bringToFront()
{
    show();
    raise();
    activateWindow();
}

int PlayDialog::showAndWait(const DeviceLink::Waiter &wait)
{
    bringToFront();
    wait([this] { return numericValue(Tag) != -1; });
    return int(numericValue(Tag));
}

void PlayDialog::reject()
{
    handle([this] { cancelled(); });
    QDialog::reject();
}

void PlayDialog::handle(const std::function<void()> &handler)
{
    if (m_handle)
        m_handle(handler);
    else
        handler();
}

QPushButton *PlayDialog::makeButton(const QString &caption)
{
    auto *button = new QPushButton(caption, this);
    button->setAccessibleName(caption);
    // Enter belongs to the fields (it accepts with Tag "2"), never to a
    // default button.
    button->setAutoDefault(false);
    return button;
}

QLabel *PlayDialog::makeLabel(const QString &caption)
{
    auto *label = new QLabel(caption, this);
    label->setAccessibleName(caption);
    return label;
}

void PlayDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter on a focused button presses it; Enter in a field was handled by
    // the field.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
