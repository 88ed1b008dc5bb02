// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portdetector.h"

#include "link/platform.h"

#include <QSerialPortInfo>
#include <QStringList>

DetectedPorts SystemPortDetector::detect() const
{
    const QHash<QString, QString> stable = zplatform::stableNames();
    DetectedPorts ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        DetectedPort port;
#ifdef Q_OS_WIN
        port.path = info.portName(); // COM3, as the port is opened
#else
        port.path = info.systemLocation();
#endif
        port.stableName = stable.value(port.path);
        QStringList parts;
        for (const QString &part : {info.description(), info.manufacturer(), info.serialNumber()}) {
            if (!part.isEmpty() && !parts.contains(part))
                parts << part;
        }
        port.description = parts.join(QStringLiteral(", "));
        const QString name = info.portName();
        port.adapter = info.hasVendorIdentifier() || name.startsWith(QLatin1String("ttyUSB")) ||
                       name.startsWith(QLatin1String("ttyACM"));
        ports << port;
    }
    return ports;
}
