// Chorus: three copies of the sound, each delayed by a time that wavers around the set delay
// (the three follow one slow oscillator at 0, 90 and 180 degrees), mixed with the dry sound.
// Parameters: 0 dry mix, 1-3 wet mix of each copy, 4 delay 0.1..100 ms, 5 rate 0..20 Hz,
// 6 depth (share of the delay the waver reaches), 7 feedback of the copies into the line.
#pragma once

#include "DelayLines.h"
#include "DspUnit.h"
#include "Lfo.h"
#include "SmoothedValue.h"

namespace soundlib {

class ChorusUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    size_t tailFrames() const noexcept override { return lines_.frames(); }

private:
    double sampleRate_ = 48000.0;
    float rate_ = 0.8f;
    SmoothedValue dry_{0.5f};
    SmoothedValue wet_[3] = {SmoothedValue{0.5f}, SmoothedValue{0.5f}, SmoothedValue{0.5f}};
    SmoothedValue delayMs_{40.0f};
    SmoothedValue depth_{0.03f};
    SmoothedValue feedback_{0.0f};
    Lfo lfo_;
    DelayLines lines_;
};

} // namespace soundlib
