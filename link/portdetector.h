// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The serial ports this computer has now, as the operating system lists them.
// Detection sits behind one small interface so that the rest of the panel,
// and its tests, can be given any list of ports.

#include <QList>
#include <QString>

struct DetectedPort
{
    QString path;         // the device: /dev/ttyUSB0, /dev/ttyS0, COM3
    QString stableName;   // a name that survives replugging (/dev/serial/by-id/...), or empty
    QString description;  // product, maker, serial number where known, joined by ", "
    bool adapter = false; // a USB or ACM adapter rather than a UART of the machine

    // The name to choose it by: the stable name where there is one, else the path.
    QString name() const { return stableName.isEmpty() ? path : stableName; }
    // Whether `somePath` names this port, by its path or its stable name.
    bool isNamedBy(const QString &somePath) const
    {
        return !somePath.isEmpty() && (somePath == path || somePath == stableName);
    }
};

using DetectedPorts = QList<DetectedPort>;

class PortDetector
{
public:
    virtual ~PortDetector() = default;
    // The ports there are at this moment; asked again whenever it matters.
    virtual DetectedPorts detect() const = 0;
};

// The ports the serial port library finds, with the stable names of
// /dev/serial/by-id where the system makes them.
class SystemPortDetector final : public PortDetector
{
public:
    DetectedPorts detect() const override;
};

// A list given by hand (tests, and anyone who must not look at the machine).
class FedPortDetector final : public PortDetector
{
public:
    void setPorts(DetectedPorts ports) { m_ports = std::move(ports); }
    DetectedPorts detect() const override { return m_ports; }

private:
    DetectedPorts m_ports;
};
