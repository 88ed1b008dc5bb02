// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DTMF signal of what the simulated device plays, produced sample by
// sample. A request takes effect at the first sample not yet rendered, and
// every length is a count of samples, so what a file holds is exact however
// late the rendering thread runs. Thread-safe: the device requests, the
// rendering thread renders.

#include "sim/tonesink.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace zsim {

// The two frequencies of a DTMF symbol (0-9 * # A-D, a-d as A-D); false for
// any other character.
bool dtmfFrequencies(char symbol, double *low, double *high);

class ToneTrack : public ToneSink
{
public:
    // Fade in and out of every tone, so its edges do not click.
    static constexpr double RampMs = 3;
    // Peak of each of the two sine waves; their sum stays clear of clipping.
    static constexpr double Level = 0.35 * 32767;

    explicit ToneTrack(int sampleRate);

    void play(const std::vector<Tone> &tones) override;
    void hold(char symbol) override;
    void stop() override;

    // Writes the next `count` samples of the signal into `out`.
    void render(std::int16_t *out, std::size_t count);

    // True while a tone or a space is still to come.
    bool busy() const;

    int sampleRate() const { return m_rate; }

private:
    struct Segment
    {
        double low = 0; // 0 for silence
        double high = 0;
        std::int64_t length = 0; // samples
        std::int64_t done = 0;
    };

    std::int64_t samples(double ms) const;
    // Ends the sounding segment with a fade from its present level and drops the rest.
    void cut();
    double sample(const Segment &segment) const;

    const int m_rate;
    const std::int64_t m_ramp;
    mutable std::mutex m_mutex;
    std::deque<Segment> m_queue; // the front one sounds
};

} // namespace zsim
