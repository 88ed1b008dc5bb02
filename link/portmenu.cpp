// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portmenu.h"

#include "link/portpathsdialog.h"
#include "link/portsetup.h"
#include "link/wait.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

PortMenu::PortMenu(PortSetup &ports, Hooks hooks, QMenuBar *bar, QWidget *window)
    : QObject(window), m_ports(ports), m_hooks(std::move(hooks)), m_window(window)
{
    COMSelect = bar->addMenu(QStringLiteral("COM Port Select"));
    // The open menu is read by the name of its item in the bar.
    COMSelect->setAccessibleName(COMSelect->title());
    auto *group = new QActionGroup(COMSelect);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    QAction **items[] = {&COM1, &COM2, &COM3, &COM4};
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        QAction *item = COMSelect->addAction(QStringLiteral("COM%1").arg(port));
        item->setCheckable(true);
        item->setChecked(false);
        group->addAction(item);
        *items[port - 1] = item;
    }
    COMSelect->addSeparator();
    PortPaths = COMSelect->addAction(QStringLiteral("Port Paths..."));
    // The path behind each item shows beside it while the user chooses, with
    // why it cannot be used, as things stand when the menu opens.
    COMSelect->setToolTipsVisible(true);
    describeComItems();
    connect(COMSelect, &QMenu::aboutToShow, this, [this] { describeComItems(); });
}

QAction *PortMenu::comItem(int port) const
{
    switch (port) {
    case 1:
        return COM1;
    case 2:
        return COM2;
    case 3:
        return COM3;
    case 4:
        return COM4;
    default:
        return nullptr;
    }
}

void PortMenu::checkComItem(int port)
{
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
        comItem(n)->setChecked(n == port);
}

void PortMenu::describeComItems()
{
    const ResolvedPorts ports = m_ports.resolve();
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        comItem(port)->setToolTip(portToolTip(ports.slot(port)));
        comItem(port)->setStatusTip(ports.slot(port).path);
    }
}

void PortMenu::PortPaths_Click()
{
    PortPathsDialog dialog(m_ports.detect(), m_ports.saved(), m_window);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    const auto answered = [&dialog] { return dialog.isAnswered(); };
    m_hooks.wait ? m_hooks.wait(answered) : dispatchUntil(answered);
    if (!dialog.isAccepted())
        return;
    QString problem;
    if (!m_ports.keep(dialog.paths(), &problem) && m_hooks.notify)
        m_hooks.notify(problem);
    // A device on a new path is found at once.
    if (m_hooks.update)
        m_hooks.update();
}
