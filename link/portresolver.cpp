// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portresolver.h"

#include "link/platform.h"

#include <QStringList>

#include <algorithm>

namespace {

bool nameOrder(const DetectedPort &a, const DetectedPort &b)
{
    return a.name() < b.name();
}

} // namespace

PortMap ResolvedPorts::map() const
{
    PortMap ports;
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port)
        ports.setPath(port, slot(port).path);
    return ports;
}

ResolvedPorts resolvePorts(const PortMap &given, const PortMap &saved,
                           const DetectedPorts &detected, const PortMap &fixed)
{
    ResolvedPorts result;
    std::array<bool, PortMap::LastPort> open{};
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        ResolvedPort &slot = result.ports[n - 1];
        if (!given.path(n).isEmpty())
            slot = {given.path(n), PortSource::Given, {}};
        else if (!saved.path(n).isEmpty())
            slot = {saved.path(n), PortSource::Saved, {}};
        else
            open[n - 1] = true;
    }
    const auto named = [&](const DetectedPort &port) {
        return std::any_of(result.ports.begin(), result.ports.end(),
                           [&](const ResolvedPort &slot) { return port.isNamedBy(slot.path); });
    };
    // A UART keeps its own slot unless another slot already names it.
    const auto keepsFixed = [&](int n) {
        return std::any_of(detected.begin(), detected.end(), [&](const DetectedPort &port) {
            return port.path == fixed.path(n) && !named(port);
        });
    };
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        if (open[n - 1] && keepsFixed(n)) {
            result.ports[n - 1].path = fixed.path(n);
            open[n - 1] = false;
        }
    }
    DetectedPorts adapters;
    for (const DetectedPort &port : detected) {
        if (port.adapter && !named(port))
            adapters << port;
    }
    std::stable_sort(adapters.begin(), adapters.end(), nameOrder);
    qsizetype next = 0;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        if (!open[n - 1])
            continue;
        result.ports[n - 1].path = next < adapters.size() ? adapters[next++].path : fixed.path(n);
    }

    for (ResolvedPort &slot : result.ports) {
        for (const DetectedPort &port : detected) {
            if (port.isNamedBy(slot.path)) {
                slot.description = port.description;
                break;
            }
        }
    }
    for (const DetectedPort &port : detected) {
        if (!named(port))
            result.unassigned << port;
    }
    std::stable_sort(result.unassigned.begin(), result.unassigned.end(), nameOrder);
    return result;
}

QString describePort(const QString &name, const QString &description)
{
    return description.isEmpty() ? name : name + QStringLiteral(" - ") + description;
}

QString portToolTip(const ResolvedPort &port)
{
    QString text = describePort(port.path, port.description);
    if (port.source == PortSource::Automatic)
        text += QStringLiteral(" (automatic)");
    const QString problem = zplatform::accessProblem(port.path);
    if (!problem.isEmpty())
        text += QStringLiteral(" (") + problem + QLatin1Char(')');
    return text;
}

QString unassignedPortsText(const DetectedPorts &unassigned)
{
    if (unassigned.isEmpty())
        return {};
    QStringList lines{QStringLiteral("Detected ports that no COM port stands for:")};
    for (const DetectedPort &port : unassigned)
        lines << describePort(port.name(), port.description);
    lines << QStringLiteral("To use one, choose it for a COM port in \"COM Port Select\", "
                            "\"Port Paths...\".");
    return lines.join(QLatin1Char('\n'));
}
