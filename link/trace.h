// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The device trace: every exchange of the panel with the device, one line per
// event, written the moment it happens:
//
//   <ms since the trace began> <panel ticks> <direction> <bytes>
//
// with ">" for bytes written, "<" for bytes received and "!" for a port
// event ("COM1 /dev/ttyUSB0 opened", "... closed", "... failed: reason").
// Bytes are escaped as escapeLineBytes() does. Without a trace nothing is
// connected to the port, so tracing costs nothing when it is off. A write
// that fails (a reader of the pipe that went away, a full disk) stops the
// trace with one notice on standard error; the panel goes on. The program
// ignores SIGPIPE, so such a write fails instead of ending it.

#include <QElapsedTimer>
#include <QObject>

class DeviceLink;
class MSComm;
class QFile;
class QIODevice;

class Trace : public QObject
{
    Q_OBJECT

public:
    // Traces `port` into `out`, stamping each line with the ticks `link` has
    // counted. The port, the link and `out` must outlive the trace.
    Trace(MSComm &port, const DeviceLink &link, QIODevice *out, QObject *parent = nullptr);

    // Opens `file` for the trace file `name` ("-": standard error), replacing
    // what it held. False with *error set when it cannot be opened.
    static bool openTarget(const QString &name, QFile *file, QString *error);

private:
    void line(char direction, const QString &text);

    const DeviceLink &m_link;
    QIODevice *m_out = nullptr;
    QElapsedTimer m_clock;
    bool m_stopped = false;
};
