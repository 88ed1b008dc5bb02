// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/transmitter.h"

#include "sim/simdevice.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <utility>

namespace zsim::detail {

Duration milliseconds(double ms)
{
    return std::chrono::duration_cast<Duration>(
        std::chrono::duration<double, std::milli>(std::max(ms, 0.0)));
}

Duration characterTime(int baud)
{
    return std::chrono::duration_cast<Duration>(
        std::chrono::duration<double>(double(BitsPerCharacter) / std::max(baud, 1)));
}

void appendRecent(std::string &kept, const std::string &more, std::size_t limit)
{
    kept += more;
    if (kept.size() >= 2 * limit)
        kept.erase(0, kept.size() - limit);
}

void Transmitter::send(std::string bytes, const Shape &shape, bool hold)
{
    if (bytes.empty())
        return;
    Item item;
    item.bytes = std::move(bytes);
    item.shape = shape;
    if (item.shape.splitAt >= item.bytes.size())
        item.shape.splitAt = 0;
    item.notBefore = Clock::now() + shape.delay;
    (hold ? m_held : m_queue).push_back(std::move(item));
}

void Transmitter::releaseHeld()
{
    for (Item &item : m_held) {
        item.notBefore = Clock::now() + item.shape.delay;
        m_queue.push_back(std::move(item));
    }
    m_held.clear();
}

// Paced characters keep absolute deadlines, so a late wake-up sends the
// overdue ones together instead of falling behind the line speed.
bool Transmitter::pump(int fd, TimePoint now)
{
    while (!m_queue.empty() && !m_full) {
        Item &item = m_queue.front();
        const Shape &shape = item.shape;
        if (!item.started) {
            item.nextAt = std::max(item.notBefore, m_lineFreeAt);
            item.started = true;
        }
        if (item.nextAt > now)
            return true;
        const std::size_t end = shape.splitAt > item.sent ? shape.splitAt : item.bytes.size();
        std::size_t count = end - item.sent;
        if (shape.oneByOne)
            count = 1;
        else if (shape.gap > Duration::zero())
            count = std::min<std::size_t>(count, 1 + (now - item.nextAt) / shape.gap);
        const ssize_t written = ::write(fd, item.bytes.data() + item.sent, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return false;
        if (written > 0) {
            appendRecent(m_sent, item.bytes.substr(item.sent, std::size_t(written)), KeptBytes);
            item.sent += std::size_t(written);
            item.nextAt += shape.gap * written;
            if (shape.oneByOne)
                item.nextAt = std::max(item.nextAt, now + SingleCharacterGap);
        }
        if (written < 0 || std::size_t(written) < count) {
            m_full = true; // the panel is not reading; the rest waits for room
            return true;
        }
        if (item.sent == item.bytes.size()) {
            m_lineFreeAt = item.nextAt;
            m_queue.pop_front();
        } else if (shape.splitAt > 0 && item.sent == shape.splitAt) {
            item.nextAt = std::max(item.nextAt, now + shape.splitPause);
            item.shape.splitAt = 0;
        }
    }
    return true;
}

std::optional<TimePoint> Transmitter::nextDue() const
{
    if (m_queue.empty() || m_full)
        return std::nullopt;
    const Item &item = m_queue.front();
    return item.started ? item.nextAt : std::max(item.notBefore, m_lineFreeAt);
}

void Transmitter::clear()
{
    m_queue.clear();
    m_held.clear();
    m_lineFreeAt = TimePoint{};
    m_full = false;
}

std::string Transmitter::noise(std::size_t count)
{
    static const char punctuation[] = "!\"#$%&'()*+,-./:;<=>?[\\]^_`{|}~";
    constexpr int PunctuationCount = sizeof punctuation - 1;
    std::uniform_int_distribution<int> pick(0, PunctuationCount + 128 - 1);
    std::string bytes(count, '\0');
    for (char &c : bytes) {
        const int v = pick(m_noise);
        c = v < PunctuationCount ? punctuation[v] : static_cast<char>(0x80 + v - PunctuationCount);
    }
    return bytes;
}

} // namespace zsim::detail
