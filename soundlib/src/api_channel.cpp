// Flat calls on channels.
#include "Library.h"
#include "time_units.h"

#include <algorithm>
#include <cmath>

using namespace soundlib;

namespace {

System* systemOfChannel(Library& lib, FMOD_CHANNEL handle) {
    if (handleKind(handle) != HandleKind::Channel) {
        return nullptr;
    }
    const uint32_t systemSlot = handleSlot(handle) >> 10;
    System* found = nullptr;
    lib.systems.forEach([&](uint32_t, System& system) {
        if (system.tableSlot() == systemSlot) {
            found = &system;
        }
    });
    return found;
}

// Runs `body` on a live channel: stale handles answer 36, stolen ones 11.
template <class F> FMOD_RESULT withChannel(FMOD_CHANNEL handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = systemOfChannel(lib, handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        ChannelSlot* slot = nullptr;
        size_t index = 0;
        const FMOD_RESULT result = system->channelSlot(handle, slot, index);
        if (result != FMOD_OK) {
            return result;
        }
        return body(*system, *slot, index);
    });
}

// Runs `body` with an initialised system and a sound of it that is ready to play.
template <class F>
FMOD_RESULT withPlayableSound(FMOD_SYSTEM systemHandle, FMOD_SOUND soundHandle,
                              FMOD_CHANNEL* channel, F&& body) {
    if (channel == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(systemHandle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (!system->initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        Sound* sound = lib.sounds.get(soundHandle);
        if (sound == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (&sound->system() != system) {
            return FMOD_ERR_INVALID_PARAM;
        }
        if (!sound->ready()) {
            return sound->openState() == FMOD_OPENSTATE_ERROR ? sound->openResult()
                                                              : FMOD_ERR_NOTREADY;
        }
        return body(*system, *sound);
    });
}

} // namespace

extern "C" {

FMOD_RESULT FMOD_System_PlaySound(FMOD_SYSTEM systemHandle, FMOD_CHANNELINDEX channelid,
                                  FMOD_SOUND soundHandle, FMOD_BOOL paused, FMOD_CHANNEL* channel) {
    return withPlayableSound(
        systemHandle, soundHandle, channel, [&](System& system, Sound& sound) -> FMOD_RESULT {
            return system.playSound(channelid, soundHandle, sound, paused != 0, channel);
        });
}

FMOD_RESULT FMOD_System_PlaySoundAfter(FMOD_SYSTEM systemHandle, FMOD_CHANNEL previous,
                                       FMOD_SOUND soundHandle, FMOD_CHANNEL* channel) {
    return withPlayableSound(
        systemHandle, soundHandle, channel, [&](System& system, Sound& sound) -> FMOD_RESULT {
            ChannelSlot* leader = nullptr;
            size_t leaderIndex = 0;
            if (const FMOD_RESULT result = system.channelSlot(previous, leader, leaderIndex);
                result != FMOD_OK) {
                return result;
            }
            if (leader->sound == &sound && sound.isStream()) {
                return FMOD_ERR_INVALID_PARAM; // a stream plays on one channel at a time
            }
            return system.playSound(FMOD_CHANNEL_FREE, soundHandle, sound, false, channel,
                                    leaderIndex);
        });
}

FMOD_RESULT FMOD_Channel_Stop(FMOD_CHANNEL handle) {
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        system.stopChannel(index);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetPaused(FMOD_CHANNEL handle, FMOD_BOOL paused) {
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        system.shared(index).paused.store(paused != 0, std::memory_order_relaxed);
        if (paused == 0) {
            system.soundComing();
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetPaused(FMOD_CHANNEL handle, FMOD_BOOL* paused) {
    if (paused == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        *paused = system.shared(index).paused.load(std::memory_order_relaxed) ? 1 : 0;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_IsPlaying(FMOD_CHANNEL handle, FMOD_BOOL* isplaying) {
    if (isplaying == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *isplaying = 0;
    return withChannel(handle, [&](System&, ChannelSlot&, size_t) -> FMOD_RESULT {
        *isplaying = 1;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetPosition(FMOD_CHANNEL handle, unsigned int position,
                                     FMOD_TIMEUNIT postype) {
    return withChannel(handle, [&](System& system, ChannelSlot& slot, size_t index) -> FMOD_RESULT {
        uint64_t frame = 0;
        if (!unitToFrames(position, postype, slot.sound->sampleRate(), slot.sound->channels(),
                          frame)) {
            return FMOD_ERR_INVALID_PARAM;
        }
        const uint64_t length = slot.sound->lengthFrames();
        if (length > 0 && frame > length) {
            return FMOD_ERR_INVALID_PARAM;
        }
        return system.seekChannel(index, frame);
    });
}

FMOD_RESULT FMOD_Channel_GetPosition(FMOD_CHANNEL handle, unsigned int* position,
                                     FMOD_TIMEUNIT postype) {
    if (position == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot& slot, size_t index) -> FMOD_RESULT {
        const uint64_t frame = system.channelPosition(index);
        const Sound& sound = *slot.sound;
        uint64_t value = 0;
        if (!framesToUnit(frame, postype, sound.sampleRate(), sound.channels(), value)) {
            return FMOD_ERR_INVALID_PARAM;
        }
        *position = static_cast<unsigned int>(std::min<uint64_t>(value, 0xFFFFFFFFu));
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetVolume(FMOD_CHANNEL handle, float volume) {
    if (!std::isfinite(volume)) {
        return FMOD_ERR_INVALID_FLOAT;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        system.shared(index).volume.store(std::clamp(volume, 0.0f, 1.0f),
                                          std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetVolume(FMOD_CHANNEL handle, float* volume) {
    if (volume == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        *volume = system.shared(index).volume.load(std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetGain(FMOD_CHANNEL handle, float gain) {
    if (!std::isfinite(gain)) {
        return FMOD_ERR_INVALID_FLOAT;
    }
    if (gain < 0.0f || gain > kMaxChannelGain) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        system.shared(index).gain.store(gain, std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetGain(FMOD_CHANNEL handle, float* gain) {
    if (gain == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        *gain = system.shared(index).gain.load(std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetPan(FMOD_CHANNEL handle, float pan) {
    if (!std::isfinite(pan)) {
        return FMOD_ERR_INVALID_FLOAT;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        system.shared(index).pan.store(std::clamp(pan, -1.0f, 1.0f), std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetPan(FMOD_CHANNEL handle, float* pan) {
    if (pan == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        *pan = system.shared(index).pan.load(std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetFrequency(FMOD_CHANNEL handle, float frequency) {
    if (!std::isfinite(frequency)) {
        return FMOD_ERR_INVALID_FLOAT;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        // Playing backwards is not offered: anything below zero holds the channel still.
        system.shared(index).frequency.store(std::max(frequency, 0.0f), std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetFrequency(FMOD_CHANNEL handle, float* frequency) {
    if (frequency == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System& system, ChannelSlot&, size_t index) -> FMOD_RESULT {
        *frequency = system.shared(index).frequency.load(std::memory_order_relaxed);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_SetPriority(FMOD_CHANNEL handle, int priority) {
    if (priority < 0 || priority > 256) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System&, ChannelSlot& slot, size_t) -> FMOD_RESULT {
        slot.priority = priority;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetPriority(FMOD_CHANNEL handle, int* priority) {
    if (priority == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System&, ChannelSlot& slot, size_t) -> FMOD_RESULT {
        *priority = slot.priority;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Channel_GetCurrentSound(FMOD_CHANNEL handle, FMOD_SOUND* sound) {
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withChannel(handle, [&](System&, ChannelSlot& slot, size_t) -> FMOD_RESULT {
        *sound = slot.soundHandle;
        return FMOD_OK;
    });
}

} // extern "C"
