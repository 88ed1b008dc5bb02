// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/deviceimpl.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace zsim {

using detail::milliseconds;

void SimulatedDevice::Impl::reply(const std::string &marker, const std::string &text)
{
    std::string word = faults.noMarkers ? std::string() : marker;
    if (faults.lowerCaseMarkers)
        std::transform(word.begin(), word.end(), word.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    queueReply(word + text);
}

void SimulatedDevice::Impl::note(const std::string &text)
{
    log.push_back(text);
    if (log.size() >= 2 * KeptLogLines)
        log.erase(log.begin(), log.end() - KeptLogLines);
    unsunk.push_back(text);
}

void SimulatedDevice::Impl::memoryPlay(double ms)
{
    if (faults.neverReady)
        return;
    const TimePoint due = Clock::now() + milliseconds(ms * options.playScale);
    readyDue.insert(std::upper_bound(readyDue.begin(), readyDue.end(), due), due);
}

void SimulatedDevice::Impl::timedTone(double ms)
{
    toneEnd = Clock::now() + milliseconds(ms * options.playScale);
}

bool SimulatedDevice::Impl::endTimedTone()
{
    const bool sounding = toneEnd.has_value();
    toneEnd.reset();
    return sounding;
}

void SimulatedDevice::Impl::sound(const std::vector<Tone> &played)
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

void SimulatedDevice::Impl::holdTone(char symbol)
{
    if (tones)
        tones->hold(symbol);
}

void SimulatedDevice::Impl::stopSound()
{
    if (tones)
        tones->stop();
}

SimulatedDevice::Impl::Duration SimulatedDevice::Impl::characterTime(bool reply) const
{
    if (options.lineRate > 0)
        return detail::characterTime(options.lineRate);
    return reply && options.paced ? Duration(detail::CharacterTime) : Duration::zero();
}

void SimulatedDevice::Impl::queueReply(const std::string &text)
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

void SimulatedDevice::Impl::fireTimers(TimePoint now)
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

std::optional<SimulatedDevice::Impl::TimePoint> SimulatedDevice::Impl::nextDeadline() const
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

std::size_t SimulatedDevice::Impl::charactersIn(TimePoint now)
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

void SimulatedDevice::Impl::readLine(TimePoint now)
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

std::size_t SimulatedDevice::Impl::hangUpAt(const std::string &batch)
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

void SimulatedDevice::Impl::dropLine()
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

void SimulatedDevice::Impl::deliver(std::vector<std::string> lines)
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

void SimulatedDevice::Impl::run()
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

} // namespace zsim
