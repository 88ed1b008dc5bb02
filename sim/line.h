// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated device's end of the line: a pseudo-terminal whose master the
// device reads and writes and whose slave the panel opens as its serial port,
// plus the pipe that wakes the device thread. Plain POSIX; not thread-safe,
// the device guards these with its own lock.

#include <chrono>
#include <string>

namespace zsim::detail {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Duration = Clock::duration;

class Line
{
public:
    Line() = default;
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
    ~Line() { close(); }

    // Opens a fresh pseudo-terminal: master non-blocking, slave in raw mode at
    // 9600 baud, and one slave descriptor kept open so the master never sees
    // a hang-up when the panel closes its port. With a non-empty linkPath the
    // link is (re)pointed at the new slave atomically. False with *error set
    // on failure, and nothing left open.
    bool openFresh(const std::string &linkPath, std::string *error);

    // Closes master and kept slave: the slave path disappears and the
    // panel's open port sees a hang-up. The link, if any, is left dangling.
    void close();

    bool open() const { return master >= 0; }

    // Holds back everything the panel writes, or lets it through again, as a
    // stalled adapter would: the panel's writes find no room meanwhile.
    void holdPanelWrites(bool held);

    // True while bytes the panel wrote have not yet been read from the master,
    // including bytes the kernel has accepted but not yet moved to the master.
    bool inputPending() const;

    int master = -1;
    int keptSlave = -1;
    std::string slavePath;
    std::string linkedTarget; // what the link was last pointed at by this device
};

// Removes the link at `path` if it is a symbolic link pointing at `target`.
void removeLink(const std::string &path, const std::string &target);

// A self-pipe: signal() from any thread makes the read end readable.
class WakePipe
{
public:
    WakePipe() = default;
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;
    ~WakePipe();

    bool create(std::string *error); // no-op when already created
    void signal();
    void drain();

    int readEnd = -1;
    int writeEnd = -1;
};

} // namespace zsim::detail
