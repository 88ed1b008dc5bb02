// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which device path stands behind each of the ports COM1 to COM4.

#include <QString>

#include <array>

class PortMap
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 4;

    // No path for any port yet: every path() is empty.
    PortMap() = default;
    // The platform's usual names: /dev/ttyS0 to /dev/ttyS3 on Linux,
    // COM1 to COM4 on Windows.
    static PortMap platform();

    // Path of COMn, empty when none is set; n must be 1 to 4.
    QString path(int port) const;
    void setPath(int port, const QString &path);

    static bool isValidPort(int port) { return port >= FirstPort && port <= LastPort; }

private:
    std::array<QString, LastPort> m_paths;
};
