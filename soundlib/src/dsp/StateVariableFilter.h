// One second-order filter run on every channel of an interleaved block, in state-variable form
// with trapezoidal integrators and double-precision state. It answers exactly as the cookbook
// biquads do, but its two states are the integrators' own, so a cutoff, Q or gain that moves
// every few frames (a sweep across octaves at full resonance) does not pump energy into the
// sound: a direct form I high-pass swept so between 1 Hz and 22 kHz rose to 60 times a full
// scale square wave, this form stays at what the resonance gives when it stands still.
#pragma once

#include "biquad_design.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace soundlib {

namespace svf_detail {

using d2 = double __attribute__((vector_size(16)));
using f2 = float __attribute__((vector_size(8)));
struct Pair {
    d2 first, second;
};

// Two stereo frames widened to double, each frame a vector; and narrowed back. The compiler
// makes four scalar conversions of an eight-byte vector, so on SSE2 the whole block of four
// floats goes at once.
inline Pair widen(const float* in) {
#if defined(__SSE2__)
    const __m128 v = _mm_loadu_ps(in);
    return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))};
#else
    f2 a, b;
    std::memcpy(&a, in, sizeof a);
    std::memcpy(&b, in + 2, sizeof b);
    return {__builtin_convertvector(a, d2), __builtin_convertvector(b, d2)};
#endif
}
inline void narrow(float* out, d2 first, d2 second) {
#if defined(__SSE2__)
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(first), _mm_cvtpd_ps(second)));
#else
    const f2 a = __builtin_convertvector(first, f2), b = __builtin_convertvector(second, f2);
    std::memcpy(out, &a, sizeof a);
    std::memcpy(out + 2, &b, sizeof b);
#endif
}

} // namespace svf_detail

class StateVariableFilter {
public:
    void prepare(int channels) { state_.assign(static_cast<size_t>(channels) * 2, 0.0); }
    void reset() { std::fill(state_.begin(), state_.end(), 0.0); }
    void setCoefficients(const SvfCoefficients& c) { c_ = c; }

    void process(float* interleaved, size_t frames, int channels) noexcept {
        // The per-sample steps of the state-variable form folded into one linear map of the
        // same two states: each new state waits on the old ones through one multiply and two
        // adds, where the steps as written chain five operations.
        const double a1 = c_.a1, a2 = c_.a2, a3 = c_.a3;
        const double s11 = 2.0 * a1 - 1.0, s12 = -2.0 * a2, x1 = 2.0 * a2;
        const double s21 = 2.0 * a2, s22 = 1.0 - 2.0 * a3, x2 = 2.0 * a3;
        const double y0 = c_.m0 + c_.m1 * a2 + c_.m2 * a3;
        const double y1 = c_.m1 * a1 + c_.m2 * a2;
        const double y2 = c_.m2 * (1.0 - a3) - c_.m1 * a2;
        auto tick = [&](double x, double& s1, double& s2) {
            const double y = y0 * x + y1 * s1 + y2 * s2;
            const double next1 = s11 * s1 + (s12 * s2 + x1 * x);
            s2 = s22 * s2 + (s21 * s1 + x2 * x);
            s1 = next1;
            return y;
        };
        if (channels == 2) {
            // Both channels side by side in one vector: one set of multiplies serves the pair.
            // Two frames a step: the states then wait on their last values through one multiply
            // and two adds per pair of frames, half the chain that bounds a frame at a time.
            using svf_detail::d2, svf_detail::f2, svf_detail::narrow, svf_detail::widen;
            // Over two frames: s'' = A^2 s + A b x0 + b x1, y1 = c A s + c b x0 + y0 x1.
            const double t11 = s11 * s11 + s12 * s21, t12 = s11 * s12 + s12 * s22;
            const double t21 = s21 * s11 + s22 * s21, t22 = s21 * s12 + s22 * s22;
            const double p1 = s11 * x1 + s12 * x2, p2 = s21 * x1 + s22 * x2;
            const double e1 = y1 * s11 + y2 * s21, e2 = y1 * s12 + y2 * s22;
            const double cb = y1 * x1 + y2 * x2;
            d2 first = {state_[0], state_[2]}, second = {state_[1], state_[3]}; // s1, s2 of each
            size_t i = 0;
            for (; i + 2 <= frames; i += 2) {
                const auto [x0, xNext] = widen(interleaved + 2 * i);
                const d2 out0 = y0 * x0 + y1 * first + y2 * second;
                const d2 out1 = (e1 * first + e2 * second) + (cb * x0 + y0 * xNext);
                const d2 next1 = (t11 * first + t12 * second) + (p1 * x0 + x1 * xNext);
                second = (t21 * first + t22 * second) + (p2 * x0 + x2 * xNext);
                first = next1;
                narrow(interleaved + 2 * i, out0, out1);
            }
            if (i < frames) {
                f2 in;
                std::memcpy(&in, interleaved + 2 * i, sizeof in);
                const d2 x = __builtin_convertvector(in, d2);
                const d2 y = y0 * x + y1 * first + y2 * second;
                const d2 next = s11 * first + (s12 * second + x1 * x);
                second = s22 * second + (s21 * first + x2 * x);
                first = next;
                const f2 out = __builtin_convertvector(y, f2);
                std::memcpy(interleaved + 2 * i, &out, sizeof out);
            }
            state_[0] = first[0];
            state_[1] = second[0];
            state_[2] = first[1];
            state_[3] = second[1];
            return;
        }
        const size_t stride = static_cast<size_t>(channels);
        for (size_t c = 0; c < stride; ++c) {
            double s1 = state_[2 * c], s2 = state_[2 * c + 1];
            float* x = interleaved + c;
            for (size_t i = 0; i < frames; ++i) {
                x[i * stride] = static_cast<float>(tick(x[i * stride], s1, s2));
            }
            state_[2 * c] = s1;
            state_[2 * c + 1] = s2;
        }
    }

private:
    SvfCoefficients c_;
    std::vector<double> state_; // per channel: the two integrators
};

} // namespace soundlib
