// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portpathstore.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

QString key(int port)
{
    return QStringLiteral("ports/COM%1").arg(port);
}

} // namespace

QString PortPathStore::defaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zelvor/panel.conf");
}

PortMap PortPathStore::read(QString *problem) const
{
    const QSettings settings(m_fileName, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        *problem = QStringLiteral("The saved port paths cannot be read from %1. COM1 to COM4 "
                                  "are set automatically.")
                       .arg(m_fileName);
        return {};
    }
    PortMap paths;
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port)
        paths.setPath(port, settings.value(key(port)).toString());
    return paths;
}

bool PortPathStore::write(const PortMap &paths, QString *problem) const
{
    QSettings settings(m_fileName, QSettings::IniFormat);
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port)
        settings.setValue(key(port), paths.path(port));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    *problem = QStringLiteral("The port paths cannot be saved in %1. They apply until the "
                              "panel ends.")
                   .arg(m_fileName);
    return false;
}
