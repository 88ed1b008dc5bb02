// The paths behind the "COM Port Select" items: worked out anew for every
// search, every pick and every opening of the menu, and chosen by the user
// in "Port Paths...".

#include "app/messagebox.h"
#include "app/zelvo.h"
#include "link/mscomm.h"
#include "link/portpathsdialog.h"
#include "link/portsetup.h"

#include <QAction>

ResolvedPorts Zelvo::usePortPaths()
{
    const QString readProblem = m_portSetup->takeReadProblem();
    if (!readProblem.isEmpty())
        msgbox::notify(this, readProblem);
    ResolvedPorts ports = m_portSetup->resolve();
    if (!MSComm1->portOpen())
        MSComm1->setPorts(ports.map());
    return ports;
}

void Zelvo::describeComItems()
{
    const ResolvedPorts ports = m_portSetup->resolve();
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        comItem(port)->setToolTip(portToolTip(ports.slot(port)));
        comItem(port)->setStatusTip(ports.slot(port).path);
    }
}

void Zelvo::PortPaths_Click()
{
    PortPathsDialog dialog(m_portSetup->detect(), m_portSetup->saved(), this);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    waitUntil([&dialog] { return dialog.isAnswered(); });
    if (!dialog.isAccepted())
        return;
    QString problem;
    if (!m_portSetup->keep(dialog.paths(), &problem))
        msgbox::notify(this, problem);
    // A device on a new path is found at once.
    UpdateButton_Click();
}
