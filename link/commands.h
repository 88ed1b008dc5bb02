// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Zelvor's command set: every text the panel writes, every word it looks
// for in a reply, and the number of ticks each caller waits after a write.
// Handlers use these names only; no command text is written anywhere else.

#include <QString>

namespace zcmd {

// A command the device answers: the text written, the ticks waited before
// the reply is read, and the word the reply must hold for the transfer to go
// on (none where the reply itself is what the caller wants).
// DeviceLink::exchange carries one out.
struct Command
{
    QString text;
    int ticks = 0;
    QString marker;
};

// The location number as the device reads it: one digit "0" to "7".
inline QString locationDigit(int location)
{
    return QString(QChar(u'0' + location));
}

// The fixed line settings of the device.
inline const QString PortSettings = QStringLiteral("9600,N,8,1");

// A line end as the device expects it after data lines.
inline const QString LineBreak = QStringLiteral("\r\n");

// Probe: the device answers with a text holding "Connect".
inline const Command Probe{QStringLiteral("@"), 15, QStringLiteral("Connect")};

// Discarding input: ClearBuffer waits this long for late characters.
constexpr int ClearTicks = 10;

// Firmware version: the whole reply is the version text.
inline const Command FirmwareQuery{QStringLiteral("R"), 10, {}};

// Viewing a location: "V", marker, then the location digit, whose reply
// holds the location's values.
inline const Command ViewLocation{QStringLiteral("V"), 15, QStringLiteral("VM")};
constexpr int ViewDigitTicks = 30;
inline Command viewDigit(int location)
{
    return {locationDigit(location), ViewDigitTicks, {}};
}
// Words of the location view that the reading cuts at.
inline const QString ViewLength = QStringLiteral("Length = ");
inline const QString ViewSpace = QStringLiteral("Space = ");
inline const QString ViewString = QStringLiteral("String = ");

// Storing a location: "S", marker, digit + line break, "length,space" + line
// break, the tones one character per write, and the end mark for short strings.
inline const Command Store{QStringLiteral("S"), 10, QStringLiteral("SS")};
constexpr int StorePartTicks = 10;
inline const QString StoreSeparator = QStringLiteral(",");
inline const QString StoreEndMark = QStringLiteral(".");
constexpr int MaxTones = 20;
constexpr int MinMilliseconds = 20;
constexpr int MaxStoredMilliseconds = 65534;

// Memory play: "M", marker, digit + line break, then "Ready" when played.
inline const Command MemoryPlay{QStringLiteral("M"), 20, QStringLiteral("MP")};
inline const QString ReadyMarker = QStringLiteral("Ready");
constexpr int ReadyPollTicks = 5;

// Timed tone: "I", marker, then symbol + "," + duration + "\r".
inline const Command TimedTone{QStringLiteral("I"), 20, QStringLiteral("SM")};
inline const QString TimedToneSeparator = QStringLiteral(",");
inline const QString TimedToneEnd = QStringLiteral("\r");
constexpr int MaxTimedMilliseconds = 65535;

// Aborting a timed tone: line break, wait, tone stop, wait.
constexpr int AbortBreakTicks = 100;
constexpr int AbortStopTicks = 50;

// Tone list: "F", marker, one line per tone, an empty line to end the list.
inline const Command ToneList{QStringLiteral("F"), 10, QStringLiteral("MM")};
// A tone line is symbol, duration and space joined by this, then a line break.
inline const QString ToneListSeparator = QStringLiteral(",");
constexpr int ToneListLineTicks = 15;
constexpr int ToneListEndTicks = 10;
constexpr int ToneListRows = 20;

// Live tones: left click, held tone (right button and keyboard), stop.
inline const QString KeypadTone = QStringLiteral("$");
inline const QString HeldTone = QStringLiteral("%");
inline const QString ToneStop = QStringLiteral("%");

// Factory defaults.
inline const QString FactoryReset = QStringLiteral("^0");
constexpr int FactoryResetTicks = 250;

constexpr int LocationCount = 8;

// zelvor-cli's dial: the wait after each keypad tone, so that each one
// sounds before the next replaces it.
constexpr int DialGapTicks = 15;

} // namespace zcmd
