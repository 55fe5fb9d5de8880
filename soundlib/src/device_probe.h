// Finding ALSA and JACK devices through RtAudio.
#pragma once

#include "soundlib.h"

#include <RtAudio.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace soundlib::devices {

struct OutputDevice {
    std::string name;
    unsigned int id = 0; // RtAudio device index
};

// The kernel lists at least one ALSA sound card.
bool alsaHasSoundCards();

// The RtAudio API behind a device output type (12 ALSA, 20 JACK) when this RtAudio build has it.
std::optional<RtAudio::Api> rtAudioApi(FMOD_OUTPUTTYPE type);

// An RtAudio instance for exactly `api` with console warnings off; null when it cannot be made.
std::unique_ptr<RtAudio> makeRtAudio(RtAudio::Api api);
// Devices with output channels, in RtAudio index order.
std::vector<OutputDevice> outputDevices(RtAudio& audio);

// The output devices of a device output type; empty when there are none or the type has no
// RtAudio API.
std::vector<OutputDevice> listOutputDevices(FMOD_OUTPUTTYPE type);

} // namespace soundlib::devices
