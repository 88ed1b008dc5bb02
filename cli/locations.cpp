// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/locations.h"

#include "core/errors.h"
#include "files/configformat.h"
#include "link/commands.h"
#include "play/keyrules.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <utility>

namespace {

// One to five decimal digits, at most 65535: what a millisecond field holds.
bool isMilliseconds(const QString &text)
{
    return !text.isEmpty() && text.size() <= 5 &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); }) &&
           text.toInt() <= zcmd::MaxTimedMilliseconds;
}

// Why a location line cannot be sent as it stands; empty when it can.
QString locationProblem(const LocationTexts &location)
{
    if (location.tones.size() > zcmd::MaxTones ||
        !std::all_of(location.tones.cbegin(), location.tones.cend(), keyrules::isToneSymbol))
        return QStringLiteral("the tones must be up to 20 of 0-9, A-D, * and #");
    if (!isMilliseconds(location.length) || !isMilliseconds(location.space))
        return QStringLiteral("length and space must be whole numbers of milliseconds");
    return {};
}

// Why a tone list row could not stand in the Multi Play grid; empty when it can.
QString rowProblem(const ToneRow &row)
{
    if (row.tone.size() > 1 || (row.tone.size() == 1 && !keyrules::isToneSymbol(row.tone[0])))
        return QStringLiteral("the tone must be one of 0-9, A-D, * and #");
    if ((!row.duration.isEmpty() && !isMilliseconds(row.duration)) ||
        (!row.space.isEmpty() && !isMilliseconds(row.space)))
        return QStringLiteral("duration and space must be whole numbers of milliseconds");
    return {};
}

} // namespace

QString SettingsMemory::text(int location, Field field) const
{
    const LocationTexts &texts = m_locations.at(location);
    return field == Field::Length  ? texts.length
           : field == Field::Space ? texts.space
                                   : texts.tones;
}

void SettingsMemory::setText(int location, Field field, const QString &text)
{
    LocationTexts &texts = m_locations.at(location);
    (field == Field::Length  ? texts.length
     : field == Field::Space ? texts.space
                             : texts.tones) = text;
}

void SettingsMemory::clear()
{
    m_cleared = std::exchange(m_locations, {});
    m_firmware.clear();
}

std::optional<ConfigFile> readConfigFile(const QString &name, const std::vector<int> &sent,
                                         QString *error)
{
    QFile file(name);
    QStringList fields;
    try {
        if (!file.open(QIODevice::ReadOnly))
            throw FileError(0, file.errorString());
        fields = configfile::decode(file);
    } catch (const FileError &failure) {
        *error = name + QStringLiteral(": ") + failure.description();
        return std::nullopt;
    }
    ConfigFile config;
    for (int line = 0; line < 28; ++line) {
        const QString a = fields[3 * line], b = fields[3 * line + 1], c = fields[3 * line + 2];
        QString problem;
        if (line < zcmd::LocationCount) {
            config.locations[line] = {a, b, c};
            problem = locationProblem(config.locations[line]);
        } else {
            config.toneList[line - zcmd::LocationCount] = {a, b, c};
            problem = rowProblem(config.toneList[line - zcmd::LocationCount]);
        }
        if (!problem.isEmpty() && std::find(sent.begin(), sent.end(), line) != sent.end()) {
            *error = QStringLiteral("%1: line %2: %3").arg(name).arg(line + 1).arg(problem);
            return std::nullopt;
        }
    }
    return config;
}

QString settingsTable(const SettingsMemory &settings)
{
    QString table = QStringLiteral("Firmware: ") + settings.firmware().trimmed() +
                    QStringLiteral("\nLocation  Length  Space  Tones\n");
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        const LocationTexts &l = settings.location(i);
        table += QStringLiteral("%1  %2  %3  %4\n")
                     .arg(i, -8)
                     .arg(l.length, -6)
                     .arg(l.space, -5)
                     .arg(l.tones);
    }
    return table;
}

std::optional<QByteArray> settingsFile(const SettingsMemory &settings)
{
    QStringList fields;
    for (int i = 0; i < zcmd::LocationCount; ++i)
        fields << settings.location(i).tones << settings.location(i).length
               << settings.location(i).space;
    while (fields.size() < configfile::FieldCount)
        fields << QString();
    if (configfile::firstUnwritableField(fields))
        return std::nullopt;
    return configfile::encode(fields);
}

QByteArray settingsJson(const SettingsMemory &settings)
{
    const auto value = [](const QString &text) {
        bool plain = !text.isEmpty() && text.size() <= 9 &&
                     std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
        return plain ? QJsonValue(text.toInt()) : QJsonValue(text);
    };
    QJsonArray locations;
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        const LocationTexts &l = settings.location(i);
        locations.append(QJsonObject{{QStringLiteral("location"), i},
                                     {QStringLiteral("tones"), l.tones},
                                     {QStringLiteral("length"), value(l.length)},
                                     {QStringLiteral("space"), value(l.space)}});
    }
    const QJsonObject root{{QStringLiteral("firmware"), settings.firmware()},
                           {QStringLiteral("locations"), locations}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
