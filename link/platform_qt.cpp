// The link on a platform without a file of its own here: what Qt Serial Port
// tells, and "cannot tell" for the rest.

#include "link/platform.h"

#include <QDeadlineTimer>
#include <QSerialPort>

namespace zplatform {

std::optional<PortError> openFailure(const QString &path, const QSerialPort &port)
{
    Q_UNUSED(path);
    Q_UNUSED(port);
    return std::nullopt;
}

bool drainOutput(const QSerialPort &port, const QDeadlineTimer &deadline)
{
    Q_UNUSED(port);
    Q_UNUSED(deadline);
    return true;
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
