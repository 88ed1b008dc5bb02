// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The device's settings as zelvor-cli holds them, and their ways out and in:
// a table, the configuration file and JSON; a configuration file read and
// checked before anything is sent.

#include "settings/settingsstore.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// One memory location as texts, exactly as the device sent them or the file holds them.
struct LocationTexts
{
    QString tones;
    QString length;
    QString space;

    bool operator==(const LocationTexts &other) const
    {
        return tones == other.tones && length == other.length && space == other.space;
    }
};

// The device's settings in memory, as SettingsTransfer reads and saves them.
class SettingsMemory : public SettingsStore
{
public:
    QString text(int location, Field field) const override;
    void setText(int location, Field field, const QString &text) override;
    bool isMarked(int location) const override { return m_marked.at(location); }
    void setMarked(int location, bool marked) override { m_marked.at(location) = marked; }
    void firmwareRead(const QString &reply) override { m_firmware += reply; }
    // Keeps what the store held as cleared(), then empties it.
    void clear() override;

    // The device's whole answer to the firmware query.
    const QString &firmware() const { return m_firmware; }
    const LocationTexts &location(int location) const { return m_locations.at(location); }
    void setLocation(int location, const LocationTexts &texts) { m_locations.at(location) = texts; }
    // A location as it stood before the last clear(): after a save and the
    // update that follows it, the values the save wrote.
    const LocationTexts &cleared(int location) const { return m_cleared.at(location); }

private:
    std::array<LocationTexts, 8> m_locations;
    std::array<LocationTexts, 8> m_cleared;
    std::array<bool, 8> m_marked{};
    QString m_firmware;
};

// One row of a tone list: tone, duration and space, as texts.
struct ToneRow
{
    QString tone;
    QString duration;
    QString space;
};

// The contents of a configuration file: its eight locations and its tone list.
struct ConfigFile
{
    std::array<LocationTexts, 8> locations;
    std::array<ToneRow, 20> toneList;
};

// Reads the file `name` and checks the lines that are to be sent (0 to 7:
// locations 0 to 7, 8 to 27: the tone list). On failure returns nullopt and
// sets *error to one line naming the file and, where one is to blame, its
// line: a file that cannot be read or is short, a location whose tones are
// not 0 to 20 tone symbols or whose length or space is not a whole number,
// a tone list row that the Multi Play grid could not hold. A character the
// device would take as a command (such as "." or "M") never passes.
std::optional<ConfigFile> readConfigFile(const QString &name, const std::vector<int> &sent,
                                         QString *error);

// The settings as a table for people.
QString settingsTable(const SettingsMemory &settings);
// The settings as the panel's configuration file (its tone list empty), or
// nullopt when a location holds a text the file cannot hold.
std::optional<QByteArray> settingsFile(const SettingsMemory &settings);
// The settings as JSON: {"firmware": ..., "locations": [{"location": 0,
// "tones": ..., "length": ..., "space": ...}, ...]}; length and space are
// numbers when the device sent plain numbers, its texts otherwise.
QByteArray settingsJson(const SettingsMemory &settings);
