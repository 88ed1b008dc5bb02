#include "sim/soundcard.h"

namespace zsim {

std::shared_ptr<SampleOutput> openSoundCard(std::string *notice)
{
    if (notice)
        *notice = "this build has no sound output (Qt Multimedia was missing)";
    return nullptr;
}

} // namespace zsim
