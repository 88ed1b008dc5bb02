// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated Zelvor: a stand-in for the DTMF tone generator, on the
// master side of a pseudo-terminal. The panel opens the slave path like any
// serial port. The device runs on its own thread, so it answers while the
// panel is busy, exactly as hardware would.
//
// Wire protocol (every text exact, 8-bit characters):
//   "@"                 -> "Connect\r\n"
//   "R"                 -> the firmware version text (no line end)
//   "V", then digit d   -> "VM\r\n", then the location view of d:
//        "\r\nLocation d\r\nLength = <len> ms\r\nSpace = <space>ms\r\nString = <tones>"
//        followed by "\r\nView ended\r\n" (14 characters) for locations 0 to 6
//        and by nothing for location 7.
//   "S", digit, "\r\n", "<len>,<space>\r\n", tone characters one by one,
//        ended by "." or by the 20th character
//                       -> "SS\r\n" after the "S"; then stores the location.
//   "M", digit, "\r\n"  -> "MP\r\n" after the "M"; plays the location, then "Ready\r\n".
//   "I", "<sym>,<ms>\r" -> "SM\r\n" after the "I"; plays one timed tone. A "\r\n"
//        while it plays ends it early (the panel's abort).
//   "F", lines "<sym>,<ms>,<space>\r\n", then an empty line "\r\n"
//                       -> "MM\r\n" after the "F"; then plays the list.
//   "$" + symbol        -> a short keypad tone (100 ms).
//   "%" + symbol        -> a held tone starts; "%" alone stops it.
//   a bare tone symbol  -> a short tone (100 ms).
// Every new sound replaces the one before; "%" alone and the abort of a timed
// tone silence whatever sounds.
//   "^0"                -> factory defaults restored.
//   anything else (line ends, ".", unknown bytes) is ignored.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zsim {

class ToneSink;

struct Location
{
    std::string tones;
    int length = 0;
    int space = 0;

    bool operator==(const Location &other) const
    {
        return tones == other.tones && length == other.length && space == other.space;
    }
};

using Memory = std::array<Location, 8>;

// What the device keeps of a long run for received(), takeSent() and log().
constexpr std::size_t KeptBytes = std::size_t(1) << 20;
constexpr std::size_t KeptLogLines = 10000;

// The eight locations as the device holds them after a factory reset.
Memory factoryDefaults();

// Ways the device can misbehave, for tests and demonstrations.
struct Faults
{
    bool silent = false;           // reads and records everything, answers nothing
    bool noMarkers = false;        // replies with the acknowledgement word left out
    bool lowerCaseMarkers = false; // "connect", "vm", "ss", "mp", "sm", "mm", "ready"
    bool singleCharacters = false; // every character of a reply goes out in its own write,
                                   // 5 ms apart (on top of the line pacing)
    int splitAfter = 0;            // > 0: a reply is cut after this many characters and the
                                   // rest follows splitPauseMs later
    int splitPauseMs = 50;
    int replyDelayMs = 0;     // every reply starts this late
    bool holdReplies = false; // replies wait until releaseHeld(); held replies do not
                              // count as pending work for quiescent()
    bool garbage = false;     // every reply is replaced by as many bytes of noise
    bool neverReady = false;  // memory play never reports "Ready"
    bool deaf = false;        // stops reading the line: what the panel writes piles up in
                              // the kernel until its writes no longer go through
    bool stalled = false;     // the line takes nothing more at once: the panel's writes do
                              // not go through (a hung adapter, flow control held)
};

struct Options
{
    bool paced = true; // replies go out one character per 1.04 ms, as at 9600 baud
    // > 0: the line runs at this many baud in both directions, 10 bits a
    // character: replies go out, and what the panel writes comes in, no faster
    // (this takes the place of `paced`). What the panel writes waits in the
    // pseudo-terminal meanwhile, which takes about 16 KB before it holds a
    // write back: it stands for an adapter with a buffer of that size.
    int lineRate = 0;
    double playScale = 1.0; // multiplies every playing time (0 plays instantly)
    std::string firmware = "Zelvor 2.1";
    std::string linkPath; // when set, a symbolic link to the slave, renewed on reconnect()
};

class SimulatedDevice
{
public:
    explicit SimulatedDevice(Options options = {});
    ~SimulatedDevice(); // stops the thread and hangs up

    SimulatedDevice(const SimulatedDevice &) = delete;
    SimulatedDevice &operator=(const SimulatedDevice &) = delete;

    // Opens the pseudo-terminal and starts the device thread. On failure
    // returns false and puts the reason into *error.
    bool start(std::string *error = nullptr);

    // Path the panel opens: linkPath when set, otherwise the slave's /dev/pts path.
    std::string portPath() const;

    // Every byte received since start (or the last clearReceived), in order.
    // A long run keeps the most recent ones only: at least KeptBytes.
    std::string received() const;
    void clearReceived();
    // How many bytes the device has read since start; clearReceived() leaves
    // it alone, so it can be compared with what the panel wrote.
    std::size_t receivedTotal() const;

    // Every byte the device sent since the last call (replies, injected
    // text and noise alike), in order; at least the last KeptBytes of them.
    std::string takeSent();

    // Human-readable lines of what the device did ("play tone 5 1000 ms", ...),
    // at least the last KeptLogLines of them.
    std::vector<std::string> log() const;
    void clearLog();
    // Called on the device thread for every new log line (for printing).
    void setLogSink(std::function<void(const std::string &)> sink);
    // Told on the device thread what the device sounds, with every length
    // scaled by Options::playScale; null for none. Once this returns, the
    // previous sink is no longer called.
    void setToneSink(std::shared_ptr<ToneSink> sink);

    Memory memory() const;
    void setMemory(const Memory &memory);

    // The faults act on everything the device reads or sends once this has
    // returned, and on nothing before.
    void setFaults(const Faults &faults);
    Faults faults() const;

    // True when the device has read everything the panel wrote, has sent every
    // reply it owes (held replies excepted) and has no reply scheduled. Tests
    // let the panel's clock tick only while this holds, so every wait of the
    // panel sees a finished answer regardless of machine load.
    bool quiescent() const;

    // Sends replies held back by Faults::holdReplies.
    void releaseHeld();
    // Sends bytes unasked (paced like any reply).
    void inject(const std::string &bytes);
    // Sends `count` bytes of noise at once, without pacing.
    void flood(std::size_t count);

    // Closes the master side: the panel's port sees the line drop. Whatever
    // the device has not read by the time this is called stays unread.
    void hangUp();
    // Hangs up as soon as the device has read `text` (counting from now), before
    // it answers it or reads on; once.
    void hangUpOnReading(const std::string &text);
    // A fresh pseudo-terminal after hangUp(); with linkPath the link follows it.
    bool reconnect(std::string *error = nullptr);
    bool connected() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zsim
