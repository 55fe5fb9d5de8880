// Repeating echo. Parameters: 0 delay 10..5000 ms, 1 decay ratio (each repeat's share of the
// one before), 2 how many channels echo (0 = all; the rest pass untouched), 3 dry mix,
// 4 wet mix.
#pragma once

#include "DelayLines.h"
#include "DspUnit.h"
#include "SmoothedValue.h"

#include <algorithm>

namespace soundlib {

class EchoUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    // A repeat comes back one delay after the sound it repeats.
    size_t tailFrames() const noexcept override {
        return std::max(delayFrames_, nextDelayFrames_) + 4;
    }

private:
    size_t framesFor(float ms) const;
    // A pair of channels, both echoed, with nothing gliding or fading.
    void processSteadyPair(float* interleaved, size_t frames) noexcept;

    double sampleRate_ = 48000.0;
    float delayMs_ = 500.0f;
    int maxChannels_ = 0;
    SmoothedValue decay_{0.5f};
    SmoothedValue dry_{1.0f};
    SmoothedValue wet_{1.0f};
    DelayLines lines_;
    // A new delay time fades from the old read position to the new one instead of jumping.
    size_t delayFrames_ = 1;
    size_t nextDelayFrames_ = 1;
    float fade_ = 0.0f; // 0 = reading delayFrames_, 1 = nextDelayFrames_
    float fadeStep_ = 0.0f;
    bool fading_ = false;
};

} // namespace soundlib
