// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portmap.h"

PortMap PortMap::platform()
{
    PortMap ports;
    for (int port = FirstPort; port <= LastPort; ++port) {
#ifdef Q_OS_WIN
        ports.setPath(port, QStringLiteral("COM%1").arg(port));
#else
        ports.setPath(port, QStringLiteral("/dev/ttyS%1").arg(port - 1));
#endif
    }
    return ports;
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
