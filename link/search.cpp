// Finding the device on COM1 to COM4 at start-up and on "Update", and moving
// the link to another port from the "COM Port Select" menu.

#include "app/defprompt.h"
#include "app/messagebox.h"
#include "app/statusbox.h"
#include "app/zelvo.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/mscomm.h"

#include <QAction>

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

void Zelvo::Form_Initialize()
{
    // Recovery of the search: a failing step closes the port, if open, and
    // the search carries on with the next step.
    const auto closePort = [&] { resumeNext([&] { MSComm1->setPortOpen(false); }); };
    const auto recover = [&](auto &&step) {
        try {
            step();
        } catch (const OperationError &) {
            if (MSComm1->portOpen())
                closePort();
        }
    };

    m_defPrompt->setText(QStringLiteral("Looking for a Zelvo"));
    m_defPrompt->show();
    ensureLoaded();

    Connect();
    // The paths are worked out anew with the port closed, so every pass opens
    // its port where it is now (an adapter plugged in since is found).
    if (MSComm1->portOpen())
        closePort();
    const ResolvedPorts paths = usePortPaths();

    QStringList report;
    bool found = false;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort && !found; ++n) {
        // Each pass probes its own port, so CPort and the check mark always
        // name the port the link is on.
        if (MSComm1->portOpen())
            closePort();
        StatusBox->setText(QStringLiteral("Trying COM Port # %1").arg(n));
        QString reason = QStringLiteral("no answer to the probe");
        try {
            openPortSequence(n);
        } catch (const PortError &error) {
            reason = openFailureReason(error);
            if (MSComm1->portOpen())
                closePort();
        } catch (const OperationError &) {
            if (MSComm1->portOpen())
                closePort();
        }
        recover([&] { Connect(); });
        if (Present > 0) {
            CPort = static_cast<qint16>(n);
            checkComItem(n);
            found = true;
        } else {
            report << QStringLiteral("COM%1 (%2): %3").arg(n).arg(MSComm1->portPath(n), reason);
            if (MSComm1->portOpen())
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
        if (msgbox::askYesNo(m_defPrompt, question, details)) {
            StatusBox->setText(QString());
            m_defPrompt->close();
            return;
        }
        m_defPrompt->close();
        Form_Terminate();
    }

    m_defPrompt->setText(QStringLiteral("Zelvo Found"));
    Pause(30);
    m_defPrompt->setText(QStringLiteral("Reading Current Settings"));
    recover([&] { MSComm1->output(zcmd::LineBreak); });
    recover([&] { ClearBuffer(); });
    recover([&] { ReadDeviceSettings(); });
    m_defPrompt->close();
}

void Zelvo::comClick(int port, bool setsFocused, int waitAfterAnswer)
{
    try {
        StatusBox->setText(QStringLiteral("Setting Communications port to COM%1").arg(port));
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
        usePortPaths();
        openPortSequence(port);
        CPort = static_cast<qint16>(port);
        checkComItem(port);
        if (setsFocused)
            Focused = kTrue;
        Pause(50);
        StatusBox->setText(QStringLiteral("Ready"));
        return;
    } catch (const OperationError &) {
        // Fall through to switching back to the previous port.
    }

    const bool goOn = msgbox::askYesNo(
        this, QStringLiteral("Error! COM%1 is not available. Do you wish to continue? ").arg(port));
    if (waitAfterAnswer > 0)
        Pause(waitAfterAnswer);
    if (!goOn)
        Form_Terminate();
    resumeNext([&] {
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
    });
    // When the previous port cannot be reopened either, the link stays closed.
    resumeNext([&] { openPortSequence(CPort); });
    if (!MSComm1->portOpen())
        resumeNext([&] { MSComm1->setCommPort(CPort); });
    StatusBox->setText(QStringLiteral("Resetting to port #") + formatNumber(CPort));
    Pause(50);
    StatusBox->setText(QString());
}

void Zelvo::COM1_Click()
{
    comClick(1, true, 50);
}

void Zelvo::COM2_Click()
{
    comClick(2, false, 0);
}

void Zelvo::COM3_Click()
{
    comClick(3, false, 0);
}

void Zelvo::COM4_Click()
{
    comClick(4, false, 0);
}
