// Choosing, listing and making outputs.
#include "NoSoundOutput.h"
#include "RtAudioOutput.h"
#include "WaveWriterOutput.h"
#include "device_probe.h"
#include "output.h"

#include <exception>

namespace soundlib {

namespace {

FMOD_OUTPUTTYPE detectOutputType() noexcept try {
    // PulseAudio first: it mixes for everyone (PipeWire answers on the same socket).
    if (devices::rtAudioApi(FMOD_OUTPUTTYPE_PULSEAUDIO) && devices::pulseServerAnswers() &&
        !devices::listOutputDevices(FMOD_OUTPUTTYPE_PULSEAUDIO).empty())
        return FMOD_OUTPUTTYPE_PULSEAUDIO;
    // Without a card ALSA's "default" could only be a server plugin, and no server answered.
    if (devices::rtAudioApi(FMOD_OUTPUTTYPE_ALSA) && devices::alsaHasSoundCards() &&
        !devices::listOutputDevices(FMOD_OUTPUTTYPE_ALSA).empty())
        return FMOD_OUTPUTTYPE_ALSA;
    return FMOD_OUTPUTTYPE_NOSOUND;
} catch (const std::exception&) {
    return FMOD_OUTPUTTYPE_NOSOUND;
}

} // namespace

FMOD_OUTPUTTYPE resolveOutputType(FMOD_OUTPUTTYPE requested) {
    switch (requested) {
    case FMOD_OUTPUTTYPE_AUTODETECT:
    case FMOD_OUTPUTTYPE_UNKNOWN:
    case FMOD_OUTPUTTYPE_DSOUND:
    case FMOD_OUTPUTTYPE_WINMM:
    case FMOD_OUTPUTTYPE_OPENAL:
    case FMOD_OUTPUTTYPE_WASAPI:
    case FMOD_OUTPUTTYPE_ASIO: {
        // Probing opens sockets and devices; once per process is enough.
        static const FMOD_OUTPUTTYPE detected = detectOutputType();
        return detected;
    }
    default:
        return requested;
    }
}

std::vector<std::string> listDrivers(FMOD_OUTPUTTYPE type) {
    try {
        switch (const FMOD_OUTPUTTYPE resolved = resolveOutputType(type)) {
        case FMOD_OUTPUTTYPE_NOSOUND:
        case FMOD_OUTPUTTYPE_NOSOUND_NRT:
            return {"No sound"};
        case FMOD_OUTPUTTYPE_WAVWRITER:
        case FMOD_OUTPUTTYPE_WAVWRITER_NRT:
            return {"Wave writer"};
        case FMOD_OUTPUTTYPE_ALSA:
        case FMOD_OUTPUTTYPE_PULSEAUDIO:
        case FMOD_OUTPUTTYPE_JACK: {
            std::vector<std::string> names;
            for (auto& device : devices::listOutputDevices(resolved))
                names.push_back(std::move(device.name));
            return names;
        }
        default:
            return {};
        }
    } catch (const std::exception&) {
        return {};
    }
}

std::unique_ptr<Output> createOutput(FMOD_OUTPUTTYPE type, FMOD_RESULT& result) {
    try {
        result = FMOD_OK;
        switch (const FMOD_OUTPUTTYPE resolved = resolveOutputType(type)) {
        case FMOD_OUTPUTTYPE_NOSOUND:
            return std::make_unique<NoSoundOutput>(true);
        case FMOD_OUTPUTTYPE_NOSOUND_NRT:
            return std::make_unique<NoSoundOutput>(false);
        case FMOD_OUTPUTTYPE_WAVWRITER:
            return std::make_unique<WaveWriterOutput>(true);
        case FMOD_OUTPUTTYPE_WAVWRITER_NRT:
            return std::make_unique<WaveWriterOutput>(false);
        case FMOD_OUTPUTTYPE_ALSA:
        case FMOD_OUTPUTTYPE_PULSEAUDIO:
        case FMOD_OUTPUTTYPE_JACK:
            if (devices::rtAudioApi(resolved))
                return std::make_unique<RtAudioOutput>(resolved);
            break;
        default:
            break;
        }
        result = FMOD_ERR_PLUGIN_MISSING;
    } catch (const std::exception&) {
        result = FMOD_ERR_MEMORY;
    }
    return nullptr;
}

} // namespace soundlib
