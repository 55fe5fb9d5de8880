// Linked compressor: the loudest channel's level (rising at the attack rate, falling at the
// release rate) is held down to the threshold, all channels by the same gain, so the stereo
// picture stays put; make-up gain follows. Parameters: 0 threshold -60..0 dB, 1 attack
// 10..200 ms, 2 release 20..1000 ms, 3 make-up gain 0..30 dB.
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"

namespace soundlib {

// Gain that brings an envelope down to the threshold (both linear); 1 at or below it.
inline float limitingGain(float envelope, float threshold) {
    return envelope > threshold ? threshold / envelope : 1.0f;
}

class CompressorUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;

private:
    void updateTimes() noexcept;

    double sampleRate_ = 48000.0;
    float attackMs_ = 50.0f;
    float releaseMs_ = 50.0f;
    float attackCoeff_ = 0.0f;
    float releaseCoeff_ = 0.0f;
    float rmsCoeff_ = 0.0f;
    SmoothedValue threshold_{1.0f}; // linear
    SmoothedValue makeUp_{1.0f};    // linear
    float meanSquare_ = 0.0f;
    float envelope_ = 0.0f;
};

} // namespace soundlib
