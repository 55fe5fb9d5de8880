// Rendering through the library's non-real-time wave writer with the effect object in charge,
// and the measurements the effect tests make on what came out.
#pragma once

#include "clsDsp.h"
#include "playback_fixture.h"

#include <cmath>
#include <functional>
#include <numbers>

namespace fxtest {

namespace fs = std::filesystem;
using namespace sorvel;

inline constexpr int kRate = 44100;
inline constexpr size_t kBlock = 1024; // frames per FMOD_System_Update

// What the player's result check would report (it lets 11 and 36 pass).
inline bool reported(FMOD_RESULT r) {
    return r != FMOD_OK && r != FMOD_ERR_CHANNEL_STOLEN && r != FMOD_ERR_INVALID_HANDLE;
}

// A stereo 16-bit file of `seconds` at 44100 Hz holding f(t) on both channels.
inline fs::path writeSignal(const std::string& name, double seconds,
                            const std::function<double(double)>& f) {
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<int16_t> data(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double v = std::clamp(f(static_cast<double>(i) / kRate), -1.0, 1.0);
        data[2 * i] = data[2 * i + 1] = static_cast<int16_t>(std::lround(v * 32767));
    }
    return playbacktest::writePcm16(name, data, kRate, 2);
}

inline double sine(double hz, double t) {
    return std::sin(2 * std::numbers::pi * hz * t);
}

// One-sample clicks of 0.8 at 0.25 s, 1.25 s, 2.25 s, ...
inline double clicks(double t) {
    const auto frame = std::lround(t * kRate);
    return frame % kRate == kRate / 4 ? 0.8 : 0.0;
}

// Amplitude of the `hz` component of a stretch holding a whole number of its cycles.
inline double toneLevel(const std::vector<float>& x, double hz) {
    double re = 0, im = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / kRate;
        re += x[i] * std::cos(phase);
        im += x[i] * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(x.size());
}

inline double energy(const std::vector<float>& x, size_t first, size_t last) {
    double sum = 0;
    for (size_t i = first; i < last && i < x.size(); ++i) {
        sum += double(x[i]) * x[i];
    }
    return sum;
}

// Plays `file` on a fresh wave-writer system with an effect object; `script` runs before each
// block with the block's index and may switch things. Returns the left channel.
inline std::vector<float> render(const fs::path& file, size_t blocks,
                                 const std::function<void(clsDsp&, size_t block)>& script,
                                 std::vector<FMOD_RESULT>* results = nullptr) {
    playbacktest::RenderedSystem system;
    PlayerState state;
    state.soundSystem = system.system;
    {
        clsDsp dsp(state, [&](FMOD_RESULT r) {
            if (results != nullptr && reported(r)) {
                results->push_back(r);
            }
        });
        state.currentSound = system.open(file, 0x48, false);
        state.currentChannel = system.play(state.currentSound);
        for (size_t block = 0; block < blocks; ++block) {
            if (script) {
                script(dsp, block);
            }
            system.update();
        }
    }
    return testmedia::channelOf(system.finish(), 0);
}

} // namespace fxtest
