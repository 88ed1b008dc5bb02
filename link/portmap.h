#pragma once

// Which device path stands behind each of the ports COM1 to COM4.

#include <QString>

#include <array>

class PortMap
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 4;

    // The platform's usual names: /dev/ttyS0 to /dev/ttyS3 on Linux,
    // COM1 to COM4 on Windows.
    PortMap();

    // Path of COMn; n must be 1 to 4.
    QString path(int port) const;
    void setPath(int port, const QString &path);

    static bool isValidPort(int port) { return port >= FirstPort && port <= LastPort; }

private:
    std::array<QString, LastPort> m_paths;
};

// A device path as the port menu shows it: the path, followed by
// "(does not exist)" or "(permission denied)" when that is why it cannot be
// opened now.
QString describePortPath(const QString &path);
