#pragma once

// The simulated device's sound on the computer's default sound output, through
// Qt Multimedia. Call from the thread that runs the Qt event loop, after the
// application object exists.

#include "sim/devicesound.h"

#include <memory>
#include <string>

namespace zsim {

// An output that plays on the default sound device, or null with *notice
// saying why the device will be silent (no sound device, no Qt Multimedia in
// this build, a format the device refuses).
std::shared_ptr<SampleOutput> openSoundCard(std::string *notice);

} // namespace zsim
