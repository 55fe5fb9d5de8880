// Room reverb after Jezar's Freeverb: per channel eight damped feedback combs in parallel and
// four allpasses in series, tuned in samples at 44.1 kHz and scaled to the output rate; a
// channel pair shares its input and spreads its two tanks 23 samples apart. Parameters:
// 0 room size, 1 damping, 2 wet mix, 3 dry mix, 4 stereo width, 5 mode (1 = freeze: the tail
// rings on unchanged and takes no new input).
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"

#include <array>
#include <vector>

namespace soundlib {

class ReverbUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    size_t tailFrames() const noexcept override;

private:
    struct Line {
        std::vector<float> buffer;
        size_t index = 0;
        float store = 0.0f; // combs: the damping filter's memory
    };
    struct Tank {
        std::array<Line, 8> combs;
        std::array<Line, 4> allpasses;
    };

    void update() noexcept;
    void runTank(Tank& tank, const float* input, float* output, size_t frames) noexcept;

    float room_ = 0.5f, damp_ = 0.5f, wet_ = 0.33f, dry_ = 0.66f, width_ = 1.0f;
    bool frozen_ = false;
    float feedback_ = 0.0f, damping_ = 0.0f, inputGain_ = 0.0f;
    SmoothedValue wetSame_, wetCross_, dryGain_;
    std::vector<Tank> tanks_; // one per channel
    std::vector<float> input_, left_, right_;
};

} // namespace soundlib
