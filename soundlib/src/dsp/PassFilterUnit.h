// Resonant two-pole low-pass or high-pass filter (the cookbook response, in state-variable form).
// Parameters: 0 cutoff in Hz, 1 resonance 1..10 (1 = maximally flat).
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"
#include "StateVariableFilter.h"

namespace soundlib {

class PassFilterUnit final : public DspUnit {
public:
    enum class Kind { LowPass, HighPass };
    explicit PassFilterUnit(Kind kind);

    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;

private:
    void design() noexcept;

    Kind kind_;
    double sampleRate_ = 48000.0;
    SmoothedValue logCutoff_{12.29f}; // log2 of Hz: sweeps sound even across octaves
    SmoothedValue resonance_{1.0f};
    StateVariableFilter filter_;
};

} // namespace soundlib
