// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The entry points of the sound card module, resolved by name when it is
// loaded (sim/soundcard.h). The module and the program that loads it are
// built from the same sources: the loader takes a module only when it reports
// the program's own version, as the output crosses between them as a C++
// object.

#include "sim/devicesound.h"

#include <QtGlobal>

#include <string>

extern "C" {

// The version the module was built as (ZELVOR_SOUND_MODULE_VERSION).
Q_DECL_EXPORT const char *zelvorSoundModuleVersion();

// A new output on the default sound device, owned by the caller, or null
// with *notice saying why the device will be silent.
Q_DECL_EXPORT zsim::SampleOutput *zelvorOpenSoundCard(std::string *notice);

} // extern "C"
