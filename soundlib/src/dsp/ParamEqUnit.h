// One band of parametric equalisation (the cookbook peaking response, in state-variable form).
// Parameters: 0 centre in Hz, 1 bandwidth in octaves, 2 gain as a linear factor (1 = flat).
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"
#include "StateVariableFilter.h"

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
    StateVariableFilter filter_;
};

} // namespace soundlib
