#include "link/mscomm.h"

#include "app/errors.h"

#include <QMetaMethod>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

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
    const QSerialPort::SerialPortError kind = m_port.error();
    const QString qtReason = m_port.errorString();
#ifdef Q_OS_UNIX
    // The serial port class reports a category; the user is told the system's
    // own reason, which a plain open of the device shows.
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int number = errno;
        return PortError(number, systemDescription(number));
    }
    ::close(fd);
    if (kind == QSerialPort::PermissionError) // the port's lock belongs to another program
        return PortError(EBUSY, systemDescription(EBUSY));
#endif
    switch (kind) {
    case QSerialPort::DeviceNotFoundError:
        return PortError(ENOENT, qtReason);
    case QSerialPort::PermissionError:
        return PortError(EACCES, qtReason);
    default:
        return PortError(EIO, qtReason);
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
    if (!send(bytes, deadline) || !drained(deadline)) {
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

bool MSComm::send(const QByteArray &bytes, const QDeadlineTimer &deadline)
{
#ifdef Q_OS_UNIX
    // Written here rather than through the port class, which takes a full
    // line (EAGAIN) for a failure: a line without room is waited for.
    const int fd = static_cast<int>(m_port.handle());
    qsizetype sent = 0;
    bool woken = false;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            writeFailed(errno);
        if (deadline.hasExpired())
            return false;
        // Room is announced in steps the line may not take at once: after a
        // wake-up that found none, look again a millisecond later.
        if (woken)
            ::poll(nullptr, 0, 1);
        pollfd room{fd, POLLOUT, 0};
        const qint64 left = std::clamp<qint64>(deadline.remainingTime(), 1, 60000);
        woken = ::poll(&room, 1, int(left)) != 0;
    }
    return true;
#else
    if (m_port.write(bytes) != bytes.size())
        fail(PortError(EIO, m_port.errorString()));
    while (m_port.isOpen() && m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))) &&
            m_port.error() != QSerialPort::TimeoutError)
            break;
    }
    if (!m_port.isOpen())
        throw lineLost();
    if (m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        fail(PortError(EIO, m_port.errorString()));
    return m_port.bytesToWrite() == 0;
#endif
}

bool MSComm::drained(const QDeadlineTimer &deadline)
{
#ifdef Q_OS_UNIX
    // The system's output queue has no waiting call with a time limit: look
    // at its count, sleeping a millisecond (one character at 9600 baud)
    // between looks.
    const int fd = static_cast<int>(m_port.handle());
    for (;;) {
        int pending = 0;
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0) {
            // A driver that cannot tell has sent them as far as it knows;
            // any other failure means the line went away meanwhile.
            if (errno == ENOTTY || errno == EINVAL)
                return true;
            loseLine(lineLost().description());
            throw lineLost();
        }
        if (pending <= 0)
            return true;
        if (deadline.hasExpired())
            return false;
        ::poll(nullptr, 0, 1);
    }
#else
    Q_UNUSED(deadline);
    return true;
#endif
}

void MSComm::writeFailed(int number)
{
    if (lineIsGone()) {
        loseLine(lineLost().description());
        throw lineLost();
    }
    fail(PortError(number, systemDescription(number)));
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

bool MSComm::lineIsGone() const
{
#ifdef Q_OS_UNIX
    pollfd probe{static_cast<int>(m_port.handle()), POLLIN, 0};
    if (probe.fd < 0)
        return true;
    if (::poll(&probe, 1, 0) < 0)
        return true;
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
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
    if (!lineIsGone())
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
