// Converts interleaved float frames from a file's rate to the output rate through
// libswresample's soxr engine (20-bit precision: its images and ripple lie far below anything
// heard), so the mixer's own interpolation is left only for frequency and speed changes.
//
// soxr trims its filter's delay: the first frame out is the first frame in, and frame k out
// lies at input time k * inRate / outRate. Positions therefore cross by the ratio alone.
#pragma once

#include "ffmpeg_handles.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace soundlib {

class RateConverter {
public:
    // Whether a file at inRate is converted for an output at outRate: rates differ and both
    // are ones audio really uses (a damaged header may claim any rate; the mixer's resampler
    // plays such a file as it is, within its own limits).
    static bool converts(int inRate, int outRate);
    // Null when libswresample cannot make the converter (rates out of range, no soxr).
    static std::unique_ptr<RateConverter> create(int channels, int inRate, int outRate);

    struct Key {}; // construction goes through create()
    RateConverter(Key, int channels);

    int channels() const { return channels_; }
    // The most frames the next convert(frames) or (frames = 0) drain() may write, counting
    // what the filter holds back.
    size_t maxOutput(size_t frames) const;
    // Converts `frames` input frames into `out`, which must hold maxOutput(frames) frames, and
    // returns how many it wrote. The filter holds the last few back until more input comes or
    // drain() is called.
    size_t convert(const float* in, size_t frames, float* out);
    // Writes what the filter holds, as if the input went silent (its end).
    size_t drain(float* out);
    // Forgets everything so far: the next input starts a new, aligned run (after a seek).
    bool reset();

    // A whole sound in memory, converted from inRate to outRate. Null when the rates cannot be
    // converted; the caller keeps the sound as it is.
    static std::unique_ptr<std::vector<float>> convertAll(const std::vector<float>& frames,
                                                          int channels, int inRate, int outRate);
    // A looping sound: its `frames.size() / channels` frames become exactly `outFrames` frames
    // (the nearest whole number at the output rate, so the loop stays whole), converted as
    // one turn of a loop that plays on and on, so its end runs into its start without a seam.
    static std::unique_ptr<std::vector<float>> convertLoop(const std::vector<float>& frames,
                                                           int channels, uint64_t outFrames);

private:
    SwrPtr swr_;
    int channels_;
};

} // namespace soundlib
