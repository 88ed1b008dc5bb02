// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The live keypad: the sixteen on-screen keys and the PC keyboard turn
// presses into tone commands at once. Each press or release writes at most
// one short command and returns without waiting or reading; only Esc, which
// runs Abort, waits.
//
// The keyboard reaches the handlers through the key preview of the window
// the keypad sits in: an application-wide event filter that sees every key
// event sent to that window (whichever of its controls has the focus) before
// that control does, and lets the event go on to the control afterwards.
// Dialogs and the Multi Play window are windows of their own and are not
// previewed.

#include "core/text.h"
#include "play/playhost.h"

#include <QWidget>

#include <array>

class QPushButton;

class Keypad : public QWidget
{
    Q_OBJECT

public:
    // The keys, laid out as on a telephone with A to D beside them. Of
    // `host` it takes the link, the status box and the handler runner;
    // `tonesOn` says whether the keyboard plays tones (no settings field has
    // the focus); `abort` is what Esc runs.
    Keypad(const PlayHost &host, std::function<bool()> tonesOn, std::function<void()> abort,
           QWidget *parent = nullptr);

    // ---- Handlers ----
    // A mouse button on key `index`: the left button dials the key's tone,
    // the right one holds it until released, any other sends the bare symbol.
    void KeyPad_MouseDown(int index, int button, int shift, int x, int y);
    void KeyPad_MouseUp(int index, int button, int shift, int x, int y);
    // A key of the window down or up, by virtual-key code and shift mask.
    void Form_KeyDown(int &keyCode, int shift);
    void Form_KeyUp(int keyCode, int shift);

    // ---- Variables ----
    qint16 KeyLock = kFalse;
    qint16 ValidKey = kFalse;
    QString ToneStr;

    // ---- Controls ----
    std::array<QPushButton *, 16> KeyPad{};

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyTones m_tones;
    StatusSink m_status;
    PlayHost::Runner m_handle;
    std::function<bool()> m_tonesOn;
    std::function<void()> m_abort;
};
