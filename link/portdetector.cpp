#include "link/portdetector.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QStringList>

namespace {

// Device path -> the first of its links under /dev/serial/by-id, in name order.
QHash<QString, QString> stableNames()
{
    QHash<QString, QString> names;
#ifdef Q_OS_LINUX
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList links =
        byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty() && !names.contains(device))
            names.insert(device, link.absoluteFilePath());
    }
#endif
    return names;
}

} // namespace

DetectedPorts SystemPortDetector::detect() const
{
    const QHash<QString, QString> stable = stableNames();
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
