// SPDX-License-Identifier: GPL-3.0-or-later
// The link on a platform without a file of its own here: what Qt Serial Port
// tells, and "cannot tell" for the rest.

#include "link/platform.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <cerrno>

namespace zplatform {

std::optional<PortError> openFailure(const QString &path, const QSerialPort &port)
{
    Q_UNUSED(path);
    Q_UNUSED(port);
    return std::nullopt;
}

LineResult send(QSerialPort &port, const QByteArray &bytes, const QDeadlineTimer &deadline,
                PortError *failure)
{
    // The port class only sends from its event loop: wait for it here.
    if (port.write(bytes) != bytes.size()) {
        *failure = PortError(EIO, port.errorString());
        return LineResult::Failed;
    }
    while (port.isOpen() && port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!port.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))) &&
            port.error() != QSerialPort::TimeoutError)
            break;
    }
    if (!port.isOpen())
        return LineResult::Lost;
    if (port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        *failure = PortError(EIO, port.errorString());
        return LineResult::Failed;
    }
    return port.bytesToWrite() == 0 ? LineResult::Done : LineResult::Late;
}

LineResult drainOutput(const QSerialPort &port, const QDeadlineTimer &deadline)
{
    Q_UNUSED(port);
    Q_UNUSED(deadline);
    return LineResult::Done;
}

bool lineIsGone(const QSerialPort &port)
{
    Q_UNUSED(port);
    return true;
}

QString accessProblem(const QString &path)
{
    Q_UNUSED(path);
    return {};
}

QHash<QString, QString> stableNames()
{
    return {};
}

} // namespace zplatform
