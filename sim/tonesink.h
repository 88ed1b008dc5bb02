// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the simulated device plays, as the sound side hears it. The device
// calls these on its own thread while it holds its lock, so an implementation
// only records the request and returns at once.

#include <vector>

namespace zsim {

// One tone followed by its space of silence. A symbol that is no DTMF
// symbol sounds as silence for its length.
struct Tone
{
    char symbol = 0;
    double ms = 0;
    double spaceMs = 0;
};

class ToneSink
{
public:
    virtual ~ToneSink() = default;
    // Replaces whatever sounds now by these tones, one after the other.
    virtual void play(const std::vector<Tone> &tones) = 0;
    // Replaces whatever sounds now by `symbol`, held until stop() or the next request.
    virtual void hold(char symbol) = 0;
    // Ends whatever sounds, at once (with only the short fade that avoids a click).
    virtual void stop() = 0;
};

} // namespace zsim
