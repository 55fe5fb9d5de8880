// Choosing, listing and making outputs.
#include "NoSoundOutput.h"
#include "RtAudioOutput.h"
#include "WaveWriterOutput.h"
#include "device_probe.h"
#include "output.h"
#include "pulse/PulseConnection.h"
#include "pulse/PulseOutput.h"

#include <exception>

namespace soundlib {

bool isAutodetect(FMOD_OUTPUTTYPE type) {
    switch (type) {
    case FMOD_OUTPUTTYPE_AUTODETECT:
    case FMOD_OUTPUTTYPE_UNKNOWN:
    case FMOD_OUTPUTTYPE_DSOUND:
    case FMOD_OUTPUTTYPE_WINMM:
    case FMOD_OUTPUTTYPE_OPENAL:
    case FMOD_OUTPUTTYPE_WASAPI:
    case FMOD_OUTPUTTYPE_ASIO:
        return true;
    default:
        return false;
    }
}

std::vector<FMOD_OUTPUTTYPE> outputCandidates(FMOD_OUTPUTTYPE requested) {
    if (!isAutodetect(requested))
        return {requested};
    // The sound server first: it mixes for everyone (PipeWire answers as one too). Without a
    // card ALSA's "default" could only lead to a server, and none answered.
    std::vector<FMOD_OUTPUTTYPE> candidates{FMOD_OUTPUTTYPE_PULSEAUDIO};
    if (devices::rtAudioApi(FMOD_OUTPUTTYPE_ALSA) && devices::alsaHasSoundCards())
        candidates.push_back(FMOD_OUTPUTTYPE_ALSA);
    candidates.push_back(FMOD_OUTPUTTYPE_NOSOUND);
    return candidates;
}

namespace {

std::vector<std::string> driversOf(FMOD_OUTPUTTYPE type) {
    try {
        switch (type) {
        case FMOD_OUTPUTTYPE_NOSOUND:
        case FMOD_OUTPUTTYPE_NOSOUND_NRT:
            return {"No sound"};
        case FMOD_OUTPUTTYPE_WAVWRITER:
        case FMOD_OUTPUTTYPE_WAVWRITER_NRT:
            return {"Wave writer"};
        case FMOD_OUTPUTTYPE_PULSEAUDIO: {
            std::vector<std::string> names;
            for (auto& sink : pulse::listSinks())
                names.push_back(std::move(sink.description));
            return names;
        }
        case FMOD_OUTPUTTYPE_ALSA:
        case FMOD_OUTPUTTYPE_JACK: {
            std::vector<std::string> names;
            for (auto& device : devices::listOutputDevices(type))
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

} // namespace

FMOD_OUTPUTTYPE resolveOutputType(FMOD_OUTPUTTYPE requested) {
    if (!isAutodetect(requested))
        return requested;
    for (const FMOD_OUTPUTTYPE candidate : outputCandidates(requested))
        if (candidate == FMOD_OUTPUTTYPE_NOSOUND || !driversOf(candidate).empty())
            return candidate;
    return FMOD_OUTPUTTYPE_NOSOUND;
}

std::vector<std::string> listDrivers(FMOD_OUTPUTTYPE type) {
    for (const FMOD_OUTPUTTYPE candidate : outputCandidates(type))
        if (auto names = driversOf(candidate); !names.empty() || !isAutodetect(type))
            return names;
    return {};
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
        case FMOD_OUTPUTTYPE_PULSEAUDIO:
            return std::make_unique<PulseOutput>();
        case FMOD_OUTPUTTYPE_ALSA:
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
