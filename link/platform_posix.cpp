// SPDX-License-Identifier: GPL-3.0-or-later
// The link's system calls on POSIX systems (Linux, the BSDs, macOS).

#include "link/platform.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zplatform {

namespace {

PortError systemError(int number)
{
    return PortError(number, QString::fromLocal8Bit(std::strerror(number)));
}

} // namespace

std::optional<PortError> openFailure(const QString &path, const QSerialPort &port)
{
    // The serial port class reports a category; the user is told the system's
    // own reason, which a plain open of the device shows.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return systemError(errno);
    ::close(fd);
    // The device opens, yet the port class was refused: its lock file belongs
    // to another program.
    if (port.error() == QSerialPort::PermissionError)
        return systemError(EBUSY);
    return std::nullopt;
}

LineResult send(QSerialPort &port, const QByteArray &bytes, const QDeadlineTimer &deadline,
                PortError *failure)
{
    // Written here rather than through the port class, which takes a full
    // line (EAGAIN) for a failure: a line without room is waited for.
    const int fd = static_cast<int>(port.handle());
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
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            *failure = systemError(errno);
            return LineResult::Failed;
        }
        if (deadline.hasExpired())
            return LineResult::Late;
        // Room is announced in steps the line may not take at once: after a
        // wake-up that found none, look again a millisecond later.
        if (woken)
            ::poll(nullptr, 0, 1);
        pollfd room{fd, POLLOUT, 0};
        const qint64 left = std::clamp<qint64>(deadline.remainingTime(), 1, 60000);
        woken = ::poll(&room, 1, int(left)) != 0;
    }
    return LineResult::Done;
}

LineResult drainOutput(const QSerialPort &port, const QDeadlineTimer &deadline)
{
    // The system's output queue has no waiting call with a time limit: look
    // at its count, sleeping a millisecond (one character at 9600 baud)
    // between looks.
    const int fd = static_cast<int>(port.handle());
    for (;;) {
        int pending = 0;
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0) {
            // A driver that cannot tell has sent them as far as it knows;
            // any other failure means the line went away meanwhile.
            if (errno == ENOTTY || errno == EINVAL)
                return LineResult::Done;
            return LineResult::Lost;
        }
        if (pending <= 0)
            return LineResult::Done;
        if (deadline.hasExpired())
            return LineResult::Late;
        ::poll(nullptr, 0, 1);
    }
}

bool lineIsGone(const QSerialPort &port)
{
    // A hung-up line (an adapter unplugged, the other end of a pseudo-terminal
    // closed) shows as a hang-up or an error on its descriptor.
    pollfd probe{static_cast<int>(port.handle()), POLLIN, 0};
    if (probe.fd < 0)
        return true;
    if (::poll(&probe, 1, 0) < 0)
        return true;
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

QString accessProblem(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::access(native.constData(), R_OK | W_OK) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return QStringLiteral("does not exist");
        if (errno == EACCES || errno == EPERM)
            return QStringLiteral("permission denied");
    }
    return {};
}

QHash<QString, QString> stableNames()
{
    // Device path -> the first of its links, in name order. Only Linux makes
    // the folder; elsewhere it does not exist and the list stays empty.
    QHash<QString, QString> names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList links =
        byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty() && !names.contains(device))
            names.insert(device, link.absoluteFilePath());
    }
    return names;
}

} // namespace zplatform
