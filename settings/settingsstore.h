// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the device's settings live on this side of the line: the eight
// memory locations (length, space and tone string, all kept as text, and a
// mark that says "write this one on the next save") and the firmware version.
// The settings panel keeps them in its fields; a program without a window
// keeps them in memory.
//
// SettingsTransfer reads every value the moment it uses it and writes every
// value the moment it has it, so a store that the user edits during the
// transfer's waits sees the same order of reads and writes as the fields do.

#include <QString>

class SettingsStore
{
public:
    enum class Field { Length, Space, Tones };

    virtual ~SettingsStore() = default;

    // The text of one field of location 0 to 7.
    virtual QString text(int location, Field field) const = 0;
    virtual void setText(int location, Field field, const QString &text) = 0;
    // Whether the location is marked for the next save.
    virtual bool isMarked(int location) const = 0;
    virtual void setMarked(int location, bool marked) = 0;
    // The device's whole answer to the firmware query, as it arrived.
    virtual void firmwareRead(const QString &reply) = 0;
    // Empties the three fields of every location and the firmware version,
    // before the device is read again.
    virtual void clear() = 0;
};
