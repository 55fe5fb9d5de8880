// One second-order filter run on every channel of an interleaved block, in direct form I with
// double-precision state: low bands stay clean, and each output waits on the last one through
// one multiply and one add only, the shortest chain a biquad allows.
#pragma once

#include "biquad_design.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace soundlib {

class Biquad {
public:
    void prepare(int channels) { state_.assign(static_cast<size_t>(channels) * 4, 0.0); }
    void reset() { std::fill(state_.begin(), state_.end(), 0.0); }
    void setCoefficients(const BiquadCoefficients& c) { c_ = c; }
    const BiquadCoefficients& coefficients() const { return c_; }

    void process(float* interleaved, size_t frames, int channels) noexcept {
        const double b0 = c_.b0, b1 = c_.b1, b2 = c_.b2, a1 = c_.a1, a2 = c_.a2;
        const size_t stride = static_cast<size_t>(channels);
        if (channels == 2) {
            // Both channels in one pass: two independent recursions keep the pipeline busy.
            double lx1 = state_[0], lx2 = state_[1], ly1 = state_[2], ly2 = state_[3];
            double rx1 = state_[4], rx2 = state_[5], ry1 = state_[6], ry2 = state_[7];
            for (size_t i = 0; i < frames; ++i) {
                const double lx = interleaved[2 * i];
                const double rx = interleaved[2 * i + 1];
                const double ly = (b0 * lx + b1 * lx1 + b2 * lx2 - a2 * ly2) - a1 * ly1;
                const double ry = (b0 * rx + b1 * rx1 + b2 * rx2 - a2 * ry2) - a1 * ry1;
                lx2 = lx1;
                lx1 = lx;
                ly2 = ly1;
                ly1 = ly;
                rx2 = rx1;
                rx1 = rx;
                ry2 = ry1;
                ry1 = ry;
                interleaved[2 * i] = static_cast<float>(ly);
                interleaved[2 * i + 1] = static_cast<float>(ry);
            }
            const double kept[8] = {lx1, lx2, ly1, ly2, rx1, rx2, ry1, ry2};
            std::copy(kept, kept + 8, state_.begin());
            return;
        }
        for (size_t c = 0; c < stride; ++c) {
            double* s = state_.data() + 4 * c;
            double x1 = s[0], x2 = s[1], y1 = s[2], y2 = s[3];
            float* x = interleaved + c;
            for (size_t i = 0; i < frames; ++i) {
                const double in = x[i * stride];
                const double y = (b0 * in + b1 * x1 + b2 * x2 - a2 * y2) - a1 * y1;
                x2 = x1;
                x1 = in;
                y2 = y1;
                y1 = y;
                x[i * stride] = static_cast<float>(y);
            }
            s[0] = x1;
            s[1] = x2;
            s[2] = y1;
            s[3] = y2;
        }
    }

    // The state a flat filter (output = input) would have after this block, for a caller that
    // skipped running it: when the filter bends again it carries on without a jump.
    void followFlat(const float* interleaved, size_t frames, int channels) noexcept {
        const size_t stride = static_cast<size_t>(channels);
        for (size_t c = 0; c < stride && frames > 0; ++c) {
            double* s = state_.data() + 4 * c;
            const double last = interleaved[(frames - 1) * stride + c];
            const double before = frames > 1 ? interleaved[(frames - 2) * stride + c] : s[0];
            s[0] = s[2] = last;
            s[1] = s[3] = before;
        }
    }

private:
    BiquadCoefficients c_;
    std::vector<double> state_; // per channel: x[-1], x[-2], y[-1], y[-2]
};

} // namespace soundlib
