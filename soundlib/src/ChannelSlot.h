// The caller's-thread view of one mixer channel: which sound it plays, its generation, and what
// the caller last told the mixer.
#pragma once

#include "soundlib.h"

#include <cstdint>

namespace soundlib {

class Sound;

struct ChannelSlot {
    uint16_t generation = 1;
    uint16_t stolenGeneration = 0; // the generation that lost this slot to another sound
    bool active = false;
    Sound* sound = nullptr;
    FMOD_SOUND soundHandle = 0;
    int priority = 128;
    uint64_t startOrder = 0;
    uint64_t lastCommand = 0;   // sequence of the last start or seek sent for this slot
    uint64_t knownPosition = 0; // source frame that command set
};

} // namespace soundlib
