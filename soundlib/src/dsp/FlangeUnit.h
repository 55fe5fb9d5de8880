// Flanger: the sound mixed with a copy whose short delay sweeps slowly up and down, so the
// comb of notches this makes moves through the spectrum. Parameters: 0 dry mix, 1 wet mix,
// 2 depth 0.01..1 (share of the widest sweep), 3 rate 0..20 Hz.
#pragma once

#include "DelayLines.h"
#include "DspUnit.h"
#include "Lfo.h"
#include "SmoothedValue.h"

namespace soundlib {

class FlangeUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    size_t tailFrames() const noexcept override { return lines_.frames(); }

private:
    double sampleRate_ = 48000.0;
    float rate_ = 0.1f;
    SmoothedValue dry_{0.45f};
    SmoothedValue wet_{0.55f};
    SmoothedValue depth_{1.0f};
    Lfo lfo_;
    DelayLines lines_;
};

} // namespace soundlib
