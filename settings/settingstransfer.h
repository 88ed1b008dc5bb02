// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Moving the device's settings over a DeviceLink: reading the firmware
// version and the eight locations, saving the marked locations and the
// factory reset. No window: progress goes to the sinks the owner gives, the
// values to and from a SettingsStore, and questions to the user are the
// caller's (each operation here is what follows a Yes).
//
// Every wait is a Pause of the link, which dispatches events: the store may
// change between two steps, and the steps read it afresh.

#include <QString>

#include <functional>

class DeviceLink;
class SettingsStore;

class SettingsTransfer
{
public:
    struct Options
    {
        // The status line: each call replaces the whole text.
        std::function<void(const QString &)> status;
        // The progress window of a save: shown once, then its text set step by step.
        std::function<void()> showPrompt;
        std::function<void(const QString &)> prompt;
        // A marked location the save passed over because its string holds a
        // character that is no tone symbol (see save()).
        std::function<void(int location)> passedOver;
    };

    // The link must outlive the transfer.
    SettingsTransfer(DeviceLink &link, Options options);

    // Probes the device, reads its firmware version into the store (only when
    // the probe is answered) and then, for each location in turn, probes,
    // asks for the location and cuts the answer into the store's three fields
    // as soon as each value is cut. Ends with the status "Ready". Failures
    // (a port operation, an answer that cannot be cut) end the read at once
    // and pass on: what was stored before stays.
    void ReadDeviceSettings(SettingsStore &store);
    // The read's first step alone: probes the device and, only when the
    // probe is answered, reads its firmware version into the store.
    void readFirmware(SettingsStore &store);

    // The device search, which ends by reading the settings (ReadDeviceSettings)
    // when it finds the device.
    using Search = std::function<void()>;
    // "Update": empties the store, waits and runs the search.
    void update(SettingsStore &store, const Search &search);

    // Writes each marked location into the device: probe, "S" and its
    // acknowledgement, the digit, the length and space (first brought into the
    // range the device stores, in the store too), each tone on its own, and
    // the end mark for a short string. A location whose probe or handshake
    // is not answered is passed over. So is a location whose string holds a
    // character other than the tone symbols, before anything of it is sent:
    // the device would take such a character ("." or "^", say) as the end of
    // the string and the rest as commands. Every mark is cleared, written or not.
    // Failures of a write or a read end the save and pass on.
    void save(SettingsStore &store);
    // "Save to Zelvo" once the user answered: the save when `confirmed`,
    // then "Update", a wait and "Ready". Failures pass on.
    void commit(SettingsStore &store, bool confirmed, const Search &search);

    // Tells the device to restore its factory defaults and waits for it.
    // A failing write is skipped.
    void factoryReset();
    // "Reset" once the user answered: the factory reset and "Update" when
    // `confirmed` (each failing step skipped), then a wait and "Ready".
    void restoreDefaults(SettingsStore &store, bool confirmed, const Search &search);

private:
    void saveLocation(SettingsStore &store, int location);

    DeviceLink &m_link;
    Options m_options;
};
