// Phase-vocoder pitch shifter after Laroche and Dolson: each frame's spectrum is cut into the
// regions around its peaks; every peak's true frequency is measured from how its phase moved
// since the last frame, and its whole region is moved to the multiplied frequency and turned
// so that the partial's phase runs on smoothly from frame to frame. Moving regions whole keeps
// each partial's shape (and so its level); duration does not change. Parameters: 0 pitch factor
// 0.5..2, 1 FFT size 256..4096 (a power of two), 2 overlap 1..32 (frames per FFT size), 3 how many
// channels are shifted (0 = all; the rest pass through, delayed alike).
//
// A region moves by the nearest whole number of bins; the rest of the way (up to half a bin) is
// made up by a three-bin filter over the region, so that overlapping frames agree on the new
// frequency instead of partly cancelling (which cost up to 3.4 dB of level, and left ripple at
// the hop rate).
//
// The output is late by one FFT size. At a factor of exactly 1 the unit passes the sound
// through with that same delay instead of resynthesising it; moving into or out of that state,
// or changing the size or overlap, fades rather than jumps.
#pragma once

#include "DspUnit.h"
#include "RealFft.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace soundlib {

class PitchShiftUnit final : public DspUnit {
public:
    void prepare(int sampleRate, int channels, size_t maxBlockFrames) override;
    void setParameter(int index, float value) noexcept override;
    void reset() noexcept override;
    void process(float* interleaved, size_t frames, int channels) noexcept override;
    // A frame leaves the unit at most a ring's length after it came in.
    size_t tailFrames() const noexcept override { return kRingStride; }

    // The weights of bins k - 1, k and k + 1 that make output bin k when a region moves `offset`
    // bins (-0.5..0.5) beyond a whole number, for Hann frames (on analysis and synthesis)
    // `overlap` deep (the FFT size over the hop). A steady partial then overlap-adds to its full
    // level with no ripple at the hop rate; with fewer than four frames, or six and more, only
    // the level is restored (the windows' own ripple, or none worth removing).
    static std::array<double, 3> fractionalShiftWeights(double offset, double overlap);

private:
    static constexpr size_t kSizes = 5; // 256 .. 4096
    static constexpr size_t kMaxSize = 4096;
    static constexpr size_t kMaxBins = kMaxSize / 2 + 1;
    // Room for a guard bin on either side of the spectrum and to round a bin count up to fours.
    static constexpr size_t kPadded = kMaxBins + 8;
    // Fractional moves from -0.5 to 0.5 bin in steps of 1/64; in between the weights are
    // interpolated.
    static constexpr size_t kOffsetSteps = 65;
    static constexpr size_t kRing = 2 * kMaxSize;
    static constexpr size_t kRingMask = kRing - 1;
    // Each ring is followed by copies of its first frames, so that four frames can be read or
    // added at once right up to the wrap.
    static constexpr size_t kRingStride = kRing + 4;

    void configure() noexcept;
    void startVocoder() noexcept;
    void runFrame(size_t channel) noexcept;

    // Settings as asked for.
    float pitch_ = 1.0f;
    size_t wantedSize_ = 1024;
    size_t wantedOverlap_ = 4;
    int maxChannels_ = 0;

    // Settings in use.
    size_t size_ = 1024;
    size_t overlap_ = 4;
    size_t hop_ = 256;
    size_t sizeIndex_ = 2;
    float norm_ = 0.0f;
    // fractionalShiftWeights() for the overlap in use: per step up to the last, the triple and
    // padding, then how far each weight moves to the next step and padding.
    std::array<float, 8 * (kOffsetSteps - 1)> weights_{};

    std::array<std::unique_ptr<RealFft>, kSizes> ffts_;
    std::array<std::vector<float>, kSizes> windows_;
    size_t channels_ = 0;
    std::vector<float> input_;  // per channel, kRingStride frames
    std::vector<float> output_; // per channel, kRingStride frames of overlap-added synthesis
    // Per channel, kPadded each: the last frame's spectrum (after a guard bin, as re_ and im_),
    // and the turn given to the region that landed on each bin. Each frame's arrays are swapped
    // in whole rather than copied.
    std::vector<std::vector<float>> lastRe_, lastIm_, lastTurn_;
    std::vector<float> frame_, re_, im_, power_, outRe_, outIm_, turn_;
    // The power of the source bin whose turn each output bin holds: where regions overlap the
    // loudest one's turn is the one carried on.
    std::vector<float> turnPower_;
    std::vector<int32_t> peaks_; // with room for four more than the most a frame can have
    // Per peak, four at a time: inputs and results of the phase arithmetic.
    std::vector<float> peakCrossRe_, peakCrossIm_, peakExpected_, peakBin_;
    std::vector<float> peakShifted_, peakMove_, peakOffset_, peakDelta_, peakTurn_, peakSine_,
        peakCosine_;
    std::vector<float> peakWeights_; // per peak the three filter weights and padding

    size_t at_ = 0;         // ring position of the newest input frame
    size_t untilFrame_ = 0; // input frames until the next analysis
    bool running_ = false;  // frames are being analysed
    size_t warmup_ = 0;     // frames until the synthesis is complete
    float mix_ = 0.0f;      // 0: plain delay, 1: resynthesised
    float fadeStep_ = 0.0f;
    float switchGain_ = 1.0f; // dips to 0 and back while the size or overlap changes
};

} // namespace soundlib
