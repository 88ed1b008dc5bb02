// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The dialogs of one play (Memory Play, Timed Play): modeless, shown in front
// of the main window and waited for by the handler that opened them, which
// then reads their fields directly.
//
// Tag: "-1" pending (set on creation), "0" cancelled (Cancel, Esc or the
// window frame), "1" accepted with the OK button, "2" accepted with Enter
// (or a line feed) in a field. Enter on a focused button presses it; no
// button is a default button.

#include "play/playhost.h"

#include <QDialog>

class QLabel;
class QPushButton;

class PlayDialog : public QDialog
{
    Q_OBJECT

public:
    QString Tag = QStringLiteral("-1");

    // Shows the dialog in front and returns at once.
    void bringToFront();
    // Shows it in front and waits with `wait` until Tag is no longer pending;
    // returns Tag's numeric value (0 cancelled, above 0 accepted).
    int showAndWait(const DeviceLink::Waiter &wait);

    // Closing through the frame or with Esc counts as Cancel.
    void reject() override;

protected:
    // A child window of `parent`; its handlers run through `runner`, or
    // directly when it is empty.
    PlayDialog(const QString &title, QWidget *parent, PlayHost::Runner runner);

    // The dialog's Cancel handler.
    virtual void cancelled() = 0;
    // Runs one handler of the dialog as the event loop delivers it.
    void handle(const std::function<void()> &handler);

    // A button that never takes Enter for itself, and a label, both named
    // for screen readers by their caption.
    QPushButton *makeButton(const QString &caption);
    QLabel *makeLabel(const QString &caption);

    void keyPressEvent(QKeyEvent *event) override;

private:
    PlayHost::Runner m_handle;
};

// Owns the dialog of one use: discards it when asked, or at the latest when
// the handler is left, whichever way. The handler only discards it after its
// wait has seen the result, so no event of the dialog is still being
// delivered then.
template <typename Dialog> class DialogUse
{
public:
    DialogUse(Dialog *&slot, Dialog *dialog) : m_slot(slot) { m_slot = dialog; }
    ~DialogUse() { discard(); }
    DialogUse(const DialogUse &) = delete;
    DialogUse &operator=(const DialogUse &) = delete;

    void discard()
    {
        delete m_slot;
        m_slot = nullptr;
    }

private:
    Dialog *&m_slot;
};
