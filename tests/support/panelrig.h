#pragma once

// One panel wired to simulated devices on real pseudo-terminals, for one test.
// Ports without a device map to paths that do not exist. The panel's clock
// ticks only while every device is quiescent, so each wait of the panel sees
// a device that has finished answering, however loaded the machine is.

#include "app/zelvo.h"
#include "boxanswerer.h"
#include "sim/simdevice.h"

#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <memory>

class PanelRig
{
public:
    explicit PanelRig(int tickMs = 1);
    ~PanelRig();

    // A device on COMn, unpaced unless the options say otherwise.
    zsim::SimulatedDevice &addDevice(int port, zsim::Options options = unpaced());
    zsim::SimulatedDevice &device(int port);
    static zsim::Options unpaced();

    // A path for a device's link (Options::linkPath), which survives reconnect().
    QString linkPath(int port) const;
    // The path COMn maps to when no device sits there (it does not exist).
    QString missingPath(int port) const;

    // The panel, created on first use with the ports as mapped so far.
    Zelvo &panel();
    // Creates the panel and runs its start-up search.
    Zelvo &start();

    BoxAnswerer &boxes() { return m_boxes; }
    // Every text the status box and the prompt label were given, in order.
    const QStringList &statusTexts() const { return m_status; }
    const QStringList &promptTexts() const { return m_prompt; }
    void clearTexts();
    // Whether the termination step ran, and how often.
    int endings() const { return m_endings; }

    // Ticks the panel has counted so far.
    int ticks() const { return m_ticks; }
    // Runs before each tick is let through (to act at an exact point of a wait).
    void setTickHook(std::function<void()> hook) { m_tickHook = std::move(hook); }

    // Bytes the device on COMn received (a QByteArray, so a failed comparison
    // prints the bytes).
    QByteArray wire(int port);
    void clearWire();

private:
    bool devicesQuiet();

    QTemporaryDir m_dir;
    int m_tickMs;
    std::array<std::unique_ptr<zsim::SimulatedDevice>, 4> m_devices;
    std::unique_ptr<Zelvo> m_panel;
    BoxAnswerer m_boxes;
    QStringList m_status;
    QStringList m_prompt;
    int m_endings = 0;
    int m_ticks = 0;
    std::array<std::size_t, 4> m_written{};
    std::function<void()> m_tickHook;
};
