// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command interpreter of the simulated Zelvor: turns the bytes the panel
// writes into replies, memory changes and tone events. It knows nothing about
// the line, timing or faults; the device (its Host) decides how and when
// replies go out and how long tones sound.

#include "sim/simdevice.h"
#include "sim/tonesink.h"

#include <string>
#include <vector>

namespace zsim::detail {

// Tone symbols the generator knows: 0-9 * # A-D a-d.
bool isToneSymbol(char c);

// The length of the short tone of "$" and of a bare symbol.
constexpr double ShortToneMs = 100;

// The location view the device sends after "V" and a digit.
std::string viewText(int location, const Location &content);

class Protocol
{
public:
    class Host
    {
    public:
        virtual ~Host() = default;
        // One reply: `marker` is the acknowledgement word (may be empty and is
        // the part the marker faults act on), `text` follows it.
        virtual void reply(const std::string &marker, const std::string &text) = 0;
        // A line for the device's log.
        virtual void note(const std::string &line) = 0;
        // A memory play of `ms` milliseconds has started; "Ready" is owed at its end.
        virtual void memoryPlay(double ms) = 0;
        // A timed tone of `ms` milliseconds has started.
        virtual void timedTone(double ms) = 0;
        // Silences a sounding timed tone; true when one was sounding.
        virtual bool endTimedTone() = 0;
        // What the device sounds, in its own unscaled milliseconds: tones one
        // after the other, a tone held until the stop, the stop itself.
        virtual void sound(const std::vector<Tone> &tones) = 0;
        virtual void holdTone(char symbol) = 0;
        virtual void stopSound() = 0;
    };

    // `memory` is the device's memory; the interpreter reads and writes it
    // while feed() runs, so the caller holds whatever lock guards it.
    Protocol(Host &host, Memory &memory, std::string firmware);

    // Interprets one batch of bytes, as one read from the line delivered them.
    // A "%" counts as a held tone start only when its symbol is in the same batch.
    void feed(const std::string &batch);

    // Forgets any half-received command (the line dropped).
    void reset();

private:
    enum class State {
        Idle,
        ViewDigit,
        StoreDigit,
        StoreLineEnd,
        StoreTiming,
        StoreTones,
        PlayDigit,
        TimedLine,
        ListLine,
        KeypadSymbol,
        ResetDigit,
    };

    // Continues the command in progress with `c`; false when `c` does not fit it.
    bool continueCommand(char c);
    // Starts a command at batch[index]; returns how many further bytes it took.
    std::size_t startCommand(const std::string &batch, std::size_t index);
    bool timedLine(char c);
    bool listLine(char c);
    void addListLine();
    void finishStore();
    void finishList();
    char commandLetter() const;

    Host &m_host;
    Memory &m_memory;
    std::string m_firmware;
    State m_state = State::Idle;

    // Fields of the command in progress.
    int m_location = 0;
    int m_field = 0;          // which part of the current line comes next
    long m_numbers[2] = {};   // the numbers of the current line
    char m_symbol = 0;        // the tone symbol of the current line
    std::string m_tones;      // tones of a store
    std::string m_listText;   // tones of a list, as the log shows them
    std::vector<Tone> m_list; // tones of a list, as the device plays them
    int m_listCount = 0;
};

} // namespace zsim::detail
