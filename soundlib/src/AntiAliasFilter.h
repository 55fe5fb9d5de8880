// Band-limits a voice's source ahead of the resampler while the voice is played faster than the
// output rate (high-rate files, the speed control): the interpolators alone let everything
// between the output's Nyquist and the source's fold back into the audible band.
//
// An eighth-order inverse Chebyshev low-pass at the source rate whose corner follows the step:
// flat through the audible band, 3 dB down at 0.45 of the output rate, at least 60 dB down
// wherever an image would land below 0.36 of it (0.33 at steps beyond 4, where the bilinear
// transform no longer steepens the edge). IIR because its cost per source frame
// does not grow with the step, and the inverse Chebyshev because its pass band is as flat as a
// Butterworth's while its stop band starts far sooner.
//
// Lives inside the mixer's Voice: all state is held here, nothing is allocated, and a change of
// step only recomputes the coefficients. The filter follows the source frame by frame across
// blocks even though the resampler's windows overlap (or, at large steps, leave gaps).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace soundlib {

class AntiAliasFilter {
public:
    // y = b0 x + b1 x[-1] + b2 x[-2] - a1 y[-1] - a2 y[-2]
    struct Section {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    };
    static constexpr size_t kSections = 4;
    static constexpr int kMaxChannels = 2;
    // Filtered frames carried from one block to the next; the resampler's windows overlap by
    // fewer than this.
    static constexpr size_t kHistoryFrames = 8;

    // The sections for a source running `step` (> 1) times the output rate.
    static std::array<Section, kSections> design(double step);

    // The next block starts afresh (a new channel, a seek, a new stream segment, or blocks
    // that went unfiltered): as if the source had held the value at the play position
    // forever, so the filter neither rises from zero nor rings on a step that is not there.
    void reset() { running_ = false; }
    // Frame numbers move back by `frames`: a looping sample's position wrapped round while the
    // source carries on seamlessly.
    void rebase(int64_t frames) { next_ -= frames; }

    // The source's step and its channels (1 or 2, interleaved), before each block.
    void configure(double step, int channels);
    // Plans a block whose resampler reads filtered source frames [first, last] around the play
    // position `position`. Returns the first frame the caller gathers: `first`, or earlier when
    // frames between the last block and this one still have to pass through the filter.
    // `maxFrames` is the most the caller can gather; beyond it the filter starts afresh.
    int64_t begin(int64_t first, int64_t position, int64_t last, size_t maxFrames);
    // Filters the gathered block in place. `frames` holds source frames from begin()'s result
    // on, of which the first `available` are real (a stream may be short of data).
    void process(float* frames, size_t available);

    bool running() const { return running_; }
    // The first source frame not filtered yet: the caller keeps it readable for the next block.
    int64_t next() const { return next_; }

private:
    template <int Channels> void run(float* frames, size_t count);
    void prime(const float* frame);

    bool running_ = false;
    int channels_ = 1;
    int64_t start_ = 0; // the first frame of the planned block
    int64_t last_ = 0;  // its last frame
    int64_t next_ = 0;
    size_t kept_ = 0; // history holds filtered frames [next_ - kept_, next_)
    double designedStep_ = 0.0;
    std::array<Section, kSections> sections_{};
    // Per section and channel: the two transposed direct form II state values.
    std::array<double, kSections * kMaxChannels * 2> state_{};
    std::array<float, kHistoryFrames * kMaxChannels> history_{};
};

} // namespace soundlib
