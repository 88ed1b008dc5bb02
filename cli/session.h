// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One run of zelvor-cli: the port, its link and the command, carried out by
// the panel's own parts over that link. The device search (DeviceSearch)
// finds the device as the options say (one path, one slot, or COM1 to COM4);
// the settings move through a SettingsTransfer over a store in memory; the
// plays are the panel's MemoryPlay, TimedPlay, ToneListSend and KeyTones, and
// Ctrl+C during one runs its AbortPlay. Errors are kept as one line for
// standard error; results go to the output device given.

#include "cli/cliargs.h"
#include "cli/locations.h"
#include "link/portsetup.h"

#include <QObject>

#include <functional>
#include <memory>

class AbortPlay;
class DeviceLink;
class DeviceSearch;
class MSComm;
class QIODevice;
class SettingsTransfer;
class TickSource;

class CliSession : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        PortSetup::Sources ports;    // where COM1 to COM4 lead, as the panel works them out
        int onlyPort = 0;            // 1 to 4: that port alone (--port, --com); 0: the search
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
    // sent.
    ExitCode execute(const CliRequest &request, QIODevice &out);
    // Ctrl+C: during a play, the panel's Abort runs at once; the command
    // then ends at its next wait.
    void interrupt();
    // Why execute() did not end with Done: one line.
    const QString &error() const { return m_error; }

    MSComm &port() const { return *m_port; }
    // The link of every command but `list`, which has a link of its own as
    // the Multi Play window has.
    DeviceLink &link() const { return *m_link; }
    // True while a pause of either link waits for ticks.
    bool isPausing() const;

private:
    // Runs the device search, which ends with `lastStep` once it found the device.
    void search(std::function<void()> lastStep);
    // The search for the command: ending with `lastStep` once it found the device.
    // False when no device answered (the error is set then).
    bool find(std::function<void()> lastStep);
    // Why the panel's "Update" after a save or a reset did not read the
    // device; empty when it did.
    QString rereadProblem() const;
    ExitCode runCommand(const CliRequest &request, const ConfigFile &file, QIODevice &out);
    ExitCode readOut(const CliRequest &request, QIODevice &out);
    ExitCode writeFile(const CliRequest &request, const ConfigFile &file);
    void play(const CliRequest &request, const ConfigFile &file);
    void readSettings();
    void status(const QString &text);
    ExitCode fail(ExitCode code, const QString &error);

    Setup m_setup;
    std::unique_ptr<MSComm> m_port;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<DeviceLink> m_listLink;
    std::unique_ptr<PortSetup> m_ports;
    std::unique_ptr<DeviceSearch> m_search;
    std::unique_ptr<SettingsTransfer> m_transfer;
    std::unique_ptr<AbortPlay> m_abort;
    SettingsMemory m_settings;
    std::function<void()> m_lastStep; // of the search running now
    int m_foundPort = 0;
    QString m_readFailure; // why the last read of the settings failed
    QString m_error;
    bool m_showProgress = false;
    bool m_playing = false;
    bool m_interrupted = false;
};
