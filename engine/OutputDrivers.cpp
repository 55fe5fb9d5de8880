#include "OutputDrivers.h"

#include "soundlib.h"

#include <algorithm>
#include <array>

namespace sorvel {

std::vector<std::string> outputDriverNames(int32_t outputType) {
    std::vector<std::string> names;
    FMOD_SYSTEM system = 0;
    if (FMOD_System_Create(&system) != FMOD_OK) {
        return names;
    }
    int count = 0;
    if (FMOD_System_SetOutput(system, static_cast<FMOD_OUTPUTTYPE>(outputType)) == FMOD_OK &&
        FMOD_System_GetNumDrivers(system, &count) == FMOD_OK) {
        for (int driver = 0; driver < count; ++driver) {
            std::array<char, 256> name{};
            if (FMOD_System_GetDriverInfo(system, driver, name.data(), int(name.size()) - 1,
                                          nullptr) == FMOD_OK) {
                names.emplace_back(name.data());
            }
        }
    }
    FMOD_System_Release(system);
    return names;
}

std::vector<OutputChoice> availableOutputs() {
    std::vector<OutputChoice> outputs = {
        {"自動検出 (PulseAudio / PipeWire → ALSA)", FMOD_OUTPUTTYPE_AUTODETECT},
        {"PulseAudio / PipeWire", FMOD_OUTPUTTYPE_PULSEAUDIO},
        {"ALSA", FMOD_OUTPUTTYPE_ALSA},
    };
    if (!outputDriverNames(FMOD_OUTPUTTYPE_JACK).empty()) {
        outputs.push_back({"JACK", FMOD_OUTPUTTYPE_JACK});
    }
    outputs.push_back({"出力しない (No Sound)", FMOD_OUTPUTTYPE_NOSOUND});
    outputs.push_back({"Wave Writer (sorvel_output.wav)", FMOD_OUTPUTTYPE_WAVWRITER});
    return outputs;
}

int outputChoiceIndex(const std::vector<OutputChoice>& outputs, int32_t outputType) {
    // The wave writer that renders as fast as it can is no use to a listener: the real-time
    // one stands for it.
    if (outputType == FMOD_OUTPUTTYPE_WAVWRITER_NRT) {
        outputType = FMOD_OUTPUTTYPE_WAVWRITER;
    }
    const auto found = std::find_if(outputs.begin(), outputs.end(), [&](const OutputChoice& o) {
        return o.outputType == outputType;
    });
    return found == outputs.end() ? 0 : static_cast<int>(found - outputs.begin());
}

VideoSoundOutput videoSoundOutput(int32_t outputType) {
    switch (outputType) {
    case FMOD_OUTPUTTYPE_PULSEAUDIO:
        return VideoSoundOutput::PulseAudio;
    case FMOD_OUTPUTTYPE_ALSA:
        return VideoSoundOutput::Alsa;
    case FMOD_OUTPUTTYPE_JACK:
        return VideoSoundOutput::Jack;
    case FMOD_OUTPUTTYPE_NOSOUND:
    case FMOD_OUTPUTTYPE_NOSOUND_NRT:
    case FMOD_OUTPUTTYPE_WAVWRITER:
    case FMOD_OUTPUTTYPE_WAVWRITER_NRT:
        return VideoSoundOutput::None;
    default:
        return VideoSoundOutput::Automatic;
    }
}

} // namespace sorvel
