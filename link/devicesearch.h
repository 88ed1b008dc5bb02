// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Finding the device on COM1 to COM4, at start-up and on "Update"
// (Form_Initialize), and moving the link to another port, as the picks of
// "COM Port Select" do (COM1_Click to COM4_Click), over the main window's
// DeviceLink.
//
// Nothing here needs a window: what the search shows and asks, and what it
// hands on, goes through the hooks it is given. The handlers fail as their
// window's handlers do: a failure that no step deals with passes on, and
// ending the application unwinds with ApplicationEnded.

#include "core/errors.h"
#include "link/portresolver.h"

#include <QString>

#include <functional>

class DeviceLink;
class PortSetup;

class DeviceSearch
{
public:
    // Every hook may be left empty: nothing is shown, a question is answered
    // No, nothing is handed on.
    struct Hooks
    {
        // The status line: "Trying COM Port # 2", "Ready".
        std::function<void(const QString &text)> status;
        // The prompt window shown while a search runs: its text, and showing
        // and closing it.
        std::function<void(const QString &text)> promptText;
        std::function<void()> showPrompt;
        std::function<void()> closePrompt;
        // No port has a device: go on without one? `details` says, one line
        // per port, why each gave none. True for Yes; No ends the application.
        std::function<bool(const QString &question, const QString &details)> goOnWithoutDevice;
        // The picked port cannot be opened: go on on the previous port?
        // True for Yes; No ends the application.
        std::function<bool(const QString &question)> goOnAfterFailedPick;
        // A notice: why the saved port paths could not be read.
        std::function<void(const QString &text)> notify;
        // Runs at the start of every search, once its prompt shows: the
        // window's own start-up, the first time.
        std::function<void()> load;
        // The last step of a search that found the device: read its settings.
        std::function<void()> readSettings;
        // The link is now on COMn: its check mark in the menu.
        std::function<void(int port)> portChosen;
        // What a pick of COM1 does besides: the window's Focused becomes True.
        std::function<void()> com1Focused;
        // Ends the application: closes the port and the windows and throws
        // ApplicationEnded. Empty: the search throws ApplicationEnded itself.
        std::function<void()> terminate;
    };

    // The link and the paths must outlive the search.
    DeviceSearch(DeviceLink &link, PortSetup &ports, Hooks hooks);

    // Probes COM1 to COM4 in turn and stays on the first with a device,
    // whose settings it then reads; with none, asks whether to go on.
    // Failing steps close the port and the search carries on.
    void Form_Initialize();
    // Moves the link to COMn; when that fails, asks whether to go on and
    // goes back to the port before.
    void COM1_Click();
    void COM2_Click();
    void COM3_Click();
    void COM4_Click();

    // Limits every later search to COMn alone, for a program told where the
    // device is; 0 (the default) searches COM1 to COM4.
    void limitTo(int port) { m_onlyPort = port; }

    // Why each port gave no device in the last search, one line per port.
    QString searchReport() const { return m_searchReport; }

    // Works out the paths anew and gives them to the closed port (an open one
    // keeps its own until it closes); notifies once why the saved paths could
    // not be read.
    ResolvedPorts usePortPaths();

    // The port the link was last moved to or found on: where a failed pick
    // goes back to. The window sets it at its start-up.
    qint16 CPort = 0;

private:
    void comClick(int port, bool setsFocused, int waitAfterAnswer);
    void status(const QString &text);
    void promptText(const QString &text);
    void closePrompt();
    void portChosen(int port);
    [[noreturn]] void terminate();

    DeviceLink &m_link;
    PortSetup &m_ports;
    Hooks m_hooks;
    QString m_searchReport;
    int m_onlyPort = 0;
};
