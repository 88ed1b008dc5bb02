// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/mscomm.h"

#include "core/errors.h"
#include "link/platform.h"

#include <QMetaMethod>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <limits>

namespace {

QString systemDescription(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

PortError notOpen()
{
    return PortError(EBADF, QStringLiteral("The port is not open"));
}

PortError lineLost()
{
    return PortError(EIO, QStringLiteral("The connection to the device was lost; the port has "
                                         "been closed"));
}

PortError invalidArgument(const QString &what)
{
    return PortError(EINVAL, systemDescription(EINVAL) + QStringLiteral(": ") + what);
}

} // namespace

MSComm::MSComm(PortMap ports, QObject *parent) : QObject(parent), m_ports(std::move(ports))
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
}

MSComm::~MSComm()
{
    closeQuietly();
}

void MSComm::setCommPort(int port)
{
    if (!PortMap::isValidPort(port))
        throw invalidArgument(QStringLiteral("port number %1").arg(port));
    if (m_port.isOpen())
        throw PortError(EBUSY, QStringLiteral("The port is open"));
    m_commPort = port;
}

void MSComm::setPorts(const PortMap &ports)
{
    if (m_port.isOpen())
        throw PortError(EBUSY, QStringLiteral("The port is open"));
    m_ports = ports;
}

void MSComm::setSettings(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    bool baudOk = false;
    if (parts.size() != 4 || parts[0].toInt(&baudOk) <= 0 || !baudOk ||
        !QStringLiteral("NEO").contains(parts[1].toUpper()) || parts[1].size() != 1 ||
        !QStringList{QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                     QStringLiteral("8")}
             .contains(parts[2]) ||
        !QStringList{QStringLiteral("1"), QStringLiteral("2")}.contains(parts[3]))
        throw invalidArgument(QStringLiteral("settings \"%1\"").arg(settings));
    m_settings = settings;
    if (m_port.isOpen())
        applySettings();
}

void MSComm::setInputLen(int length)
{
    if (length < 0)
        throw invalidArgument(QStringLiteral("input length %1").arg(length));
    m_inputLen = length;
}

bool MSComm::portOpen() const
{
    return m_port.isOpen();
}

void MSComm::applySettings()
{
    const QStringList parts = m_settings.split(QLatin1Char(','));
    const QChar parity = parts[1].toUpper().at(0);
    m_port.setBaudRate(parts[0].toInt());
    m_port.setParity(parity == u'E'   ? QSerialPort::EvenParity
                     : parity == u'O' ? QSerialPort::OddParity
                                      : QSerialPort::NoParity);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(parts[2].toInt()));
    m_port.setStopBits(parts[3] == QLatin1String("2") ? QSerialPort::TwoStop
                                                      : QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        requireOpen("close");
        closeQuietly();
        m_lineLost = false;
        emit portClosed(m_commPort, m_ports.path(m_commPort));
        return;
    }
    if (m_port.isOpen())
        throw PortError(EBUSY, QStringLiteral("The port is already open"));
    const QString path = m_ports.path(m_commPort);
    m_port.setPortName(path);
    applySettings();
    if (!m_port.open(QIODevice::ReadWrite))
        fail(openFailure(path));
    m_lineLost = false;
    emit portOpened(m_commPort, path);
}

void MSComm::fail(const PortError &error)
{
    emit portFailed(m_commPort, m_ports.path(m_commPort), error.description());
    throw error;
}

PortError MSComm::openFailure(const QString &path)
{
    if (std::optional<PortError> told = zplatform::openFailure(path, m_port))
        return *told;
    const QString reason = m_port.errorString();
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return PortError(ENOENT, reason);
    case QSerialPort::PermissionError:
        return PortError(EACCES, reason);
    default:
        return PortError(EIO, reason);
    }
}

void MSComm::requireOpen(const char *operation) const
{
    Q_UNUSED(operation);
    if (!m_port.isOpen())
        throw m_lineLost ? lineLost() : notOpen();
}

int MSComm::writeLimitMs(qsizetype characters) const
{
    // A start bit, the data bits, a parity bit if any and the stop bits.
    const QStringList parts = m_settings.split(QLatin1Char(','));
    const qint64 baud = parts[0].toLongLong();
    const qint64 bits = 1 + parts[2].toInt() + (parts[1].toUpper() == QLatin1String("N") ? 0 : 1) +
                        parts[3].toInt();
    const qint64 lineMs = (characters * bits * 1000 + baud - 1) / baud;
    return int(qMin<qint64>(WriteMarginMs + lineMs, std::numeric_limits<int>::max()));
}

void MSComm::output(const QString &text)
{
    requireOpen("write");
    const QByteArray bytes = text.toLatin1();
    const int limitMs = writeLimitMs(bytes.size());
    const QDeadlineTimer deadline(limitMs);
    // Each wait sleeps until the line takes more, and none goes past the
    // deadline; the characters must be on their way when this returns, as the
    // link writes and then counts ticks. Then wait until the line has sent
    // them, so that a discard right after a write never eats the command just
    // written.
    PortError failure(0, QString());
    zplatform::LineResult result = zplatform::send(m_port, bytes, deadline, &failure);
    if (result == zplatform::LineResult::Done)
        result = zplatform::drainOutput(m_port, deadline);
    if (result == zplatform::LineResult::Failed)
        writeFailed(failure);
    if (result == zplatform::LineResult::Lost) {
        if (m_port.isOpen())
            loseLine(lineLost().description());
        throw lineLost();
    }
    if (result == zplatform::LineResult::Late) {
        // What is left would go out later, in the middle of other commands;
        // and a port closed with characters unsent may wait for them.
        m_port.clear(QSerialPort::Output);
        const PortError error(ETIMEDOUT,
                              QStringLiteral("The port did not send what was written (%1 "
                                             "characters) within %2 ms: the device is not "
                                             "taking it, or the adapter has stalled. It was "
                                             "discarded and the port has been closed")
                                  .arg(bytes.size())
                                  .arg(limitMs));
        if (m_port.isOpen()) // unless the discard found the line gone
            loseLine(error.description());
        throw error;
    }
    emit written(m_commPort, bytes);
}

void MSComm::writeFailed(const PortError &failure)
{
    if (zplatform::lineIsGone(m_port)) {
        loseLine(lineLost().description());
        throw lineLost();
    }
    fail(failure);
}

int MSComm::inBufferCount()
{
    requireOpen("count");
    // Pull what the operating system holds without waiting, until a pull finds
    // nothing more (the system may hand over the last characters of a reply a
    // moment after the first). A time-out here only means that.
    while (m_port.isOpen() && m_port.waitForReadyRead(0)) {
    }
    if (!m_port.isOpen())
        throw lineLost();
    return static_cast<int>(m_port.bytesAvailable());
}

QString MSComm::input()
{
    requireOpen("read");
    m_port.waitForReadyRead(0);
    if (!m_port.isOpen())
        throw lineLost();
    const QByteArray bytes = m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
    if (!bytes.isEmpty())
        emit received(m_commPort, bytes);
    return QString::fromLatin1(bytes);
}

void MSComm::setInBufferCount(int count)
{
    requireOpen("discard input");
    if (count != 0)
        throw invalidArgument(QStringLiteral("input count %1").arg(count));
    // What is thrown away did arrive: a listener (the trace) sees it too.
    if (isSignalConnected(QMetaMethod::fromSignal(&MSComm::received))) {
        m_port.waitForReadyRead(0);
        if (!m_port.isOpen())
            throw lineLost();
        const QByteArray dropped = m_port.readAll();
        if (!dropped.isEmpty())
            emit received(m_commPort, dropped);
    }
    if (!m_port.clear(QSerialPort::Input))
        throw PortError(EIO, m_port.errorString());
}

void MSComm::setOutBufferCount(int count)
{
    requireOpen("discard output");
    if (count != 0)
        throw invalidArgument(QStringLiteral("output count %1").arg(count));
    // output() returns only once the line has sent every character, so no
    // unsent output is ever left to discard. Flushing the system's output
    // queue anyway would be harmful on a pseudo-terminal, where it can drop
    // characters the device has not read yet.
}

void MSComm::onError(QSerialPort::SerialPortError error)
{
    // Modem-line and time-out reports are not failures of the line; a read,
    // write or resource error is, when the system confirms the line has gone
    // (a hung-up line reads as end of file, which arrives as a read error).
    const bool ioFailure = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                           error == QSerialPort::WriteError;
    if (!ioFailure || m_closing || !m_port.isOpen())
        return;
    if (!zplatform::lineIsGone(m_port))
        return;
    loseLine(lineLost().description());
}

void MSComm::loseLine(const QString &reason)
{
    closeQuietly();
    m_lineLost = true;
    const QString path = m_ports.path(m_commPort);
    emit portFailed(m_commPort, path, reason);
    emit portClosed(m_commPort, path);
    emit lineDropped();
}

void MSComm::closeQuietly()
{
    if (m_closing || !m_port.isOpen())
        return;
    m_closing = true;
    m_port.close();
    m_closing = false;
}
