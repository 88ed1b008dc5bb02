// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The device's settings as zelvor-cli holds them, and their ways out and in:
// a table, the configuration file and JSON; a configuration file read and
// checked before anything is sent.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

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

struct DeviceSettings
{
    QString firmware; // the device's whole answer to the firmware query
    std::array<LocationTexts, 8> locations;
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

// Reads and checks the file `name`. On failure returns nullopt and sets
// *error to one line naming the file and, where one is to blame, its line:
// a file that cannot be read or is short, a location whose tones are not 0
// to 20 tone symbols or whose length or space is not a whole number, a tone
// list row that the Multi Play grid could not hold.
std::optional<ConfigFile> readConfigFile(const QString &name, QString *error);

// The settings as a table for people.
QString settingsTable(const DeviceSettings &settings);
// The settings as the panel's configuration file (its tone list empty), or
// nullopt when a location holds a text the file cannot hold.
std::optional<QByteArray> settingsFile(const DeviceSettings &settings);
// The settings as JSON: {"firmware": ..., "locations": [{"location": 0,
// "tones": ..., "length": ..., "space": ...}, ...]}; length and space are
// numbers when the device sent plain numbers, its texts otherwise.
QByteArray settingsJson(const DeviceSettings &settings);
