// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One conversation with the device over a serial port, as every operation
// holds it: write a command, wait a number of ticks while events are
// dispatched, read what has arrived, look for the acknowledgement word.
//
// The link counts ticks from the source it is given and keeps the link
// variables: timerVal (the tick counter, reset by every Pause), RtnString
// (the text most recently read) and Present (the result of the last probe).
// They are plain members, as every handler of a window reads them directly.
//
// The main window holds one link; the Multi Play window holds its own over
// the same port, with its own counter, reply and probe result. The two differ
// only in their Options. Nothing here needs a window: status texts go to a
// sink and waits to a waiter, both given.

#include "core/errors.h"
#include "link/commands.h"

#include <QObject>
#include <QString>

#include <functional>

class MSComm;
class TickSource;

class DeviceLink : public QObject
{
    Q_OBJECT

public:
    // Dispatches events until `done()` holds. It may end the wait early by
    // throwing (the panel's waiter throws ApplicationEnded once it has ended).
    using Waiter = std::function<void(const std::function<bool()> &done)>;

    struct Options
    {
        // Where Connect reports "Connecting" and "Connected"; nowhere when empty.
        std::function<void(const QString &)> status;
        // How ReadBuffer treats a failing count or read: PassOn ends it and
        // passes the failure on; ResumeNext skips the step, and a count that
        // fails ends the loop.
        OnFailure readFailures = OnFailure::PassOn;
        // Whether Connect empties the port (ClearBuffer) before its probe.
        bool probeClearsFirst = true;
        // How Pause waits; dispatchUntil when empty.
        Waiter wait;
    };

    // The port and the tick source must outlive the link.
    DeviceLink(MSComm &port, TickSource &ticks, Options options, QObject *parent = nullptr);

    MSComm &port() const { return m_port; }

    // One tick of the link's clock, what Timer1_Timer and Timer2_Timer do:
    // adds 1 to timerVal, which stops at its limit.
    void tick();
    // Waits `time` ticks, dispatching events; sets timerVal to 0 first, even
    // when `time` is below 1, and then returns at once. A pause started
    // inside this one resets the shared counter: this one then ends once its
    // own count has passed since that restart.
    void Pause(qint32 time);
    // RtnString = every character pending on the port, read pass after pass
    // until a pass found nothing pending; never waits.
    void ReadBuffer();
    // Discards pending input and unsent output, waits ClearTicks and drains
    // what came late. Failing steps are skipped.
    void ClearBuffer();
    // Probes the device and sets Present to the 1-based position of the probe
    // marker in the reply (0: no device). Failing steps are skipped.
    void Connect();
    // Writes `command`, waits its ticks, reads the reply into RtnString and
    // returns whether it holds the command's marker (case-sensitive, anywhere;
    // true for a command without marker). With OnFailure::PassOn a failing
    // write or read ends the exchange and passes on; with ResumeNext it is
    // skipped and the exchange goes on.
    bool exchange(const zcmd::Command &command, OnFailure onFailure);
    // The port opening sequence for COMn: port number, the fixed settings,
    // input length 0, and open if closed. Failures pass on.
    void openPort(int port);

    // True while a pause of this link waits for ticks.
    bool isPausing() const { return m_pauses > 0; }
    // Ticks counted since the link was made; never reset (timerVal is, by
    // every Pause), so a trace can place events on the clock.
    qint64 tickCount() const { return m_tickCount; }

    // ---- The link variables ----
    qint32 timerVal = 0;
    QString RtnString;
    qint16 Present = 0;

private:
    MSComm &m_port;
    Options m_options;
    int m_pauses = 0;
    qint64 m_tickCount = 0;
};
