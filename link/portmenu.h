// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The menu "COM Port Select": the items COM1 to COM4, which carry the check
// mark of the port the link is on and show the path behind each port as a
// tool tip, and "Port Paths...", where the user chooses those paths
// (PortPaths_Click). Picking a COM item is the device search's business
// (DeviceSearch); the window connects the items to it.

#include <QObject>
#include <QString>

#include <functional>

class PortSetup;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class PortMenu : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        // Dispatches events until `done()` holds (the dialog's answer);
        // dispatchUntil when empty.
        std::function<void(const std::function<bool()> &done)> wait;
        // A notice: why the chosen paths could not be saved.
        std::function<void(const QString &text)> notify;
        // What runs once new paths are saved: the Update button's handler,
        // so a device on a new path is found at once.
        std::function<void()> update;
    };

    // Adds the menu to `bar`; `window` owns the menu's dialog. The paths must
    // outlive the menu.
    PortMenu(PortSetup &ports, Hooks hooks, QMenuBar *bar, QWidget *window);

    // "Port Paths...": the user chooses and saves the paths, then Update runs.
    void PortPaths_Click();

    // The item of port n (1 to 4).
    QAction *comItem(int port) const;
    // Checks the item of port n and clears the other three.
    void checkComItem(int port);
    // The items' tool tips and status tips, as things stand now.
    void describeComItems();

    QMenu *COMSelect = nullptr;
    QAction *COM1 = nullptr;
    QAction *COM2 = nullptr;
    QAction *COM3 = nullptr;
    QAction *COM4 = nullptr;
    QAction *PortPaths = nullptr;

private:
    PortSetup &m_ports;
    Hooks m_hooks;
    QWidget *m_window = nullptr;
};
