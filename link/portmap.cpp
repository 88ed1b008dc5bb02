#include "link/portmap.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

PortMap::PortMap()
{
    for (int port = FirstPort; port <= LastPort; ++port) {
#ifdef Q_OS_WIN
        m_paths[port - 1] = QStringLiteral("COM%1").arg(port);
#else
        m_paths[port - 1] = QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
    }
}

QString PortMap::path(int port) const
{
    Q_ASSERT(isValidPort(port));
    return m_paths[port - 1];
}

void PortMap::setPath(int port, const QString &path)
{
    Q_ASSERT(isValidPort(port));
    m_paths[port - 1] = path;
}

QString describePortPath(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    if (::access(native.constData(), R_OK | W_OK) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return path + QStringLiteral(" (does not exist)");
        if (errno == EACCES || errno == EPERM)
            return path + QStringLiteral(" (permission denied)");
    }
#endif
    return path;
}
