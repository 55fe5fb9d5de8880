// What the sound library offers on this machine for the options window's output page: the
// outputs a user may choose and the devices ("drivers") of each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvel {

struct OutputChoice {
    std::string label;
    int32_t outputType; // the library's output number, as the settings store it
};

// Autodetect, PulseAudio/PipeWire, ALSA, JACK (only when a JACK server answers), no sound and
// the wave writer, in that order.
std::vector<OutputChoice> availableOutputs();

// The entry of `outputs` a stored output number selects. Numbers of other systems' outputs
// (and anything unknown) select autodetect, the first entry.
int outputChoiceIndex(const std::vector<OutputChoice>& outputs, int32_t outputType);

// Where a video's sound goes: the video window plays it through its own output, chosen to
// follow the sound library's (no sound and the wave writers leave videos silent too).
enum class VideoSoundOutput { Automatic, PulseAudio, Alsa, Jack, None };
VideoSoundOutput videoSoundOutput(int32_t outputType);

// The device names the library reports for `outputType`; empty when it reports none. Asks a
// sound system of its own, so the running one is not disturbed.
std::vector<std::string> outputDriverNames(int32_t outputType);

} // namespace sorvel
