// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated device's sound on the computer's default sound output.
//
// The output itself lives in a module of its own (zelvor-soundcard, built on
// Qt Multimedia), loaded on the first call only: a program that never sounds
// the sound card maps no media libraries, and one installed without Qt
// Multimedia runs silent. The module is looked for in the install's module
// folder relative to the program, then beside the program (the build tree).
// Call from the thread that runs the Qt event loop, after the application
// object exists.

#include "sim/devicesound.h"

#include <memory>
#include <string>

namespace zsim {

// An output that plays on the default sound device, or null with *notice
// saying why the device will be silent (no module, a module that does not
// load or is of another version, no sound device, a format the device
// refuses).
std::shared_ptr<SampleOutput> openSoundCard(std::string *notice);

} // namespace zsim
