// Flat calls on the system object.
#include "Library.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace soundlib;

namespace {

constexpr int kMaxSystems = 8; // channel handles carry the system's slot in three bits

bool validRate(int rate) {
    return rate >= 5500 && rate <= 192000;
}

int bitsOf(FMOD_SOUND_FORMAT format) {
    switch (format) {
    case FMOD_SOUND_FORMAT_PCM8:
        return 8;
    case FMOD_SOUND_FORMAT_PCM16:
        return 16;
    case FMOD_SOUND_FORMAT_PCM24:
        return 24;
    default:
        return 32;
    }
}

// Looks up a system for a settings call that must come before Init.
template <class F> FMOD_RESULT beforeInit(FMOD_SYSTEM handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (system->initialized()) {
            return FMOD_ERR_INITIALIZED;
        }
        return body(*system);
    });
}

template <class F> FMOD_RESULT withSystem(FMOD_SYSTEM handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        return system == nullptr ? FMOD_ERR_INVALID_HANDLE : body(lib, *system);
    });
}

} // namespace

extern "C" {

FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM* system) {
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *system = 0;
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        int count = 0;
        lib.systems.forEach([&](uint32_t, System&) { ++count; });
        if (count >= kMaxSystems) {
            return FMOD_ERR_MEMORY;
        }
        // The slot is known only once added; the system learns it right after.
        auto created = std::make_unique<System>(0);
        System* raw = created.get();
        const uint32_t handle = lib.systems.add(std::move(created));
        if (handle == 0) {
            return FMOD_ERR_MEMORY;
        }
        raw->setTableSlot(handleSlot(handle));
        *system = handle;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_Release(FMOD_SYSTEM handle) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        lib.releaseSoundsOf(*system);
        system->close();
        lib.systems.remove(handle);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetOutput(FMOD_SYSTEM handle, FMOD_OUTPUTTYPE output) {
    return beforeInit(handle, [&](System& system) -> FMOD_RESULT {
        if (output < 0 || output > FMOD_OUTPUTTYPE_JACK) {
            return FMOD_ERR_INVALID_PARAM;
        }
        system.settings.output = output;
        system.settings.driver = 0;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetOutput(FMOD_SYSTEM handle, FMOD_OUTPUTTYPE* output) {
    if (output == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        *output = system.settings.output;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetNumDrivers(FMOD_SYSTEM handle, int* numdrivers) {
    if (numdrivers == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        const FMOD_OUTPUTTYPE type = system.initialized()
                                         ? system.activeOutput()
                                         : resolveOutputType(system.settings.output);
        *numdrivers = static_cast<int>(listDrivers(type).size());
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetDriverInfo(FMOD_SYSTEM handle, int id, char* name, int namelen,
                                      FMOD_GUID* guid) {
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        const FMOD_OUTPUTTYPE type = system.initialized()
                                         ? system.activeOutput()
                                         : resolveOutputType(system.settings.output);
        const std::vector<std::string> drivers = listDrivers(type);
        if (id < 0 || static_cast<size_t>(id) >= drivers.size()) {
            return FMOD_ERR_INVALID_PARAM;
        }
        if (name != nullptr && namelen > 0) {
            const std::string& text = drivers[static_cast<size_t>(id)];
            const size_t n = std::min(text.size(), static_cast<size_t>(namelen - 1));
            std::memcpy(name, text.data(), n);
            name[n] = '\0';
        }
        if (guid != nullptr) {
            std::memset(guid, 0, sizeof(*guid));
            guid->Data1 = static_cast<unsigned int>(id) + 1;
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetDriver(FMOD_SYSTEM handle, int driver) {
    return beforeInit(handle, [&](System& system) -> FMOD_RESULT {
        if (driver < 0) {
            return FMOD_ERR_INVALID_PARAM;
        }
        // Index 0 is always accepted: it means the default device, even when none is listed.
        if (driver > 0) {
            const auto drivers = listDrivers(resolveOutputType(system.settings.output));
            if (static_cast<size_t>(driver) >= drivers.size()) {
                return FMOD_ERR_INVALID_PARAM;
            }
        }
        system.settings.driver = driver;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetDriver(FMOD_SYSTEM handle, int* driver) {
    if (driver == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        *driver = system.settings.driver;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetSoftwareFormat(FMOD_SYSTEM handle, int samplerate,
                                          FMOD_SOUND_FORMAT format, int numoutputchannels,
                                          int maxinputchannels, FMOD_DSP_RESAMPLER resamplemethod) {
    return beforeInit(handle, [&](System& system) -> FMOD_RESULT {
        if (!validRate(samplerate) || format < FMOD_SOUND_FORMAT_PCM8 ||
            format > FMOD_SOUND_FORMAT_PCMFLOAT || numoutputchannels < 0 || numoutputchannels > 8 ||
            maxinputchannels < 0 || maxinputchannels > 16 ||
            resamplemethod < FMOD_DSP_RESAMPLER_NOINTERP ||
            resamplemethod > FMOD_DSP_RESAMPLER_SPLINE) {
            return FMOD_ERR_INVALID_PARAM;
        }
        system.settings.sampleRate = samplerate;
        system.settings.format = format;
        system.settings.numOutputChannels = numoutputchannels;
        system.settings.maxInputChannels = maxinputchannels;
        system.settings.resampler = resamplemethod;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetSoftwareFormat(FMOD_SYSTEM handle, int* samplerate,
                                          FMOD_SOUND_FORMAT* format, int* numoutputchannels,
                                          int* maxinputchannels, FMOD_DSP_RESAMPLER* resamplemethod,
                                          int* bits) {
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        const SystemSettings& s = system.settings;
        if (samplerate) {
            *samplerate = s.sampleRate;
        }
        if (format) {
            *format = s.format;
        }
        if (numoutputchannels) {
            *numoutputchannels = outputChannelsFor(s.speakerMode, s.numOutputChannels);
        }
        if (maxinputchannels) {
            *maxinputchannels = s.maxInputChannels;
        }
        if (resamplemethod) {
            *resamplemethod = s.resampler;
        }
        if (bits) {
            *bits = bitsOf(s.format);
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetSpeakerMode(FMOD_SYSTEM handle, FMOD_SPEAKERMODE speakermode) {
    return beforeInit(handle, [&](System& system) -> FMOD_RESULT {
        if (speakermode < FMOD_SPEAKERMODE_RAW || speakermode > FMOD_SPEAKERMODE_PROLOGIC) {
            return FMOD_ERR_INVALID_PARAM;
        }
        system.settings.speakerMode = speakermode;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetSpeakerMode(FMOD_SYSTEM handle, FMOD_SPEAKERMODE* speakermode) {
    if (speakermode == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        *speakermode = system.settings.speakerMode;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetStreamBufferSize(FMOD_SYSTEM handle, unsigned int filebuffersize,
                                            FMOD_TIMEUNIT filebuffersizetype) {
    // Stream buffers matter to network streams, which may be opened at any time.
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        if (filebuffersize == 0 ||
            (filebuffersizetype != FMOD_TIMEUNIT_MS && filebuffersizetype != FMOD_TIMEUNIT_PCM &&
             filebuffersizetype != FMOD_TIMEUNIT_PCMBYTES &&
             filebuffersizetype != FMOD_TIMEUNIT_RAWBYTES)) {
            return FMOD_ERR_INVALID_PARAM;
        }
        system.settings.streamBufferSize = filebuffersize;
        system.settings.streamBufferUnit = filebuffersizetype;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_AttachFileSystem(FMOD_SYSTEM handle, FMOD_FILE_OPENCALLBACK useropen,
                                         FMOD_FILE_CLOSECALLBACK userclose,
                                         FMOD_FILE_READCALLBACK userread,
                                         FMOD_FILE_SEEKCALLBACK userseek) {
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        system.settings.fileOpen = useropen;
        system.settings.fileClose = userclose;
        system.settings.fileRead = userread;
        system.settings.fileSeek = userseek;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_Init(FMOD_SYSTEM handle, int maxchannels, FMOD_INITFLAGS, void*) {
    return withSystem(
        handle, [&](Library&, System& system) -> FMOD_RESULT { return system.init(maxchannels); });
}

FMOD_RESULT FMOD_System_Close(FMOD_SYSTEM handle) {
    return withSystem(handle, [&](Library& lib, System& system) -> FMOD_RESULT {
        lib.releaseSoundsOf(system);
        system.close();
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_Update(FMOD_SYSTEM handle) {
    return withSystem(handle,
                      [&](Library&, System& system) -> FMOD_RESULT { return system.update(); });
}

FMOD_RESULT FMOD_System_GetChannelsPlaying(FMOD_SYSTEM handle, int* channels) {
    if (channels == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        if (!system.initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        *channels = system.channelsPlaying();
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetOutputLatency(FMOD_SYSTEM handle, int milliseconds) {
    if (milliseconds < 20 || milliseconds > 2000) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return beforeInit(handle, [&](System& system) -> FMOD_RESULT {
        system.settings.outputLatencyMs = milliseconds;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_GetOutputLatency(FMOD_SYSTEM handle, int* milliseconds) {
    if (milliseconds == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        if (!system.initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        *milliseconds = system.outputLatencyMs();
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_System_SetMediaTitle(FMOD_SYSTEM handle, const char* title) {
    return withSystem(handle, [&](Library&, System& system) -> FMOD_RESULT {
        system.setMediaTitle(title != nullptr ? title : "");
        return FMOD_OK;
    });
}

} // extern "C"
