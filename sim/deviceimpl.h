// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated device's state and its thread, shared by simdevice.cpp (the
// public face) and deviceimpl.cpp (the line and the thread's loop). Private
// to the sim library.

#include "sim/line.h"
#include "sim/protocol.h"
#include "sim/simdevice.h"
#include "sim/tonesink.h"
#include "sim/transmitter.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zsim {

struct SimulatedDevice::Impl : detail::Protocol::Host
{
    using Clock = detail::Clock;
    using Duration = detail::Duration;
    using TimePoint = detail::TimePoint;

    explicit Impl(Options opts)
        : options(std::move(opts)), memory(factoryDefaults()),
          protocol(*this, memory, options.firmware)
    {}

    // Everything below is guarded by `mutex`, except `thread` after start and
    // the sink, which has its own lock so it can be called without `mutex`.
    Options options;
    mutable std::mutex mutex;
    std::condition_variable hungUp;
    detail::Line line;
    detail::WakePipe wake;
    std::thread thread;
    bool stopping = false;
    bool hangUpWanted = false;
    unsigned long hangUps = 0;

    Memory memory;
    detail::Protocol protocol;
    Faults faults;
    std::string received;
    std::size_t receivedTotal = 0;
    std::optional<TimePoint> inputDue; // paced: when the next character the panel wrote is in
    std::string hangUpText;            // the line drops once the device has read this
    std::string hangUpSeen;            // what it has read since, as far as it may matter
    std::vector<std::string> log;
    std::vector<std::string> unsunk; // log lines the sink has not seen yet

    detail::Transmitter transmitter;
    std::vector<TimePoint> readyDue;  // sorted ends of memory plays
    std::optional<TimePoint> toneEnd; // end of the sounding timed tone
    std::shared_ptr<ToneSink> tones;  // hears what the device sounds

    std::mutex sinkMutex;
    std::function<void(const std::string &)> sink;

    // --- Protocol::Host, called with `mutex` held on the device thread ---

    void reply(const std::string &marker, const std::string &text) override;
    void note(const std::string &text) override;
    void memoryPlay(double ms) override;
    void timedTone(double ms) override;
    bool endTimedTone() override;
    void sound(const std::vector<Tone> &played) override;
    void holdTone(char symbol) override;
    void stopSound() override;

    // --- the line ---

    // One character's time on the line: zero when it is not paced.
    Duration characterTime(bool reply) const;

    // Sends a reply as the faults of the moment shape it.
    void queueReply(const std::string &text);

    // Ends the plays and the timed tone that are due by `now`.
    void fireTimers(TimePoint now);

    // When the device thread must wake next, if ever without input.
    std::optional<TimePoint> nextDeadline() const;

    // How many of the characters the panel wrote have come in by `now` on a
    // paced line (none until the first has had its time); unlimited otherwise.
    std::size_t charactersIn(TimePoint now);

    // Reads what the panel has written, as far as the line has brought it in,
    // and acts on it, all under `mutex`, so quiescent() sees each byte either
    // still in the kernel or already turned into queued work.
    void readLine(TimePoint now);

    // Where in `batch` the text of hangUpOnReading() ends (just after it), or npos.
    std::size_t hangUpAt(const std::string &batch);

    // Forgets everything that belongs to the line; the memory stays.
    void dropLine();

    // Hands log lines to the sink, without `mutex`.
    void deliver(std::vector<std::string> lines);

    // The device thread: waits for the line, the wake pipe or a deadline,
    // and acts on what came, until `stopping`.
    void run();
};

} // namespace zsim
