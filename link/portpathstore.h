// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The port paths the user chose in "Port Paths", kept between runs in an INI
// file: one key per port ("COM1" to "COM4" in the group "ports"), holding
// the device path; an absent or empty key means Automatic.

#include "link/portmap.h"

#include <QString>

class PortPathStore
{
public:
    explicit PortPathStore(QString fileName) : m_fileName(std::move(fileName)) {}

    // The user's configuration folder, then zelvor/panel.conf
    // ($XDG_CONFIG_HOME/zelvor/panel.conf on Linux).
    static QString defaultFileName();
    const QString &fileName() const { return m_fileName; }

    // The saved paths, empty where Automatic. A missing file saves nothing; a
    // file that cannot be read gives no paths at all and says why in `problem`.
    PortMap read(QString *problem) const;
    // Writes the four keys, keeping whatever else the file holds. False, with
    // `problem` saying why, when the file cannot be written.
    bool write(const PortMap &paths, QString *problem) const;

private:
    QString m_fileName;
};
