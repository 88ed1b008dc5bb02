// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One panel wired to simulated devices on real pseudo-terminals, for one test.
// Each port is given for the run as the command line gives it: its device's
// path, or one that does not exist. The panel detects only the ports the test
// feeds it and keeps its saved port paths in the rig's own folder.
//
// The rig turns the panel's clock by hand, and only while a pause of the panel
// waits: a tick passes once every device has read all the panel wrote and has
// nothing left to send, so a wait of 250 ticks takes no longer than the
// device's answers. The transcript (tests/README.md) stamps every event with
// its tick since mark(), a reply with the tick after it.

#include "app/zelvo.h"
#include "boxanswerer.h"
#include "link/mscomm.h"
#include "link/portdetector.h"
#include "link/portmenu.h"
#include "link/portsetup.h"
#include "link/ticks.h"
#include "settings/settingspanel.h"
#include "sim/simdevice.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

// Ticks that pass when turned, and only then: whether the panel has started
// or stopped its clock does not matter, the rig alone decides.
class HandTicks : public TickSource
{
    Q_OBJECT

public:
    void start() override {}
    void stop() override {}
    void turn() { emit ticked(); }
};

class PanelRig
{
public:
    PanelRig();
    ~PanelRig();

    // A device on COMn, unpaced and playing instantly unless told otherwise.
    zsim::SimulatedDevice &addDevice(int port, zsim::Options options = unpaced());
    zsim::SimulatedDevice &device(int port);
    static zsim::Options unpaced();

    // A path for a device's link (Options::linkPath), which survives reconnect().
    QString linkPath(int port) const;
    // The path COMn maps to when no device sits there (it does not exist).
    QString missingPath(int port) const;

    // Gives COMn this path for the run instead; an empty path gives none, so
    // the saved path or the automatic one holds.
    void setGiven(int port, const QString &path) { m_given[port - 1] = path; }
    // The ports the panel detects.
    FedPortDetector &detector() { return *m_detector; }
    // Where the panel keeps the port paths the user chose.
    QString portPathsFile() const;

    // The panel, created on first use with the ports as mapped so far.
    Zelvo &panel();
    // Creates the panel, runs its start-up search and starts a new transcript.
    Zelvo &start();
    // Ends the panel and starts a new one, as a user starting the program again.
    Zelvo &restart();

    // Another program over the rig's devices (the command-line tool): while
    // `pausing` holds the clock turns as for the panel's pauses, and the
    // writes on `port` are recorded.
    void attach(MSComm &port, std::function<bool()> pausing);
    TickSource &tickSource() { return m_hand; }
    // Where COM1 to COM4 lead, as the panel is given them.
    PortSetup::Sources portSources() const;

    BoxAnswerer &boxes() { return m_boxes; }
    // Whether the termination step ran, and how often.
    int endings() const { return m_endings; }

    // Ticks counted since the panel was created.
    int ticks() const { return m_ticks; }
    // Runs at every turn of the clock while the panel pauses and every device
    // is quiet, before the tick passes: to act at an exact point of a wait.
    void setTickHook(std::function<void()> hook) { m_tickHook = std::move(hook); }

    // Starts a new transcript: ticks count from here.
    void mark();
    // The transcript since mark(), one line per event.
    QStringList transcript();
    // Compares the transcript with `expected` (one event a line; blank lines
    // and "//" comments after the last quote are ignored, spacing before the
    // text is free). On a difference the test fails showing what differs.
    bool checkTranscript(const char *expected, const char *file, int line);

    // Bytes the device on COMn received since start or clearWire().
    QByteArray wire(int port);
    void clearWire();

private:
    bool pausing() const;
    void turnClock();
    bool devicesQuiet();
    void collectReplies();
    void record(const QString &what, const QString &text);
    void recordWrite(const MSComm &comm, int port, const QByteArray &bytes);

    QTemporaryDir m_dir;
    std::array<std::unique_ptr<zsim::SimulatedDevice>, 4> m_devices;
    HandTicks m_hand;
    std::unique_ptr<Zelvo> m_panel;
    std::array<std::optional<QString>, 4> m_given;
    std::shared_ptr<FedPortDetector> m_detector = std::make_shared<FedPortDetector>();
    BoxAnswerer m_boxes;
    QTimer m_clock;
    int m_endings = 0;
    int m_ticks = 0;
    int m_markTicks = 0;
    QStringList m_transcript;
    std::array<std::size_t, 4> m_written{};
    std::function<void()> m_tickHook;
    std::function<bool()> m_attachedPausing;
};

// Faults with one flag set: faultsOf(&zsim::Faults::silent).
inline zsim::Faults faultsOf(bool zsim::Faults::*flag)
{
    zsim::Faults faults;
    faults.*flag = true;
    return faults;
}

// Fails the test and returns when the transcript differs from `expected`.
#define COMPARE_TRANSCRIPT(rig, expected)                                                          \
    do {                                                                                           \
        if (!(rig).checkTranscript(expected, __FILE__, __LINE__))                                  \
            return;                                                                                \
    } while (false)
