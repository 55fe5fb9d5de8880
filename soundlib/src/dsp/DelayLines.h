// A circular delay line of whole frames (the channels interleaved as in the block, so one load
// reads a point of both channels of a pair), sized to a power of two of frames so positions
// wrap with a mask.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace soundlib {

class DelayLines {
public:
    // Room for delays up to maxDelayFrames plus a few frames for interpolation.
    void prepare(int channels, size_t maxDelayFrames) {
        size_t size = 8;
        while (size < maxDelayFrames + 8) {
            size <<= 1;
        }
        size_ = size;
        mask_ = size - 1;
        channels_ = static_cast<size_t>(channels);
        data_.assign(size_ * channels_, 0.0f);
        write_ = 0;
    }
    void clear() { std::fill(data_.begin(), data_.end(), 0.0f); }

    // Frame `position` (already masked) starts at data() + position * channels().
    float* data() { return data_.data(); }
    size_t channels() const { return channels_; }
    // Frames the line holds.
    size_t frames() const { return size_; }
    size_t mask() const { return mask_; }
    // The position the current frame is written to; delay d reads (write - d) & mask.
    size_t writePosition() const { return write_; }
    void advance(size_t frames) { write_ = (write_ + frames) & mask_; }

    // A read `delay` frames (>= 2) behind the write position by four-point Hermite
    // interpolation, worked out once and applied to every channel's line.
    struct HermiteTap {
        size_t back = 0; // the first of the four points, frames behind the write position
        float weight[4] = {};
    };
    static HermiteTap hermiteTap(float delay) {
        // Whole and fractional parts apart: a float position would lose the fraction on long
        // lines.
        const float whole = std::floor(delay);
        const float t = 1.0f - (delay - whole); // between the second and third point
        const float t2 = t * t;
        const float t3 = t2 * t;
        HermiteTap tap;
        tap.back = static_cast<size_t>(whole) + 2;
        tap.weight[0] = -0.5f * t + t2 - 0.5f * t3;
        tap.weight[1] = 1.0f - 2.5f * t2 + 1.5f * t3;
        tap.weight[2] = 0.5f * t + 2.0f * t2 - 1.5f * t3;
        tap.weight[3] = -0.5f * t2 + 0.5f * t3;
        return tap;
    }
    // Channel `channel` of the line at `data` with `stride` channels.
    static float read(const float* data, size_t stride, size_t channel, size_t mask, size_t at,
                      const HermiteTap& tap) {
        const size_t i = at - tap.back;
        auto point = [&](size_t j) { return data[((i + j) & mask) * stride + channel]; };
        return tap.weight[0] * point(0) + tap.weight[1] * point(1) + tap.weight[2] * point(2) +
               tap.weight[3] * point(3);
    }

private:
    std::vector<float> data_;
    size_t size_ = 0;
    size_t mask_ = 0;
    size_t channels_ = 0;
    size_t write_ = 0;
};

} // namespace soundlib
