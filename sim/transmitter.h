// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated device's transmitter: text on its way to the panel, sent in
// order, at the speed of the line and shaped by the active faults (delays,
// split replies, one write per character). Not thread-safe; the device calls
// it with its lock held, from its own thread or from its public methods.

#include "sim/line.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <utility>

namespace zsim::detail {

// 10 bits per character at 9600 baud.
constexpr auto CharacterTime = std::chrono::nanoseconds(1041667);
constexpr int BitsPerCharacter = 10;
// The extra gap between characters when each goes out in its own write.
constexpr auto SingleCharacterGap = std::chrono::milliseconds(5);

// `ms` milliseconds as a clock duration; negative values count as zero.
Duration milliseconds(double ms);

// The time one character takes at `baud`, 10 bits a character.
Duration characterTime(int baud);

// Appends `more` to `kept`; once that holds twice `limit` bytes, the oldest
// are dropped down to `limit`.
void appendRecent(std::string &kept, const std::string &more, std::size_t limit);

// How one piece of text goes out.
struct Shape
{
    Duration gap{};          // between characters; zero writes everything in one go
    bool oneByOne = false;   // every character in its own write
    std::size_t splitAt = 0; // > 0 and shorter than the text: pause after this many
    Duration splitPause{};
    Duration delay{}; // from queueing (or release) to the first character
};

class Transmitter
{
public:
    // Queues `bytes` behind everything queued before; held text waits for releaseHeld().
    void send(std::string bytes, const Shape &shape, bool hold = false);
    // Queues every held text, each with its delay counted from now.
    void releaseHeld();

    // Writes to `fd` every character that is due at `now`. Returns false when
    // the line itself failed (anything but a full buffer).
    bool pump(int fd, TimePoint now);

    // When pump() next has something to do; none while nothing is queued or
    // while the line is full.
    std::optional<TimePoint> nextDue() const;
    // The line refused characters; wait for it to be writable, then call writable().
    bool waitingForRoom() const { return m_full; }
    void writable() { m_full = false; }

    // Something is queued (held text excepted).
    bool busy() const { return !m_queue.empty(); }
    // Every byte that went out on the line since the last call (at least the last KeptBytes).
    std::string takeSent() { return std::exchange(m_sent, {}); }
    // Forgets everything, held text included (the line dropped).
    void clear();

    // `count` bytes of noise: punctuation and 8-bit characters, never a
    // letter, digit or line end, so noise never looks like a marker or a number.
    std::string noise(std::size_t count);

private:
    struct Item
    {
        std::string bytes;
        Shape shape;
        std::size_t sent = 0;
        TimePoint notBefore{};
        TimePoint nextAt{}; // when the next character is due, once started
        bool started = false;
    };

    std::deque<Item> m_queue; // in order; only the front is being sent
    std::deque<Item> m_held;
    TimePoint m_lineFreeAt{}; // earliest time for the next character
    bool m_full = false;
    std::string m_sent;
    std::minstd_rand m_noise{9600};
};

} // namespace zsim::detail
