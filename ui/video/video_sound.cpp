#include "video_sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sorvel {
namespace {

constexpr int32_t kSilence = -10000;

double gainOf(int32_t hundredthsOfDecibel) {
    return hundredthsOfDecibel <= kSilence ? 0.0 : std::pow(10.0, hundredthsOfDecibel / 2000.0);
}

} // namespace

double mpvVolume(int32_t hundredthsOfDecibel) {
    if (hundredthsOfDecibel <= kSilence) {
        return 0.0;
    }
    // mpv's gain is (volume / 100) cubed: 20 log10 of it is 60 log10(volume / 100) decibels.
    return 100.0 * std::pow(10.0, std::min(hundredthsOfDecibel, 0) / 6000.0);
}

ChannelGains balanceGains(int32_t balance) {
    balance = std::clamp(balance, kSilence, -kSilence);
    ChannelGains gains;
    if (balance > 0) {
        gains.left = gainOf(-balance);
    } else if (balance < 0) {
        gains.right = gainOf(balance);
    }
    return gains;
}

std::string mpvBalanceFilter(int32_t balance) {
    const ChannelGains gains = balanceGains(balance);
    if (gains.left == 1.0 && gains.right == 1.0) {
        return {};
    }
    // Mono and multichannel sources are made stereo first, so both sides exist.
    char filter[160];
    std::snprintf(filter, sizeof filter,
                  "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=%.6f*c0|c1=%.6f*c1]",
                  gains.left, gains.right);
    return filter;
}

std::string mpvAudioOutputs(VideoSoundOutput output) {
    switch (output) {
    case VideoSoundOutput::PulseAudio:
        return "pulse,alsa,null";
    case VideoSoundOutput::Alsa:
        return "alsa,null";
    case VideoSoundOutput::Jack:
        return "jack,pulse,alsa,null";
    case VideoSoundOutput::None:
        return "null";
    case VideoSoundOutput::Automatic:
        break;
    }
    return "pulse,alsa,null";
}

} // namespace sorvel
