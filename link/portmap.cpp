#include "link/portmap.h"

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
