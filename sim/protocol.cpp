// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/protocol.h"

#include <algorithm>
#include <utility>

namespace zsim::detail {

namespace {

constexpr std::size_t MaxStoredTones = 20;
constexpr long NumberCeiling = 999999999; // longer numbers saturate instead of overflowing

bool isLocationDigit(char c)
{
    return c >= '0' && c <= '7';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void addDigit(long &number, char c)
{
    number = std::min(number * 10 + (c - '0'), NumberCeiling);
}

std::string orNone(const std::string &tones)
{
    return tones.empty() ? std::string("(none)") : tones;
}

} // namespace

bool isToneSymbol(char c)
{
    return isDigit(c) || c == '*' || c == '#' || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd');
}

std::string viewText(int location, const Location &content)
{
    std::string text = "\r\nLocation " + std::to_string(location) +
                       "\r\nLength = " + std::to_string(content.length) +
                       " ms\r\nSpace = " + std::to_string(content.space) +
                       "ms\r\nString = " + content.tones;
    // The last location's view has no closing line; the panel cuts by position.
    if (location < 7)
        text += "\r\nView ended\r\n";
    return text;
}

Protocol::Protocol(Host &host, Memory &memory, std::string firmware)
    : m_host(host), m_memory(memory), m_firmware(std::move(firmware))
{}

void Protocol::reset()
{
    m_state = State::Idle;
}

void Protocol::feed(const std::string &batch)
{
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (m_state != State::Idle) {
            if (continueCommand(batch[i]))
                continue;
            // An unexpected byte ends the command in progress and is read as
            // the start of a new one, so the device never stays stuck.
            m_host.note(std::string("abandoned ") + commandLetter());
            m_state = State::Idle;
        }
        i += startCommand(batch, i);
    }
}

std::size_t Protocol::startCommand(const std::string &batch, std::size_t index)
{
    const char c = batch[index];
    switch (c) {
    case '@':
        m_host.reply("Connect", "\r\n");
        return 0;
    case 'R':
        m_host.reply("", m_firmware);
        return 0;
    case 'V':
        m_host.reply("VM", "\r\n");
        m_state = State::ViewDigit;
        return 0;
    case 'S':
        m_host.reply("SS", "\r\n");
        m_state = State::StoreDigit;
        return 0;
    case 'M':
        m_host.reply("MP", "\r\n");
        m_state = State::PlayDigit;
        return 0;
    case 'I':
        m_host.reply("SM", "\r\n");
        m_state = State::TimedLine;
        m_field = 0;
        m_numbers[0] = 0;
        return 0;
    case 'F':
        m_host.reply("MM", "\r\n");
        m_state = State::ListLine;
        m_field = 0;
        m_listText.clear();
        m_list.clear();
        m_listCount = 0;
        return 0;
    case '$':
        m_state = State::KeypadSymbol;
        return 0;
    case '^':
        m_state = State::ResetDigit;
        return 0;
    case '%':
        if (index + 1 < batch.size() && isToneSymbol(batch[index + 1])) {
            m_host.endTimedTone();
            m_host.note(std::string("held tone ") + batch[index + 1] + " start");
            m_host.holdTone(batch[index + 1]);
            return 1;
        }
        m_host.endTimedTone();
        m_host.note("held tone stop");
        m_host.stopSound();
        return 0;
    case '\n':
        // A line end while a timed tone sounds is the panel's abort.
        if (m_host.endTimedTone()) {
            m_host.note("timed tone aborted");
            m_host.stopSound();
        }
        return 0;
    default:
        if (isToneSymbol(c)) {
            m_host.endTimedTone();
            m_host.note(std::string("bare tone ") + c);
            m_host.sound({Tone{c, ShortToneMs, 0}});
        }
        return 0; // everything else is ignored
    }
}

bool Protocol::continueCommand(char c)
{
    switch (m_state) {
    case State::Idle:
        return false;
    case State::ViewDigit:
        if (!isLocationDigit(c))
            return false;
        m_host.note(std::string("view location ") + c);
        m_host.reply("", viewText(c - '0', m_memory[c - '0']));
        m_state = State::Idle;
        return true;
    case State::StoreDigit:
        if (!isLocationDigit(c))
            return false;
        m_location = c - '0';
        m_state = State::StoreLineEnd;
        return true;
    case State::StoreLineEnd:
        if (c == '\r')
            return true;
        if (c != '\n')
            return false;
        m_state = State::StoreTiming;
        m_field = 0;
        m_numbers[0] = m_numbers[1] = 0;
        return true;
    case State::StoreTiming:
        if (isDigit(c)) {
            addDigit(m_numbers[m_field], c);
        } else if (c == ',' && m_field == 0) {
            m_field = 1;
        } else if (c == '\n') {
            m_state = State::StoreTones;
            m_tones.clear();
        } else if (c != '\r') {
            return false;
        }
        return true;
    case State::StoreTones:
        // Every character but the end mark is stored, up to twenty of them.
        if (c != '.')
            m_tones += c;
        if (c == '.' || m_tones.size() == MaxStoredTones)
            finishStore();
        return true;
    case State::PlayDigit: {
        if (!isLocationDigit(c))
            return false;
        const Location &location = m_memory[c - '0'];
        m_host.endTimedTone();
        m_host.note(std::string("play location ") + c + ": " + orNone(location.tones));
        m_host.memoryPlay(static_cast<double>(location.tones.size()) *
                          (static_cast<double>(location.length) + location.space));
        std::vector<Tone> tones;
        for (char tone : location.tones)
            tones.push_back(Tone{tone, double(location.length), double(location.space)});
        m_host.sound(tones);
        m_state = State::Idle;
        return true;
    }
    case State::TimedLine:
        return timedLine(c);
    case State::ListLine:
        return listLine(c);
    case State::KeypadSymbol:
        if (!isToneSymbol(c))
            return false;
        m_host.endTimedTone();
        m_host.note(std::string("keypad tone ") + c);
        m_host.sound({Tone{c, ShortToneMs, 0}});
        m_state = State::Idle;
        return true;
    case State::ResetDigit:
        if (c != '0')
            return false;
        m_memory = factoryDefaults();
        m_host.note("factory reset");
        m_state = State::Idle;
        return true;
    }
    return false;
}

// "<symbol>,<ms>\r"
bool Protocol::timedLine(char c)
{
    if (m_field == 0 && isToneSymbol(c)) {
        m_symbol = c;
        m_field = 1;
    } else if (m_field == 1 && c == ',') {
        m_field = 2;
    } else if (m_field == 2 && isDigit(c)) {
        addDigit(m_numbers[0], c);
    } else if (m_field == 2 && c == '\r') {
        m_host.endTimedTone();
        m_host.note(std::string("timed tone ") + m_symbol + " " + std::to_string(m_numbers[0]) +
                    " ms");
        m_host.timedTone(static_cast<double>(m_numbers[0]));
        m_host.sound({Tone{m_symbol, double(m_numbers[0]), 0}});
        m_state = State::Idle;
    } else {
        return false;
    }
    return true;
}

// Lines "<symbol>,<ms>,<space>\r\n" until an empty line.
bool Protocol::listLine(char c)
{
    switch (m_field) {
    case 0: // start of a line
        if (isToneSymbol(c)) {
            m_symbol = c;
            m_numbers[0] = m_numbers[1] = 0;
            m_field = 1;
        } else if (c == '\r') {
            m_field = 5;
        } else if (c == '\n') {
            finishList();
        } else {
            return false;
        }
        return true;
    case 1:
        if (c != ',')
            return false;
        m_field = 2;
        return true;
    case 2:
    case 3:
        if (isDigit(c)) {
            addDigit(m_numbers[m_field - 2], c);
        } else if (c == ',' && m_field == 2) {
            m_field = 3;
        } else if (c == '\r' && m_field == 3) {
            m_field = 4;
        } else if (c == '\n' && m_field == 3) {
            addListLine();
        } else {
            return false;
        }
        return true;
    case 4:
        if (c != '\n')
            return false;
        addListLine();
        return true;
    case 5:
        if (c != '\n')
            return false;
        finishList();
        return true;
    default:
        return false;
    }
}

void Protocol::addListLine()
{
    m_listText += std::string(m_listCount == 0 ? "" : ", ") + m_symbol + " " +
                  std::to_string(m_numbers[0]) + "/" + std::to_string(m_numbers[1]);
    m_list.push_back(Tone{m_symbol, double(m_numbers[0]), double(m_numbers[1])});
    ++m_listCount;
    m_field = 0;
}

void Protocol::finishStore()
{
    Location &location = m_memory[static_cast<std::size_t>(m_location)];
    location.tones = m_tones;
    location.length = static_cast<int>(m_numbers[0]);
    location.space = static_cast<int>(m_numbers[1]);
    m_host.note("stored location " + std::to_string(m_location) + ": " + orNone(m_tones) + " " +
                std::to_string(location.length) + "/" + std::to_string(location.space));
    m_state = State::Idle;
}

void Protocol::finishList()
{
    m_host.endTimedTone();
    m_host.note("tone list: " + (m_listCount == 0 ? std::string("(empty)") : m_listText));
    m_host.sound(m_list);
    m_state = State::Idle;
}

char Protocol::commandLetter() const
{
    switch (m_state) {
    case State::ViewDigit:
        return 'V';
    case State::StoreDigit:
    case State::StoreLineEnd:
    case State::StoreTiming:
    case State::StoreTones:
        return 'S';
    case State::PlayDigit:
        return 'M';
    case State::TimedLine:
        return 'I';
    case State::ListLine:
        return 'F';
    case State::KeypadSymbol:
        return '$';
    case State::ResetDigit:
        return '^';
    case State::Idle:
        break;
    }
    return '?';
}

} // namespace zsim::detail
