#include "sim/simdevice.h"

#include "sim/line.h"
#include "sim/protocol.h"
#include "sim/tonesink.h"
#include "sim/transmitter.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>
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

struct SimulatedDevice::Impl : detail::Protocol::Host
{
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

    void reply(const std::string &marker, const std::string &text) override
    {
        std::string word = faults.noMarkers ? std::string() : marker;
        if (faults.lowerCaseMarkers)
            std::transform(word.begin(), word.end(), word.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        queueReply(word + text);
    }

    void note(const std::string &text) override
    {
        log.push_back(text);
        if (log.size() >= 2 * KeptLogLines)
            log.erase(log.begin(), log.end() - KeptLogLines);
        unsunk.push_back(text);
    }

    void memoryPlay(double ms) override
    {
        if (faults.neverReady)
            return;
        const TimePoint due = Clock::now() + milliseconds(ms * options.playScale);
        readyDue.insert(std::upper_bound(readyDue.begin(), readyDue.end(), due), due);
    }

    void timedTone(double ms) override
    {
        toneEnd = Clock::now() + milliseconds(ms * options.playScale);
    }

    bool endTimedTone() override
    {
        const bool sounding = toneEnd.has_value();
        toneEnd.reset();
        return sounding;
    }

    void sound(const std::vector<Tone> &played) override
    {
        if (!tones)
            return;
        std::vector<Tone> scaled = played;
        for (Tone &tone : scaled) {
            tone.ms *= options.playScale;
            tone.spaceMs *= options.playScale;
        }
        tones->play(scaled);
    }

    void holdTone(char symbol) override
    {
        if (tones)
            tones->hold(symbol);
    }

    void stopSound() override
    {
        if (tones)
            tones->stop();
    }

    // --- the line ---

    // One character's time on the line: zero when it is not paced.
    Duration characterTime(bool reply) const
    {
        if (options.lineRate > 0)
            return detail::characterTime(options.lineRate);
        return reply && options.paced ? Duration(detail::CharacterTime) : Duration::zero();
    }

    void queueReply(const std::string &text)
    {
        if (text.empty() || faults.silent)
            return;
        detail::Shape shape;
        shape.gap = characterTime(true);
        if (faults.singleCharacters) {
            shape.oneByOne = true;
            shape.gap += detail::SingleCharacterGap;
        }
        if (faults.splitAfter > 0) {
            shape.splitAt = std::size_t(faults.splitAfter);
            shape.splitPause = milliseconds(faults.splitPauseMs);
        }
        shape.delay = milliseconds(faults.replyDelayMs);
        transmitter.send(faults.garbage ? transmitter.noise(text.size()) : text, shape,
                         faults.holdReplies);
    }

    void fireTimers(TimePoint now)
    {
        while (!readyDue.empty() && readyDue.front() <= now) {
            readyDue.erase(readyDue.begin());
            note("play ended");
            reply("Ready", "\r\n");
        }
        if (toneEnd && *toneEnd <= now) {
            toneEnd.reset();
            note("timed tone end");
        }
    }

    std::optional<TimePoint> nextDeadline() const
    {
        std::optional<TimePoint> next;
        const auto consider = [&next](TimePoint t) {
            if (!next || t < *next)
                next = t;
        };
        if (!readyDue.empty())
            consider(readyDue.front());
        if (toneEnd)
            consider(*toneEnd);
        if (inputDue && !faults.deaf)
            consider(*inputDue);
        if (const auto due = transmitter.nextDue())
            consider(*due);
        return next;
    }

    // How many of the characters the panel wrote have come in by `now` on a
    // paced line (none until the first has had its time); unlimited otherwise.
    std::size_t charactersIn(TimePoint now)
    {
        const Duration each = characterTime(false);
        if (each == Duration::zero())
            return std::size_t(-1);
        if (!inputDue) {
            inputDue = now + each; // the first has just started
            return 0;
        }
        return *inputDue > now ? 0 : std::size_t(1 + (now - *inputDue) / each);
    }

    // Reads what the panel has written, as far as the line has brought it in,
    // and acts on it, all under `mutex`, so quiescent() sees each byte either
    // still in the kernel or already turned into queued work.
    void readLine(TimePoint now)
    {
        const std::size_t wanted = charactersIn(now);
        std::string batch;
        char buffer[4096];
        bool failed = false;
        while (batch.size() < wanted) {
            const ssize_t n =
                ::read(line.master, buffer, std::min(sizeof buffer, wanted - batch.size()));
            if (n > 0)
                batch.append(buffer, std::size_t(n));
            else if (n < 0 && errno == EINTR)
                continue;
            else {
                failed = n == 0 || errno != EAGAIN;
                break;
            }
        }
        if (inputDue) {
            // Characters keep their times while more wait; an empty line starts afresh.
            if (batch.size() < wanted)
                inputDue.reset();
            else
                *inputDue += characterTime(false) * batch.size();
        }
        detail::appendRecent(received, batch, KeptBytes);
        receivedTotal += batch.size();
        const std::size_t heard = hangUpAt(batch);
        protocol.feed(batch.substr(0, heard));
        if (failed || heard != std::string::npos)
            dropLine();
    }

    // Where in `batch` the text of hangUpOnReading() ends (just after it), or npos.
    std::size_t hangUpAt(const std::string &batch)
    {
        for (std::size_t i = 0; i < batch.size() && !hangUpText.empty(); ++i) {
            hangUpSeen += batch[i];
            if (hangUpSeen.size() > hangUpText.size())
                hangUpSeen.erase(0, 1);
            if (hangUpSeen == hangUpText) {
                hangUpText.clear();
                return i + 1;
            }
        }
        return std::string::npos;
    }

    // Forgets everything that belongs to the line; the memory stays.
    void dropLine()
    {
        if (!line.open())
            return;
        line.close();
        inputDue.reset();
        transmitter.clear();
        readyDue.clear();
        toneEnd.reset();
        stopSound();
        protocol.reset();
        note("hang up");
    }

    void deliver(std::vector<std::string> lines)
    {
        if (lines.empty())
            return;
        std::function<void(const std::string &)> target;
        {
            std::lock_guard<std::mutex> lock(sinkMutex);
            target = sink;
        }
        if (target)
            for (const std::string &text : lines)
                target(text);
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            if (!unsunk.empty()) {
                // The sink runs unlocked and may call back into the device,
                // so the state is looked at afresh after it.
                std::vector<std::string> lines;
                lines.swap(unsunk);
                lock.unlock();
                deliver(std::move(lines));
                lock.lock();
                continue;
            }
            if (hangUpWanted) {
                dropLine();
                hangUpWanted = false;
                ++hangUps;
                hungUp.notify_all();
            }
            // A paced line is read at the characters' times, not when they arrive.
            const bool listening = !faults.deaf && !inputDue;
            pollfd fds[2] = {{wake.readEnd, POLLIN, 0},
                             {line.master, short(listening ? POLLIN : 0), 0}};
            const nfds_t count = line.open() ? 2 : 1;
            if (transmitter.waitingForRoom())
                fds[1].events |= POLLOUT;
            const std::optional<TimePoint> deadline = nextDeadline();
            lock.unlock();

            timespec timeout{};
            if (deadline) {
                const auto left = std::max(*deadline - Clock::now(), Duration::zero());
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
                timeout.tv_sec = seconds.count();
                timeout.tv_nsec = (left - seconds).count();
            }
            ::ppoll(fds, count, deadline ? &timeout : nullptr, nullptr);
            if (fds[0].revents & POLLIN)
                wake.drain();

            lock.lock();
            // A hang-up or a fault asked for meanwhile comes first: the device
            // reads nothing after it as before it.
            if (hangUpWanted)
                continue;
            const TimePoint now = Clock::now();
            // Only the device thread closes the line, so fds[1] is still it.
            if (count == 2 && line.open()) {
                if (fds[1].revents & POLLOUT)
                    transmitter.writable();
                const bool arrived = fds[1].revents & (POLLIN | POLLHUP | POLLERR);
                if (!faults.deaf && (arrived || (inputDue && *inputDue <= now)))
                    readLine(now);
            }
            fireTimers(now);
            if (line.open() && !transmitter.pump(line.master, now))
                dropLine(); // the line itself failed
        }
        std::vector<std::string> lines;
        lines.swap(unsunk);
        lock.unlock();
        deliver(std::move(lines));
    }
};

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
