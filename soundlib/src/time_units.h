// Positions and lengths in the library's time units: milliseconds, frames (PCM) and bytes of
// 16-bit frames (PCMBYTES). Other units answer false.
#pragma once

#include "soundlib.h"

#include <cstdint>

namespace soundlib {

inline bool framesToUnit(uint64_t frames, FMOD_TIMEUNIT unit, int sampleRate, int channels,
                         uint64_t& value) {
    switch (unit) {
    case FMOD_TIMEUNIT_MS:
        value = frames * 1000 / static_cast<uint64_t>(sampleRate);
        return true;
    case FMOD_TIMEUNIT_PCM:
        value = frames;
        return true;
    case FMOD_TIMEUNIT_PCMBYTES:
        value = frames * static_cast<uint64_t>(channels) * 2;
        return true;
    default:
        return false;
    }
}

inline bool unitToFrames(uint64_t value, FMOD_TIMEUNIT unit, int sampleRate, int channels,
                         uint64_t& frames) {
    switch (unit) {
    case FMOD_TIMEUNIT_MS:
        frames = value * static_cast<uint64_t>(sampleRate) / 1000;
        return true;
    case FMOD_TIMEUNIT_PCM:
        frames = value;
        return true;
    case FMOD_TIMEUNIT_PCMBYTES:
        frames = value / (static_cast<uint64_t>(channels) * 2);
        return true;
    default:
        return false;
    }
}

} // namespace soundlib
