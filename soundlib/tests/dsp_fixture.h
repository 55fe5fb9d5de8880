// Helpers for the processing-unit and analysis tests: test signals written as WAV files,
// units made and attached through the flat calls, and level measurements.
#pragma once

#include "playback_fixture.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace dsptest {

constexpr int kRate = 44100;
// Frames the non-real-time outputs render per update.
constexpr size_t kBlockFrames = 1024;

// A stereo sine (both channels alike) of `seconds`, 16-bit.
inline std::filesystem::path sineFile(double hz, double seconds, double amplitude = 0.5) {
    const std::string name = "dsp_sine_" + std::to_string(static_cast<int>(hz * 100)) + "_" +
                             std::to_string(static_cast<int>(seconds * 1000)) + "_" +
                             std::to_string(static_cast<int>(amplitude * 10000)) + ".wav";
    const auto path = testmedia::mediaDir() / name;
    if (std::filesystem::exists(path)) {
        return path;
    }
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<int16_t> data(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / kRate);
        data[2 * i] = data[2 * i + 1] = static_cast<int16_t>(std::lround(v * 32767.0));
    }
    return playbacktest::writePcm16(name, data, kRate, 2);
}

// A stereo file holding one full-scale sample at frame 0, then `seconds` of silence.
inline std::filesystem::path impulseFile(double seconds) {
    const std::string name =
        "dsp_impulse_" + std::to_string(static_cast<int>(seconds * 1000)) + ".wav";
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<int16_t> data(frames * 2, 0);
    data[0] = data[1] = 32767;
    return playbacktest::writePcm16(name, data, kRate, 2);
}

// Creates a unit of `type` on the system and sets the given parameters.
inline FMOD_DSP makeUnit(FMOD_SYSTEM system, FMOD_DSP_TYPE type,
                         const std::vector<std::pair<int, float>>& parameters = {}) {
    FMOD_DSP dsp = 0;
    EXPECT_EQ(FMOD_System_CreateDSPByType(system, type, &dsp), FMOD_OK);
    for (const auto& [index, value] : parameters) {
        EXPECT_EQ(FMOD_DSP_SetParameter(dsp, index, value), FMOD_OK) << index << " " << value;
    }
    return dsp;
}

// Plays `file` to its end (plus `tailBlocks` blocks) through units set up by `setup`, which
// gets the system and attaches what it wants. Returns what was written from the sound's first
// frame on: one block is rendered before the sound starts, so that the units have faded in.
inline testmedia::WavData renderThrough(const std::filesystem::path& file,
                                        const std::function<void(FMOD_SYSTEM)>& setup,
                                        int tailBlocks = 2,
                                        const playbacktest::RenderSettings& settings = {}) {
    playbacktest::RenderedSystem render(settings);
    setup(render.system);
    render.update();
    const FMOD_CHANNEL channel = render.play(render.open(file, 0x48, false));
    render.renderToEnd(channel);
    render.update(tailBlocks);
    auto wav = render.finish();
    const size_t skip = std::min(wav.samples.size(), kBlockFrames * size_t(wav.channels));
    wav.samples.erase(wav.samples.begin(), wav.samples.begin() + static_cast<ptrdiff_t>(skip));
    return wav;
}

// A single unit of `type` with `parameters`, attached, on `file`.
inline testmedia::WavData renderWith(const std::filesystem::path& file, FMOD_DSP_TYPE type,
                                     const std::vector<std::pair<int, float>>& parameters,
                                     int tailBlocks = 2) {
    return renderThrough(
        file,
        [&](FMOD_SYSTEM system) {
            EXPECT_EQ(FMOD_System_AddDSP(system, makeUnit(system, type, parameters), nullptr),
                      FMOD_OK);
        },
        tailBlocks);
}

inline double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Level in dB of the left channel over [from, from + seconds) relative to `reference`.
inline double levelDb(const testmedia::WavData& wav, double from, double seconds,
                      double reference) {
    const auto first = static_cast<size_t>(from * wav.sampleRate);
    const auto count = static_cast<size_t>(seconds * wav.sampleRate);
    return decibels(testmedia::rms(testmedia::channelOf(wav, 0, first, count)) / reference);
}

// RMS of the left channel in consecutive windows of `windowSeconds` from `from` on.
inline std::vector<double> windowedRms(const testmedia::WavData& wav, double from, double to,
                                       double windowSeconds) {
    std::vector<double> levels;
    const auto window = static_cast<size_t>(windowSeconds * wav.sampleRate);
    for (auto start = static_cast<size_t>(from * wav.sampleRate);
         start + window <= static_cast<size_t>(to * wav.sampleRate); start += window) {
        levels.push_back(testmedia::rms(testmedia::channelOf(wav, 0, start, window)));
    }
    return levels;
}

// The largest step between neighbouring left-channel samples in [from, to) seconds: a click
// shows as a step far beyond what the steady sound takes.
inline double largestStep(const testmedia::WavData& wav, double from, double to) {
    double largest = 0.0;
    const auto first = static_cast<size_t>(from * wav.sampleRate);
    const auto last = std::min(wav.frames(), static_cast<size_t>(to * wav.sampleRate));
    for (size_t i = std::max<size_t>(first, 1); i < last; ++i) {
        largest = std::max(largest, std::fabs(double(wav.samples[i * wav.channels]) -
                                              double(wav.samples[(i - 1) * wav.channels])));
    }
    return largest;
}

} // namespace dsptest
