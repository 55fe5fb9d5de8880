// The video's sound in mpv's terms: the volume and balance the engine gives in hundredths of a
// decibel, and the audio outputs to try.
#pragma once

#include "OutputDrivers.h"

#include <cstdint>
#include <string>

namespace sorvel {

// mpv's volume (percent on its cubic scale, 100 = unchanged) for an attenuation in hundredths
// of a decibel; -10000 and below is silence (0).
double mpvVolume(int32_t hundredthsOfDecibel);

struct ChannelGains {
    double left = 1.0;
    double right = 1.0;
};

// A positive balance lowers the left channel by that many hundredths of a decibel, a negative
// one the right; +-10000 silences that side.
ChannelGains balanceGains(int32_t balance);

// mpv's audio filter chain for a balance: empty at the centre, else a stereo pan with the gains.
std::string mpvBalanceFilter(int32_t balance);

// mpv's list of audio outputs, tried in order.
std::string mpvAudioOutputs(VideoSoundOutput output);

} // namespace sorvel
