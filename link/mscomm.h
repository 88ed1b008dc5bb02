// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The serial port control of the main window. It offers the operations the
// device link uses and nothing else, with a polled contract: the pending
// count includes what the operating system holds even when no event has been
// dispatched, a write has left the program when it returns, and discarding
// acts on the operating system's buffers too. Every operation that cannot be
// carried out throws PortError with the platform's number and description.
// No operation blocks for long: a write the line does not take within its
// limit (writeLimitMs) fails.
// A line that drops (adapter unplugged, device gone) or stalls (a write timed
// out) closes the port with one report; later operations then fail at once,
// like those on a closed port, until the port is opened again.

#include "core/errors.h"
#include "link/portmap.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>

class MSComm : public QObject
{
    Q_OBJECT

public:
    explicit MSComm(PortMap ports, QObject *parent = nullptr);
    ~MSComm() override;

    // Port number 1 to 4 (COM1 to COM4). Cannot change while the port is open.
    void setCommPort(int port);
    int commPort() const { return m_commPort; }

    // Line settings as "baud,parity,data bits,stop bits", e.g. "9600,N,8,1".
    void setSettings(const QString &settings);
    QString settings() const { return m_settings; }

    // Characters one read takes; 0 means every pending character.
    void setInputLen(int length);
    int inputLen() const { return m_inputLen; }

    bool portOpen() const;
    // Opens the port of commPort() with settings(), or closes it. Closing a
    // closed port is a failure, as is opening an open one.
    void setPortOpen(bool open);

    // Writes the text as 8-bit characters, exactly as given, and returns once
    // the line has sent them. When the line has not taken them within
    // writeLimitMs() (flow control held, a stalled adapter) the rest is
    // discarded, the port is closed as for a dropped line and the write fails
    // with ETIMEDOUT.
    void output(const QString &text);
    // The longest a write of `characters` may take: their time on the line at
    // the speed of settings() plus WriteMarginMs.
    int writeLimitMs(qsizetype characters) const;
    static constexpr int WriteMarginMs = 2000;
    // Takes every pending character (or inputLen() of them).
    QString input();
    // Number of received characters waiting to be read.
    int inBufferCount();
    // Only 0 is accepted: discards every pending received character.
    void setInBufferCount(int count);
    // Only 0 is accepted: discards every character written but not yet sent
    // (there are none: output() waits until the line has sent them).
    void setOutBufferCount(int count);

    const PortMap &ports() const { return m_ports; }
    // New paths for the ports. Cannot change while the port is open.
    void setPorts(const PortMap &ports);
    QString portPath(int port) const { return m_ports.path(port); }

signals:
    // The open port went away underneath the panel and has been closed.
    void lineDropped();
    // The characters `bytes` were sent on COM`port` (emitted once they have
    // left the program).
    void written(int port, const QByteArray &bytes);
    // The characters `bytes` arrived on COM`port` and were taken by a read or
    // thrown away by a discard.
    void received(int port, const QByteArray &bytes);
    // COM`port`, the device at `path`, was opened or closed, or failed (the
    // line dropped, a write failed or timed out, the port cannot be opened):
    // `reason` says why. A lost line (dropped, or a write timed out) reports
    // its failure, then its closing, once.
    void portOpened(int port, const QString &path);
    void portClosed(int port, const QString &path);
    void portFailed(int port, const QString &path, const QString &reason);

private:
    void requireOpen(const char *operation) const;
    void applySettings();
    PortError openFailure(const QString &path);
    // Reports a failure of COM`m_commPort` and throws it.
    [[noreturn]] void fail(const PortError &error);
    // A write failed with `failure`: a lost line, or a failure of its own.
    [[noreturn]] void writeFailed(const PortError &failure);
    // Closes the port because the line is lost, for `reason`, and reports it.
    void loseLine(const QString &reason);
    void onError(QSerialPort::SerialPortError error);
    void closeQuietly();

    PortMap m_ports;
    QSerialPort m_port;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inputLen = 0;
    bool m_closing = false;
    bool m_lineLost = false; // the port closed because the line was lost
};
