// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tonetrack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zsim {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr std::int64_t Forever = std::numeric_limits<std::int64_t>::max();

// Level of a fade `x` samples from its silent end, over `ramp` samples.
double fade(std::int64_t x, std::int64_t ramp)
{
    if (x >= ramp)
        return 1.0;
    return 0.5 - 0.5 * std::cos(Pi * double(x) / double(ramp));
}

} // namespace

bool dtmfFrequencies(char symbol, double *low, double *high)
{
    static const char Keys[] = "123A456B789C*0#D";
    static const double Rows[] = {697, 770, 852, 941};
    static const double Columns[] = {1209, 1336, 1477, 1633};
    if (symbol >= 'a' && symbol <= 'd')
        symbol = char(symbol - 'a' + 'A');
    const char *key = symbol != 0 ? std::strchr(Keys, symbol) : nullptr;
    if (key == nullptr)
        return false;
    const auto index = key - Keys;
    *low = Rows[index / 4];
    *high = Columns[index % 4];
    return true;
}

ToneTrack::ToneTrack(int sampleRate)
    : m_rate(sampleRate),
      m_ramp(std::max<std::int64_t>(1, std::llround(RampMs * sampleRate / 1000)))
{}

std::int64_t ToneTrack::samples(double ms) const
{
    // Beyond a year a length is as good as endless.
    return std::llround(std::clamp(ms, 0.0, 3.2e10) * m_rate / 1000.0);
}

void ToneTrack::cut()
{
    if (!m_queue.empty()) {
        Segment &front = m_queue.front();
        // A fade from the level reached so far: as long as the fade-in behind it.
        if (front.low > 0 && front.done < front.length)
            front.length = front.done + std::min({front.done, m_ramp, front.length - front.done});
        else
            front.length = front.done;
        m_queue.resize(1);
    }
}

void ToneTrack::play(const std::vector<Tone> &tones)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    cut();
    for (const Tone &tone : tones) {
        Segment segment;
        if (!dtmfFrequencies(tone.symbol, &segment.low, &segment.high))
            segment.low = segment.high = 0;
        segment.length = samples(tone.ms);
        m_queue.push_back(segment);
        m_queue.push_back(Segment{0, 0, samples(tone.spaceMs), 0});
    }
}

void ToneTrack::hold(char symbol)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    cut();
    Segment segment;
    if (dtmfFrequencies(symbol, &segment.low, &segment.high)) {
        segment.length = Forever;
        m_queue.push_back(segment);
    }
}

void ToneTrack::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    cut();
}

bool ToneTrack::busy() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_queue.begin(), m_queue.end(),
                       [](const Segment &s) { return s.done < s.length; });
}

double ToneTrack::sample(const Segment &segment) const
{
    if (segment.low <= 0)
        return 0.0;
    const double t = double(segment.done) / m_rate;
    const double gain =
        std::min(fade(segment.done, m_ramp),
                 segment.length == Forever ? 1.0 : fade(segment.length - segment.done, m_ramp));
    return gain * Level *
           (std::sin(2 * Pi * segment.low * t) + std::sin(2 * Pi * segment.high * t));
}

void ToneTrack::render(std::int16_t *out, std::size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = 0; i < count; ++i) {
        while (!m_queue.empty() && m_queue.front().done >= m_queue.front().length)
            m_queue.pop_front();
        if (m_queue.empty()) {
            std::fill(out + i, out + count, std::int16_t(0));
            return;
        }
        Segment &segment = m_queue.front();
        out[i] = std::int16_t(std::lround(sample(segment)));
        ++segment.done;
    }
}

} // namespace zsim
