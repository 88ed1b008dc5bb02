// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One run of zelvor-cli: the port, its link and the command. The device is
// found as the options say (one path, one slot, or the panel's search over
// COM1 to COM4), then the command runs the panel's operation over the link.
// Errors are kept as one line for standard error; results go to the output
// device given.

#include "cli/cliargs.h"
#include "cli/locations.h"
#include "link/portmap.h"

#include <QObject>

#include <functional>
#include <memory>

class DeviceLink;
class MSComm;
class QIODevice;
class TickSource;

class CliSession : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        PortMap ports;               // the paths of COM1 to COM4
        QString portPath;            // --port: this path alone
        int com = 0;                 // --com: this slot alone
        int tickMs = 10;             // to turn milliseconds into ticks
        TickSource *ticks = nullptr; // must outlive the session
        // Where the progress line goes, for the commands that have one; none when empty.
        std::function<void(const QString &)> progress;
        // Called once the device has been found, before the command runs.
        std::function<void()> found;
    };

    explicit CliSession(Setup setup, QObject *parent = nullptr);
    ~CliSession() override;

    // Reads the command's file, finds the device, runs the command and
    // writes its result to `out`. A broken file ends it before anything is
    // sent; an interrupt during a play sends the panel's Abort first.
    ExitCode execute(const CliRequest &request, QIODevice &out);
    // Ctrl+C: the running command stops at its next wait.
    void interrupt();
    // Why execute() did not end with Done: one line.
    const QString &error() const { return m_error; }

    MSComm &port() const { return *m_port; }
    DeviceLink &link() const { return *m_link; }

private:
    int findDevice();
    ExitCode runCommand(const CliRequest &request, const ConfigFile &file, QIODevice &out);
    ExitCode readOut(const CliRequest &request, QIODevice &out);
    ExitCode writeFile(const CliRequest &request, const ConfigFile &file);
    void status(const QString &text);
    ExitCode fail(ExitCode code, const QString &error);

    Setup m_setup;
    std::unique_ptr<MSComm> m_port;
    std::unique_ptr<DeviceLink> m_link;
    DeviceSettings m_settings;
    QString m_error;
    bool m_showProgress = false;
    bool m_interruptPending = false;
    bool m_interruptible = true;
};
