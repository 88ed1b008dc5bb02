// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/devicesearch.h"

#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "link/portsetup.h"

#include <QStringList>

#include <cerrno>

namespace {

// Why a port gave no device, in the user's words.
QString openFailureReason(const PortError &error)
{
    switch (error.number()) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("does not exist");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied; on Linux your user must be in the group "
                              "that owns the serial devices (dialout on Debian)");
    case EBUSY:
        return QStringLiteral("busy, in use by another program");
    default:
        return QStringLiteral("cannot be opened: ") + error.description();
    }
}

} // namespace

DeviceSearch::DeviceSearch(DeviceLink &link, PortSetup &ports, Hooks hooks)
    : m_link(link), m_ports(ports), m_hooks(std::move(hooks))
{}

void DeviceSearch::Form_Initialize()
{
    MSComm &MSComm1 = m_link.port();
    // Recovery of the search: a failing step closes the port, if open, and
    // the search carries on with the next step.
    const auto closePort = [&] { resumeNext([&] { MSComm1.setPortOpen(false); }); };
    const auto recover = [&](auto &&step) {
        try {
            step();
        } catch (const OperationError &) {
            if (MSComm1.portOpen())
                closePort();
        }
    };

    promptText(QStringLiteral("Looking for a Zelvo"));
    if (m_hooks.showPrompt)
        m_hooks.showPrompt();
    if (m_hooks.load)
        m_hooks.load();

    m_link.Connect();
    // The paths are worked out anew with the port closed, so every pass opens
    // its port where it is now (an adapter plugged in since is found).
    if (MSComm1.portOpen())
        closePort();
    const ResolvedPorts paths = usePortPaths();

    QStringList report;
    bool found = false;
    const int first = m_onlyPort > 0 ? m_onlyPort : PortMap::FirstPort;
    const int last = m_onlyPort > 0 ? m_onlyPort : PortMap::LastPort;
    for (int n = first; n <= last && !found; ++n) {
        // Each pass probes its own port, so CPort and the check mark always
        // name the port the link is on.
        if (MSComm1.portOpen())
            closePort();
        status(QStringLiteral("Trying COM Port # %1").arg(n));
        QString reason = QStringLiteral("no answer to the probe");
        try {
            m_link.openPort(n);
        } catch (const PortError &error) {
            reason = openFailureReason(error);
            if (MSComm1.portOpen())
                closePort();
        } catch (const OperationError &) {
            if (MSComm1.portOpen())
                closePort();
        }
        recover([&] { m_link.Connect(); });
        if (m_link.Present > 0) {
            CPort = static_cast<qint16>(n);
            portChosen(n);
            found = true;
        } else {
            report << QStringLiteral("COM%1 (%2): %3").arg(n).arg(MSComm1.portPath(n), reason);
            if (MSComm1.portOpen())
                closePort();
        }
    }
    m_searchReport = report.join(QLatin1Char('\n'));

    if (!found) {
        const QString question = QStringLiteral("Error! No open Comm Ports or Zelvo found.") +
                                 QStringLiteral("\r\n") +
                                 QStringLiteral(" Do you wish to continue?");
        const QString unassigned = unassignedPortsText(paths.unassigned);
        const QString details = unassigned.isEmpty()
                                    ? m_searchReport
                                    : m_searchReport + QStringLiteral("\n\n") + unassigned;
        if (m_hooks.goOnWithoutDevice && m_hooks.goOnWithoutDevice(question, details)) {
            status(QString());
            closePrompt();
            return;
        }
        closePrompt();
        terminate();
    }

    promptText(QStringLiteral("Zelvo Found"));
    m_link.Pause(30);
    promptText(QStringLiteral("Reading Current Settings"));
    recover([&] { MSComm1.output(zcmd::LineBreak); });
    recover([&] { m_link.ClearBuffer(); });
    recover([&] {
        if (m_hooks.readSettings)
            m_hooks.readSettings();
    });
    closePrompt();
}

void DeviceSearch::comClick(int port, bool setsFocused, int waitAfterAnswer)
{
    MSComm &MSComm1 = m_link.port();
    try {
        status(QStringLiteral("Setting Communications port to COM%1").arg(port));
        if (MSComm1.portOpen())
            MSComm1.setPortOpen(false);
        usePortPaths();
        m_link.openPort(port);
        CPort = static_cast<qint16>(port);
        portChosen(port);
        if (setsFocused && m_hooks.com1Focused)
            m_hooks.com1Focused();
        m_link.Pause(50);
        status(QStringLiteral("Ready"));
        return;
    } catch (const OperationError &) {
        // Fall through to switching back to the previous port.
    }

    const QString question =
        QStringLiteral("Error! COM%1 is not available. Do you wish to continue? ").arg(port);
    const bool goOn = m_hooks.goOnAfterFailedPick && m_hooks.goOnAfterFailedPick(question);
    if (waitAfterAnswer > 0)
        m_link.Pause(waitAfterAnswer);
    if (!goOn)
        terminate();
    resumeNext([&] {
        if (MSComm1.portOpen())
            MSComm1.setPortOpen(false);
    });
    // When the previous port cannot be reopened either, the link stays closed.
    resumeNext([&] { m_link.openPort(CPort); });
    if (!MSComm1.portOpen())
        resumeNext([&] { MSComm1.setCommPort(CPort); });
    status(QStringLiteral("Resetting to port #") + formatNumber(CPort));
    m_link.Pause(50);
    status(QString());
}

void DeviceSearch::COM1_Click()
{
    comClick(1, true, 50);
}

void DeviceSearch::COM2_Click()
{
    comClick(2, false, 0);
}

void DeviceSearch::COM3_Click()
{
    comClick(3, false, 0);
}

void DeviceSearch::COM4_Click()
{
    comClick(4, false, 0);
}

ResolvedPorts DeviceSearch::usePortPaths()
{
    const QString readProblem = m_ports.takeReadProblem();
    if (!readProblem.isEmpty() && m_hooks.notify)
        m_hooks.notify(readProblem);
    ResolvedPorts ports = m_ports.resolve();
    if (!m_link.port().portOpen())
        m_link.port().setPorts(ports.map());
    return ports;
}

void DeviceSearch::status(const QString &text)
{
    if (m_hooks.status)
        m_hooks.status(text);
}

void DeviceSearch::promptText(const QString &text)
{
    if (m_hooks.promptText)
        m_hooks.promptText(text);
}

void DeviceSearch::closePrompt()
{
    if (m_hooks.closePrompt)
        m_hooks.closePrompt();
}

void DeviceSearch::portChosen(int port)
{
    if (m_hooks.portChosen)
        m_hooks.portChosen(port);
}

void DeviceSearch::terminate()
{
    if (m_hooks.terminate)
        m_hooks.terminate();
    throw ApplicationEnded();
}
