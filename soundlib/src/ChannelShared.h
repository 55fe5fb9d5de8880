// Per-channel values shared between the caller's thread and the mixer, all atomics.
#pragma once

#include "PlayedBlocks.h"

#include <atomic>
#include <cstdint>

namespace soundlib {

struct ChannelShared {
    // Written by the caller's thread, read by the mixer once per block.
    std::atomic<float> volume{1.0f};
    std::atomic<float> gain{1.0f}; // before the volume; limited to full scale above 1
    std::atomic<float> pan{0.0f};
    std::atomic<float> frequency{0.0f};
    std::atomic<bool> paused{false};
    // A channel started after another one: set by the caller's thread before the start is
    // posted, cleared by the mixer when the channel begins to play. While it is set the channel
    // has never been heard.
    std::atomic<bool> waiting{false};
    // Written by the mixer: generation (high 16 bits) and source frame (low 48 bits) of the
    // voice, the generation of the last voice that reached its end and the output frame where
    // it did (written before the generation), and the voice's last blocks.
    std::atomic<uint64_t> position{0};
    std::atomic<uint32_t> endedGeneration{0};
    std::atomic<uint64_t> endedAt{0};
    PlayedBlocks played;

    static constexpr uint64_t pack(uint16_t generation, uint64_t frame) {
        return (static_cast<uint64_t>(generation) << 48) | (frame & 0xFFFFFFFFFFFFull);
    }
};

// The highest level FMOD_Channel_SetGain takes (+24 dB).
inline constexpr float kMaxChannelGain = 16.0f;

// Gains of a voice on the left and right speaker for a pan of -1..1 (volume not included).
// Mono sources pan with constant power (each side -3 dB at centre); stereo sources keep both
// sides whole at centre and fade the far side out with the same law.
struct PanGains {
    float left;
    float right;
};
PanGains panGains(int sourceChannels, float pan);

} // namespace soundlib
