// Flat calls on sounds and streams.
#include "Library.h"
#include "time_units.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace soundlib;

namespace {

constexpr uint32_t kUnknownLength = 0xFFFFFFFFu;

// The network receive buffer for a stream buffer size. Sizes in time or samples are taken at
// 128 kbit/s, what most internet radio sends; the result stays within sensible bounds.
size_t networkBufferBytes(unsigned int size, FMOD_TIMEUNIT unit) {
    uint64_t bytes = size;
    switch (unit) {
    case FMOD_TIMEUNIT_MS:
        bytes = uint64_t{size} * 16;
        break;
    case FMOD_TIMEUNIT_PCM:
        bytes = uint64_t{size} * 16000 / 44100;
        break;
    case FMOD_TIMEUNIT_PCMBYTES:
        bytes = uint64_t{size} * 4000 / 44100;
        break;
    default:
        break;
    }
    return static_cast<size_t>(std::clamp<uint64_t>(bytes, 16384, uint64_t{16} << 20));
}

// Releases a sound and the parts opened from it.
void releaseSound(Library& lib, uint32_t handle) {
    std::unique_ptr<Sound> sound = lib.sounds.remove(handle);
    if (!sound) {
        return;
    }
    for (const uint32_t part : sound->subSoundHandles()) {
        if (Sound* opened = lib.sounds.get(part)) {
            opened->system().retire(lib.sounds.remove(part));
        }
    }
    System& system = sound->system();
    system.retire(std::move(sound));
}

FMOD_RESULT createSound(FMOD_SYSTEM systemHandle, const char* name, FMOD_MODE mode,
                        const FMOD_CREATESOUNDEXINFO* exinfo, FMOD_SOUND* sound, bool stream) {
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *sound = 0;
    if (name == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    // Records made for the original 108-byte layout are accepted as well as our own size.
    if (exinfo != nullptr && exinfo->cbsize != 108 &&
        exinfo->cbsize != static_cast<int>(sizeof(FMOD_CREATESOUNDEXINFO))) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (mode & (FMOD_OPENMEMORY | FMOD_OPENUSER | FMOD_OPENRAW)) {
        return FMOD_ERR_UNSUPPORTED;
    }
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(systemHandle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (!system->initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        DecoderOptions options;
        options.suggestedType =
            exinfo != nullptr ? exinfo->suggestedsoundtype : FMOD_SOUND_TYPE_UNKNOWN;
        options.accurateTime = (mode & FMOD_ACCURATETIME) != 0;
        options.loop = (mode & (FMOD_LOOP_NORMAL | FMOD_LOOP_BIDI)) != 0;
        const SystemSettings& settings = system->settings;
        options.outputRate = settings.sampleRate;
        options.midiSoundBank = settings.midiSoundBank;
        options.network.bufferBytes =
            networkBufferBytes(settings.streamBufferSize, settings.streamBufferUnit);
        options.network.timeoutMs = settings.networkTimeoutMs;
        options.network.open = settings.fileOpen;
        options.network.close = settings.fileClose;
        options.network.read = settings.fileRead;
        const bool asStream = stream || (mode & FMOD_CREATESTREAM) != 0;
        auto created = std::make_unique<Sound>(*system, mode, asStream);
        const std::string path(name);
        if (mode & FMOD_NONBLOCKING) {
            created->openInBackground(path, options, system->threadedStreams());
        } else {
            const FMOD_RESULT result = created->open(path, options, system->threadedStreams());
            if (result != FMOD_OK) {
                return result;
            }
        }
        const uint32_t handle = lib.sounds.add(std::move(created));
        if (handle == 0) {
            return FMOD_ERR_MEMORY;
        }
        *sound = handle;
        return FMOD_OK;
    });
}

// Runs `body` on a sound that has finished opening.
template <class F> FMOD_RESULT withReadySound(FMOD_SOUND handle, F&& body) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        Sound* sound = lib.sounds.get(handle);
        if (sound == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        switch (sound->openState()) {
        case FMOD_OPENSTATE_READY:
            return body(*sound);
        case FMOD_OPENSTATE_ERROR:
            return sound->openResult();
        default:
            return FMOD_ERR_NOTREADY;
        }
    });
}

void fillTag(TagRecord& record, FMOD_TAG* tag) {
    tag->type = record.kind;
    tag->datatype = record.binary ? FMOD_TAGDATATYPE_BINARY : FMOD_TAGDATATYPE_STRING;
    tag->name = record.name.data();
    tag->data = record.data.data();
    tag->datalen = static_cast<unsigned int>(record.data.size());
    tag->updated = record.updated ? 1 : 0;
}

} // namespace

extern "C" {

FMOD_RESULT FMOD_System_CreateSound(FMOD_SYSTEM system, const char* name_or_data, FMOD_MODE mode,
                                    FMOD_CREATESOUNDEXINFO* exinfo, FMOD_SOUND* sound) {
    return createSound(system, name_or_data, mode, exinfo, sound, false);
}

FMOD_RESULT FMOD_System_CreateStream(FMOD_SYSTEM system, const char* name_or_data, FMOD_MODE mode,
                                     FMOD_CREATESOUNDEXINFO* exinfo, FMOD_SOUND* sound) {
    return createSound(system, name_or_data, mode, exinfo, sound, true);
}

FMOD_RESULT FMOD_Sound_Release(FMOD_SOUND handle) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        if (lib.sounds.get(handle) == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        releaseSound(lib, handle);
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetLength(FMOD_SOUND handle, unsigned int* length,
                                 FMOD_TIMEUNIT lengthtype) {
    if (length == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        const uint64_t frames = sound.lengthFrames();
        if (sound.live() ||
            (frames == 0 && sound.isStream() && sound.feed() != nullptr &&
             sound.feed()->lengthFrames() == 0 && sound.type() == FMOD_SOUND_TYPE_UNKNOWN)) {
            *length = kUnknownLength;
            return FMOD_OK;
        }
        uint64_t value = 0;
        if (!framesToUnit(frames, lengthtype, sound.sampleRate(), sound.channels(), value)) {
            return FMOD_ERR_INVALID_PARAM;
        }
        *length = static_cast<unsigned int>(std::min<uint64_t>(value, kUnknownLength - 1));
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetFormat(FMOD_SOUND handle, FMOD_SOUND_TYPE* type,
                                 FMOD_SOUND_FORMAT* format, int* channels, int* bits) {
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        if (type) {
            *type = sound.type();
        }
        if (format) {
            *format = sound.sourceFormat();
        }
        if (channels) {
            *channels = sound.sourceChannels();
        }
        if (bits) {
            *bits = sound.sourceBits();
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetDefaults(FMOD_SOUND handle, float* frequency, float* volume, float* pan,
                                   int* priority) {
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        if (frequency) {
            *frequency = static_cast<float>(sound.sampleRate());
        }
        if (volume) {
            *volume = 1.0f;
        }
        if (pan) {
            *pan = 0.0f;
        }
        if (priority) {
            *priority = 128;
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetOpenState(FMOD_SOUND handle, FMOD_OPENSTATE* openstate,
                                    unsigned int* percentbuffered, FMOD_BOOL* starving) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        Sound* sound = lib.sounds.get(handle);
        if (sound == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        const FMOD_OPENSTATE state = sound->openState();
        if (openstate) {
            *openstate = state;
        }
        const bool live = state == FMOD_OPENSTATE_READY && sound->live();
        if (percentbuffered) {
            *percentbuffered = live ? sound->feed()->decoder().bufferedPercent()
                               : state == FMOD_OPENSTATE_READY ? 100
                                                               : 0;
        }
        if (starving) {
            *starving = live && sound->feed()->decoder().starving() ? 1 : 0;
        }
        return state == FMOD_OPENSTATE_ERROR ? sound->openResult() : FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetNumSubSounds(FMOD_SOUND handle, int* numsubsounds) {
    if (numsubsounds == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        *numsubsounds = sound.container() ? sound.container()->count() : 0;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetSubSound(FMOD_SOUND handle, int index, FMOD_SOUND* subsound) {
    if (subsound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *subsound = 0;
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        Sound* parent = lib.sounds.get(handle);
        if (parent == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        if (!parent->ready()) {
            return parent->openState() == FMOD_OPENSTATE_ERROR ? parent->openResult()
                                                               : FMOD_ERR_NOTREADY;
        }
        SubSoundSource* container = parent->container();
        if (container == nullptr || index < 0 || index >= container->count()) {
            return FMOD_ERR_INVALID_PARAM;
        }
        // Each part is opened once and stays until it or its parent is released.
        uint32_t& known = parent->subSoundHandles()[static_cast<size_t>(index)];
        if (lib.sounds.get(known) != nullptr) {
            *subsound = known;
            return FMOD_OK;
        }
        System& system = parent->system();
        if (!system.initialized()) {
            return FMOD_ERR_UNINITIALIZED;
        }
        auto part = std::make_unique<Sound>(system, parent->mode() & ~FMOD_OPENONLY, true);
        const FMOD_RESULT result =
            part->openPart(*container, index, system.threadedStreams(), system.outputRate());
        if (result != FMOD_OK) {
            return result;
        }
        const uint32_t added = lib.sounds.add(std::move(part));
        if (added == 0) {
            return FMOD_ERR_MEMORY;
        }
        known = added;
        *subsound = added;
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetNumTags(FMOD_SOUND handle, int* numtags, int* numtagsupdated) {
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        const auto& tags = sound.tags();
        if (numtags) {
            *numtags = static_cast<int>(tags.size());
        }
        if (numtagsupdated) {
            *numtagsupdated = static_cast<int>(std::count_if(
                tags.begin(), tags.end(), [](const TagRecord& t) { return t.updated; }));
        }
        return FMOD_OK;
    });
}

FMOD_RESULT FMOD_Sound_GetTag(FMOD_SOUND handle, const char* name, int index, FMOD_TAG* tag) {
    if (tag == nullptr || index < -1) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return withReadySound(handle, [&](Sound& sound) -> FMOD_RESULT {
        auto& tags = sound.tags();
        auto matches = [&](const TagRecord& record) {
            return name == nullptr || record.name == name;
        };
        if (index == -1) {
            // The next new or updated tag (of that name); handing it out clears its flag.
            for (TagRecord& record : tags) {
                if (record.updated && matches(record)) {
                    fillTag(record, tag);
                    record.updated = false;
                    return FMOD_OK;
                }
            }
            return FMOD_ERR_TAGNOTFOUND;
        }
        int seen = 0;
        for (TagRecord& record : tags) {
            if (matches(record) && seen++ == index) {
                fillTag(record, tag);
                return FMOD_OK;
            }
        }
        return FMOD_ERR_TAGNOTFOUND;
    });
}

FMOD_RESULT FMOD_Sound_GetMode(FMOD_SOUND handle, FMOD_MODE* mode) {
    if (mode == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        Sound* sound = lib.sounds.get(handle);
        if (sound == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        *mode = sound->mode();
        return FMOD_OK;
    });
}

} // extern "C"
