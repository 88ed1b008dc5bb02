// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel's device operations as zelvor-cli carries them out over a
// DeviceLink: the same writes, waits and reads in the same order, so the
// device sees the same conversation from either program. Nothing here asks
// the user: each operation is what the panel does after its dialog said yes.

#include "cli/locations.h"

#include <QString>

#include <functional>
#include <vector>

class DeviceLink;

namespace cliops {

using Status = std::function<void(const QString &)>;

// The panel's search over COM1 to COM4, from the probe on the port the link
// is on through the first port that answers. Returns the port found, 0 for none.
int searchPorts(DeviceLink &link, const Status &status);
// Opens COMn alone and probes it. Returns n when the device answered, 0 otherwise.
int openOnePort(DeviceLink &link, int port);

// What the panel does once the search found the device: a short wait, a
// line end, an emptied buffer, then the firmware version and the eight
// locations. Failures of the read pass on.
void readSettings(DeviceLink &link, DeviceSettings &settings, const Status &status);
// Only the firmware version, asked as the read asks it.
void readFirmware(DeviceLink &link, DeviceSettings &settings);
// "Save to Zelvo" for `marked` locations of `settings` (brought into the
// range the device stores, in `settings` too). Failures pass on.
void saveSettings(DeviceLink &link, DeviceSettings &settings, const std::vector<int> &marked,
                  const Status &status);
// The factory reset and its wait; a failing write is skipped.
void factoryReset(DeviceLink &link);
// The "Update" that follows a save or a reset: a wait, then `reopen` (the
// way the device was found) and, when it found the device, the read.
void update(DeviceLink &link, DeviceSettings &settings, const std::function<int()> &reopen,
            const Status &status);
// Memory play of `digits` in turn, each waited for until "Ready"; `aborted`
// ends the wait and skips the rest.
void memoryPlay(DeviceLink &link, const QString &digits, const std::function<bool()> &aborted,
                const Status &status);
// A timed tone: `symbol` for `milliseconds` (written as given).
void timedTone(DeviceLink &link, const QString &symbol, const QString &milliseconds);
// Abort: ends a timed tone, a held tone and a memory play's wait on the device.
void abort(DeviceLink &link);
// Multi Play's send of a tone list.
void sendToneList(DeviceLink &link, const std::array<ToneRow, 20> &rows);
// One short keypad tone, as a left click on the key sends it.
void keypadTone(DeviceLink &link, QChar symbol);

} // namespace cliops
