// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ends the panel the way a desktop ends a program: SIGTERM (sent at logout
// and by kill), SIGINT (Ctrl+C in the terminal it was started from) and
// SIGHUP (that terminal went away) close the main window as the close button
// of its frame does, which closes the port and the other windows and ends
// the program with exit code 0. The window is closed from the event loop,
// never from inside the signal, so it happens in the middle of a wait or a
// message box as well. A second signal of the same kind ends the program the
// default way; a signal the program was started to ignore (nohup) stays
// ignored. Does nothing where the platform has no such signals.

#include <QObject>

class QSocketNotifier;
class QWidget;

class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Watches for the signals as long as it lives, a child of `window`.
    // One at a time per process.
    explicit TerminationSignals(QWidget *window);
    ~TerminationSignals() override;

private:
    int m_pipe[2] = {-1, -1}; // the signal handler writes a byte to [1]
    QSocketNotifier *m_notifier = nullptr;
};
