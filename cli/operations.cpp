// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/operations.h"

#include "core/errors.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "link/portmap.h"
#include "settings/locationreply.h"

#include <algorithm>

namespace cliops {

namespace {

constexpr int FoundTicks = 30;
constexpr int UpdateTicks = 100;

void closeQuietly(DeviceLink &link)
{
    resumeNext([&] {
        if (link.port().portOpen())
            link.port().setPortOpen(false);
    });
}

// Brings a millisecond text into the range the device stores.
QString storable(const QString &text)
{
    const double value = numericValue(text);
    if (value < zcmd::MinMilliseconds)
        return QString::number(zcmd::MinMilliseconds);
    if (value > zcmd::MaxStoredMilliseconds)
        return QString::number(zcmd::MaxStoredMilliseconds);
    return text;
}

} // namespace

int searchPorts(DeviceLink &link, const Status &status)
{
    // A failing step closes the port and the search carries on.
    const auto recover = [&](auto &&step) {
        try {
            step();
        } catch (const OperationError &) {
            closeQuietly(link);
        }
    };
    link.Connect();
    if (link.Present == 0)
        closeQuietly(link);
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        closeQuietly(link);
        status(QStringLiteral("Trying COM Port # %1").arg(n));
        recover([&] { link.openPort(n); });
        recover([&] { link.Connect(); });
        if (link.Present > 0)
            return n;
        closeQuietly(link);
    }
    return 0;
}

int openOnePort(DeviceLink &link, int port)
{
    try {
        link.openPort(port);
    } catch (const OperationError &) {
        closeQuietly(link);
        return 0;
    }
    link.Connect();
    return link.Present > 0 ? port : 0;
}

void readSettings(DeviceLink &link, DeviceSettings &settings, const Status &status)
{
    link.Pause(FoundTicks);
    resumeNext([&] { link.port().output(zcmd::LineBreak); });
    link.ClearBuffer();
    link.Connect();
    if (link.Present > 0) {
        link.port().setInBufferCount(0);
        link.exchange(zcmd::FirmwareQuery, OnFailure::PassOn);
        settings.firmware = link.RtnString;
    }
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        link.ClearBuffer();
        link.Connect();
        link.ClearBuffer();
        if (link.Present > 0) {
            const bool viewing = link.exchange(zcmd::ViewLocation, OnFailure::PassOn);
            status(QStringLiteral("Reading location %1 of 8").arg(i + 1));
            if (viewing)
                link.exchange(zcmd::viewDigit(i), OnFailure::PassOn);
        }
        LocationTexts &l = settings.locations[i];
        l.length = cutLength(link.RtnString);
        l.space = cutSpace(link.RtnString);
        l.tones = cutTones(link.RtnString, i);
    }
}

void readFirmware(DeviceLink &link, DeviceSettings &settings)
{
    link.Connect();
    if (link.Present > 0) {
        link.port().setInBufferCount(0);
        link.exchange(zcmd::FirmwareQuery, OnFailure::PassOn);
        settings.firmware = link.RtnString;
    }
}

void saveSettings(DeviceLink &link, DeviceSettings &settings, const std::vector<int> &marked,
                  const Status &status)
{
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        link.ClearBuffer();
        if (std::find(marked.begin(), marked.end(), i) == marked.end())
            continue;
        status(QStringLiteral("Saving location %1").arg(i));
        link.Connect();
        link.ClearBuffer();
        if (link.Present <= 0 || !link.exchange(zcmd::Store, OnFailure::PassOn))
            continue;
        MSComm &port = link.port();
        LocationTexts &l = settings.locations[i];
        port.output(zcmd::locationDigit(i) + zcmd::LineBreak);
        link.Pause(zcmd::StorePartTicks);
        l.length = storable(l.length);
        l.space = storable(l.space);
        port.output(l.length + zcmd::StoreSeparator + l.space + zcmd::LineBreak);
        link.Pause(zcmd::StorePartTicks);
        for (const QChar tone : l.tones) {
            port.output(QString(tone));
            link.Pause(zcmd::StorePartTicks);
        }
        link.Pause(zcmd::StorePartTicks);
        if (l.tones.size() < zcmd::MaxTones)
            port.output(zcmd::StoreEndMark);
    }
}

void factoryReset(DeviceLink &link)
{
    resumeNext([&] { link.port().output(zcmd::FactoryReset); });
    link.Pause(zcmd::FactoryResetTicks);
}

void update(DeviceLink &link, DeviceSettings &settings, const std::function<int()> &reopen,
            const Status &status)
{
    settings = {};
    link.Pause(UpdateTicks);
    if (reopen() > 0)
        readSettings(link, settings, status);
}

void memoryPlay(DeviceLink &link, const QString &digits, const std::function<bool()> &aborted,
                const Status &status)
{
    for (qsizetype i = 0; i < digits.size() && !aborted(); ++i) {
        const QString digit = digits.mid(i, 1);
        link.Connect();
        link.ClearBuffer();
        if (link.Present <= 0 || aborted())
            continue;
        status(QStringLiteral("Playing location ") + digit);
        if (!link.exchange(zcmd::MemoryPlay, OnFailure::PassOn) || aborted())
            continue;
        link.port().output(digit + zcmd::LineBreak);
        // The "Ready" poll; a "Ready" cut in two by the line is found too.
        const QString &marker = zcmd::ReadyMarker;
        QString tail;
        bool ready = false;
        do {
            link.ReadBuffer();
            const QString joined = tail + link.RtnString;
            ready = joined.contains(marker);
            tail = joined.right(marker.size() - 1);
            link.Pause(zcmd::ReadyPollTicks);
        } while (!ready && !aborted());
    }
}

void timedTone(DeviceLink &link, const QString &symbol, const QString &milliseconds)
{
    link.ClearBuffer();
    link.Connect();
    link.ClearBuffer();
    if (link.Present > 0 && link.exchange(zcmd::TimedTone, OnFailure::PassOn))
        link.port().output(symbol + zcmd::TimedToneSeparator + milliseconds + zcmd::TimedToneEnd);
}

void abort(DeviceLink &link)
{
    resumeNext([&] { link.port().output(zcmd::LineBreak); });
    link.Pause(zcmd::AbortBreakTicks);
    resumeNext([&] { link.port().output(zcmd::ToneStop); });
    link.Pause(zcmd::AbortStopTicks);
}

void sendToneList(DeviceLink &link, const std::array<ToneRow, 20> &rows)
{
    MSComm &port = link.port();
    link.ClearBuffer();
    link.Connect();
    link.ClearBuffer();
    bool maySend = false;
    if (link.Present > 0)
        maySend = link.exchange(zcmd::ToneList, OnFailure::ResumeNext);
    for (const ToneRow &row : rows) {
        if (!maySend || row.tone.isEmpty())
            continue;
        resumeNext([&] { port.output(row.tone + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(row.duration + zcmd::ToneListSeparator); });
        resumeNext([&] { port.output(row.space + zcmd::LineBreak); });
        link.Pause(zcmd::ToneListLineTicks);
    }
    link.Pause(zcmd::ToneListEndTicks);
    resumeNext([&] { port.output(zcmd::LineBreak); });
}

void keypadTone(DeviceLink &link, QChar symbol)
{
    resumeNext([&] { link.port().output(zcmd::KeypadTone + symbol); });
}

} // namespace cliops
