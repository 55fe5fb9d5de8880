// The running state of one processing unit.
//
// prepare() runs on the caller's thread while no mixer holds the unit; setParameter(), reset()
// and process() run wherever the unit runs (the mixer thread once attached) and never allocate,
// lock or wait.
#pragma once

#include <cstddef>

namespace soundlib {

class DspUnit {
public:
    virtual ~DspUnit() = default;

    // Sizes every buffer for this format. Parameters set before are kept.
    virtual void prepare(int sampleRate, int channels, size_t maxBlockFrames) = 0;
    // value lies inside the parameter's published range. Values that would click when they
    // jump glide to the new setting instead.
    virtual void setParameter(int index, float value) noexcept = 0;
    // Forgets the audio heard so far; smoothed values jump to their targets.
    virtual void reset() noexcept = 0;
    // frames <= maxBlockFrames; channels is the prepared count.
    virtual void process(float* interleaved, size_t frames, int channels) noexcept = 0;
    // With silence coming in, how long the output may stay below hearing while the unit still
    // holds sound it gives out later (a delay line's length); 0 when what it holds only fades.
    virtual size_t tailFrames() const noexcept { return 0; }
};

} // namespace soundlib
