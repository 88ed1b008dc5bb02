// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingstransfer.h"

#include "core/errors.h"
#include "core/text.h"
#include "link/commands.h"
#include "link/devicelink.h"
#include "link/mscomm.h"
#include "play/keyrules.h"
#include "settings/locationreply.h"
#include "settings/settingsstore.h"

#include <algorithm>

namespace {

using Field = SettingsStore::Field;

// Brings a millisecond field into the range the device stores, in the store.
void raiseToMinimum(SettingsStore &store, int location, Field field)
{
    if (numericValue(store.text(location, field)) < zcmd::MinMilliseconds)
        store.setText(location, field, QString::number(zcmd::MinMilliseconds));
}

void lowerToMaximum(SettingsStore &store, int location, Field field)
{
    if (numericValue(store.text(location, field)) > zcmd::MaxStoredMilliseconds)
        store.setText(location, field, QString::number(zcmd::MaxStoredMilliseconds));
}

} // namespace

SettingsTransfer::SettingsTransfer(DeviceLink &link, Options options)
    : m_link(link), m_options(std::move(options))
{}

void SettingsTransfer::ReadDeviceSettings(SettingsStore &store)
{
    // No handling of its own: a failure (a port gone, a reply that cannot be
    // cut) ends the read and passes to the caller (the search recovers).
    readFirmware(store);
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        m_link.ClearBuffer();
        m_link.Connect();
        m_link.ClearBuffer();
        if (m_link.Present > 0) {
            const bool viewing = m_link.exchange(zcmd::ViewLocation, OnFailure::PassOn);
            m_options.status(QStringLiteral("\r\nReading Location #") + formatNumber(i));
            if (viewing)
                m_link.exchange(zcmd::viewDigit(i), OnFailure::PassOn);
        }
        // Each value is stored as soon as it is cut, so a reply that breaks
        // off keeps what came before it.
        const QString &reply = m_link.RtnString;
        store.setText(i, Field::Length, cutLength(reply));
        store.setText(i, Field::Space, cutSpace(reply));
        store.setText(i, Field::Tones, cutTones(reply, i));
    }
    m_options.status(QStringLiteral("Ready"));
}

void SettingsTransfer::readFirmware(SettingsStore &store)
{
    m_link.Connect();
    if (m_link.Present > 0) {
        m_link.port().setInBufferCount(0);
        m_link.exchange(zcmd::FirmwareQuery, OnFailure::PassOn);
        store.firmwareRead(m_link.RtnString);
    }
}

void SettingsTransfer::update(SettingsStore &store, const Search &search)
{
    store.clear();
    m_options.status(QStringLiteral("Reading the device settings"));
    m_link.Pause(100);
    m_options.status(QString());
    search();
}

void SettingsTransfer::commit(SettingsStore &store, bool confirmed, const Search &search)
{
    // No handling of its own: a failing write or read ends the save.
    if (!confirmed)
        m_options.status(QStringLiteral("Save operation cancelled"));
    else
        save(store);
    update(store, search);
    m_link.Pause(100);
    m_options.status(QStringLiteral("Ready"));
}

void SettingsTransfer::save(SettingsStore &store)
{
    m_options.status(QStringLiteral("Saving changes to device memory.\r\n"));
    m_options.showPrompt();
    for (int i = 0; i < zcmd::LocationCount; ++i) {
        m_link.ClearBuffer();
        const QString caption = QStringLiteral("Saving to Location # ");
        m_options.prompt(caption);
        if (store.isMarked(i)) {
            m_options.prompt(caption + formatNumber(i));
            const QString tones = store.text(i, Field::Tones);
            if (std::all_of(tones.cbegin(), tones.cend(), keyrules::isToneSymbol))
                saveLocation(store, i);
            else if (m_options.passedOver)
                m_options.passedOver(i);
        }
        store.setMarked(i, false);
    }
}

void SettingsTransfer::saveLocation(SettingsStore &store, int i)
{
    m_link.Connect();
    m_link.ClearBuffer();
    if (m_link.Present <= 0 || !m_link.exchange(zcmd::Store, OnFailure::PassOn))
        return;
    MSComm &port = m_link.port();
    port.output(zcmd::locationDigit(i) + zcmd::LineBreak);
    m_link.Pause(zcmd::StorePartTicks);
    raiseToMinimum(store, i, Field::Length);
    raiseToMinimum(store, i, Field::Space);
    lowerToMaximum(store, i, Field::Length);
    lowerToMaximum(store, i, Field::Space);
    port.output(store.text(i, Field::Length) + zcmd::StoreSeparator + store.text(i, Field::Space) +
                zcmd::LineBreak);
    m_link.Pause(zcmd::StorePartTicks);
    // One write per character; the string is read afresh for each, as the
    // user may go on editing during the pauses. The count is taken once.
    const qsizetype count = store.text(i, Field::Tones).size();
    for (qsizetype c = 0; c < count; ++c) {
        port.output(store.text(i, Field::Tones).mid(c, 1));
        m_link.Pause(zcmd::StorePartTicks);
    }
    m_link.Pause(zcmd::StorePartTicks);
    if (store.text(i, Field::Tones).size() < zcmd::MaxTones)
        port.output(zcmd::StoreEndMark);
}

void SettingsTransfer::factoryReset()
{
    m_options.status(QStringLiteral("RESETTING\r\nOne moment please."));
    resumeNext([&] { m_link.port().output(zcmd::FactoryReset); });
    m_link.Pause(zcmd::FactoryResetTicks);
}

void SettingsTransfer::restoreDefaults(SettingsStore &store, bool confirmed, const Search &search)
{
    // Every step is skipped when it fails, so the handler always ends "Ready".
    if (confirmed) {
        factoryReset();
        resumeNext([&] { update(store, search); });
    }
    m_link.Pause(100);
    m_options.status(QStringLiteral("Ready"));
}
