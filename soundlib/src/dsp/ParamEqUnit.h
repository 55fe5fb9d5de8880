// One band of parametric equalisation (cookbook peaking biquad). Parameters: 0 centre in Hz,
// 1 bandwidth in octaves, 2 gain as a linear factor (1 = flat).
#pragma once

#include "Biquad.h"
#include "DspUnit.h"
#include "SmoothedValue.h"

namespace soundlib {

class ParamEqUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;

private:
    void design() noexcept;

    double sampleRate_ = 48000.0;
    SmoothedValue logCentre_{12.97f}; // log2 of Hz
    SmoothedValue bandwidth_{1.0f};
    SmoothedValue gainDb_{0.0f};
    Biquad filter_;
    bool flat_ = true; // the coefficients in use leave the sound as it is
};

} // namespace soundlib
