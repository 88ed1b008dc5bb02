// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "Play Functions" group: the Memory Play, Timed Play and Multi Play
// buttons, and the Abort button, which the window places beside the keypad.
// Their handlers open the dialogs and the Multi Play window, wait for them
// and run the plays (play/plays.h) over the main window's link.

#include "play/playhost.h"

#include <QGroupBox>

class MemoryMode;
class MultiPlay;
class QPushButton;
class SingleMode;

class PlayPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit PlayPanel(const PlayHost &host, QWidget *parent = nullptr);
    ~PlayPanel() override;

    // ---- Handlers ----
    // Asks for locations and plays them; refused while a memory play runs.
    void Memory_Click();
    // Asks for a tone and its duration and sends them; while the dialog is
    // open, a press brings it back to the front instead.
    void Single_Click();
    void Abort_Click();
    // Shows the Multi Play window and waits until its Close is pressed.
    void Multi_Click();

    // ---- Other windows ----
    MemoryMode *memoryMode() const { return m_memoryMode; }
    SingleMode *singleMode() const { return m_singleMode; }
    // The Multi Play window, created hidden on first use, a window of the
    // panel's own top-level window.
    MultiPlay *multiPlay();
    bool multiPlayExists() const { return m_multiPlay != nullptr; }
    // The windows of the plays as they stand, for closing them all.
    QList<QWidget *> windows() const;

    // ---- Controls ----
    QPushButton *Abort = nullptr;
    QPushButton *Memory = nullptr;
    QPushButton *Single = nullptr;
    QPushButton *Multi = nullptr;

private:
    PlayHost m_host;
    AbortPlay m_abort;
    bool m_memoryPlaying = false;
    MemoryMode *m_memoryMode = nullptr;
    SingleMode *m_singleMode = nullptr;
    MultiPlay *m_multiPlay = nullptr;
};
