// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simdevice.h"

#include "sim/deviceimpl.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace zsim {

// Factory contents: every symbol appears somewhere, one location is empty,
// location 4 is nearly full, and the timings cover the device's range from
// the shortest (20 ms) to the longest storable (65534 ms).
Memory factoryDefaults()
{
    return {{
        {"0123456789", 100, 50},      // 0: all digits
        {"*#ABCD", 80, 40},           // 1: the symbols beyond the digits
        {"5551234", 120, 60},         // 2: a phone number
        {"", 100, 100},               // 3: empty
        {"123A456B789C*0#D", 60, 40}, // 4: the whole keypad, 16 tones
        {"911", 250, 250},            // 5: slow
        {"ABCD", 20, 20},             // 6: fastest timing
        {"#", 65534, 20},             // 7: one very long tone
    }};
}

using detail::Clock;
using detail::Duration;
using detail::milliseconds;
using detail::TimePoint;

SimulatedDevice::SimulatedDevice(Options options) : d(std::make_unique<Impl>(std::move(options))) {}

SimulatedDevice::~SimulatedDevice()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
        d->wake.signal();
    }
    if (d->thread.joinable())
        d->thread.join();
    std::lock_guard<std::mutex> lock(d->mutex);
    d->dropLine();
    detail::removeLink(d->options.linkPath, d->line.linkedTarget);
}

bool SimulatedDevice::start(std::string *error)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    std::string reason;
    if (d->thread.joinable())
        reason = "the device is already running";
    else if (!d->wake.create(&reason) || !d->line.openFresh(d->options.linkPath, &reason))
        d->line.close();
    if (!reason.empty()) {
        if (error)
            *error = reason;
        return false;
    }
    d->thread = std::thread([this] { d->run(); });
    return true;
}

std::string SimulatedDevice::portPath() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->options.linkPath.empty() ? d->line.slavePath : d->options.linkPath;
}

void SimulatedDevice::hangUpOnReading(const std::string &text)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->hangUpText = text;
    d->hangUpSeen.clear();
}

std::string SimulatedDevice::received() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->received;
}

std::string SimulatedDevice::takeSent()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->transmitter.takeSent();
}

std::size_t SimulatedDevice::receivedTotal() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->receivedTotal;
}

void SimulatedDevice::clearReceived()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->received.clear();
}

std::vector<std::string> SimulatedDevice::log() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->log;
}

void SimulatedDevice::clearLog()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->log.clear();
}

void SimulatedDevice::setLogSink(std::function<void(const std::string &)> sink)
{
    std::lock_guard<std::mutex> lock(d->sinkMutex);
    d->sink = std::move(sink);
}

void SimulatedDevice::setToneSink(std::shared_ptr<ToneSink> sink)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->tones = std::move(sink);
}

Memory SimulatedDevice::memory() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->memory;
}

void SimulatedDevice::setMemory(const Memory &memory)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->memory = memory;
}

void SimulatedDevice::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (faults.stalled != d->faults.stalled)
        d->line.holdPanelWrites(faults.stalled);
    d->faults = faults;
    d->wake.signal();
}

Faults SimulatedDevice::faults() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->faults;
}

bool SimulatedDevice::quiescent() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->line.open())
        return true;
    if (d->transmitter.busy() || !d->readyDue.empty())
        return false;
    return !d->line.inputPending();
}

void SimulatedDevice::releaseHeld()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->transmitter.releaseHeld();
    d->wake.signal();
}

void SimulatedDevice::inject(const std::string &bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->line.open() || bytes.empty())
        return;
    detail::Shape shape;
    shape.gap = d->characterTime(true);
    d->transmitter.send(bytes, shape);
    d->wake.signal();
}

void SimulatedDevice::flood(std::size_t count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->line.open() || count == 0)
        return;
    d->transmitter.send(d->transmitter.noise(count), detail::Shape{});
    d->wake.signal();
}

void SimulatedDevice::hangUp()
{
    std::unique_lock<std::mutex> lock(d->mutex);
    // Before start, and from the log sink on the device thread, nothing is
    // polling the line and it can be closed here.
    if (!d->thread.joinable() || d->thread.get_id() == std::this_thread::get_id()) {
        d->dropLine();
        return;
    }
    if (!d->line.open())
        return;
    // The device thread closes the line itself: a descriptor it is polling
    // would keep the line up until its poll returned.
    d->hangUpWanted = true;
    const unsigned long target = d->hangUps + 1;
    d->wake.signal();
    d->hungUp.wait(lock, [this, target] { return d->hangUps >= target || d->stopping; });
}

bool SimulatedDevice::reconnect(std::string *error)
{
    hangUp();
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->line.open())
        return true; // another caller reconnected first
    std::string reason;
    if (!d->thread.joinable())
        reason = "the device has not been started";
    else
        d->line.openFresh(d->options.linkPath, &reason);
    if (!reason.empty()) {
        if (error)
            *error = reason;
        return false;
    }
    d->line.holdPanelWrites(d->faults.stalled);
    d->note("reconnected on " + d->line.slavePath);
    d->wake.signal();
    return true;
}

bool SimulatedDevice::connected() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->line.open();
}

} // namespace zsim
