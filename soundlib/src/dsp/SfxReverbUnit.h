// Environmental reverb with the I3DL2 parameter set: the reflected sound (shaped by Room,
// Room HF and Room LF) arrives first as a set of early reflections, then as a dense late tail
// from an eight-line feedback delay network whose lines lose high frequencies faster than low
// ones. Every output channel hears its own mix of reflections and lines, so the tail is wide.
//
// Levels are in millibels (100 mB = 1 dB). With Room and Reverb at 0 mB the late tail of an
// impulse carries the impulse's own energy; Reflections likewise for the early part.
// Parameters: 0 dry level, 1 room, 2 room HF, 3 room roll-off (3D distance only: kept, no
// effect here), 4 decay time s, 5 decay HF ratio, 6 reflections, 7 reflections delay s,
// 8 reverb, 9 reverb delay s, 10 diffusion %, 11 density %, 12 HF reference Hz, 13 room LF,
// 14 LF reference Hz.
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"

#include <algorithm>
#include <array>
#include <vector>

namespace soundlib {

// Coefficient p of the one-pole loss filter g (1 - p) / (1 - p z^-1) whose gain at
// `frequencyHz` is `ratio` times its gain at 0 Hz (ratio <= 1).
double onePoleTiltCoefficient(double ratio, double frequencyHz, double sampleRate);

class SfxReverbUnit final : public DspUnit {
public:
    static constexpr int kParameters = 15;

    SfxReverbUnit();
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    // The pre-delay, the diffusers and a line in turn.
    size_t tailFrames() const noexcept override {
        size_t frames = preDelay_.size() + *std::max_element(lineSize_.begin(), lineSize_.end());
        for (const auto& diffuser : diffusers_) {
            frames += diffuser.size();
        }
        return frames;
    }

private:
    static constexpr size_t kLines = 8;
    static constexpr size_t kTaps = 8;
    static constexpr size_t kDiffusers = 4;

    // Frames worked out in one go; the pre-delay holds the longest way back and a chunk more.
    static constexpr size_t kChunkFrames = 256;

    void update() noexcept;
    void processChunk(float* interleaved, size_t frames, size_t stride) noexcept;

    std::array<float, kParameters> p_{};
    double sampleRate_ = 48000.0;
    int channels_ = 2;
    bool ready_ = false;

    // Derived settings.
    float roomHfGain_ = 1.0f, roomLfGain_ = 1.0f, hfCoeff_ = 0.0f, lfCoeff_ = 0.0f;
    size_t reflectionsDelay_ = 0, lateDelay_ = 0;
    float diffusion_ = 0.0f;
    std::array<size_t, kLines> lineLength_{};
    std::array<float, kLines> lineGain_{}, linePole_{};
    float lateInputGain_ = 0.0f;
    SmoothedValue dryGain_, earlyGain_, lateGain_;

    // State.
    float hfLow_ = 0.0f, lfLow_ = 0.0f;
    std::vector<float> preDelay_;
    size_t preMask_ = 0, preAt_ = 0;
    std::array<std::vector<float>, kDiffusers> diffusers_;
    std::array<size_t, kDiffusers> diffuserAt_{};
    std::vector<float> lines_; // the lines one after the other
    std::array<size_t, kLines> lineStart_{}, lineSize_{}, lineAt_{};
    std::array<float, kLines> lineFilter_{};
    // Early taps per output channel: delay behind the reflections delay, and signed gain.
    std::vector<size_t> tapDelay_;
    std::vector<float> tapGain_;
};

} // namespace soundlib
