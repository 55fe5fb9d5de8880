// Overdrive by a smooth waveshaper, y = (1 + k) x / (1 + k |x|) with k = 2 level / (1 - level):
// level 0 leaves the sound as it is, higher levels round the peaks off and add harmonics,
// towards a square wave at 1. Parameter 0: level 0..1.
#pragma once

#include "DspUnit.h"
#include "SmoothedValue.h"

namespace soundlib {

// The shaping constant k for a level (kept finite at level 1).
float distortionDrive(float level);

class DistortionUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;

private:
    SmoothedValue drive_{distortionDrive(0.5f)};
};

} // namespace soundlib
