// Resampling interpolators. `y` points at frame x0 of interleaved audio with `stride` floats per
// frame; frames y[-2] .. y[3] (in frames) must be readable. `t` is the fraction from x0 to x1.
#pragma once

#include "soundlib.h"

#include <cstddef>

namespace soundlib {

// Frames needed before and after x0 by the widest interpolator.
constexpr int kInterpBefore = 2;
constexpr int kInterpAfter = 3;

inline float interpolateNearest(const float* y, ptrdiff_t stride, float t) {
    return t < 0.5f ? y[0] : y[stride];
}

inline float interpolateLinear(const float* y, ptrdiff_t stride, float t) {
    return y[0] + (y[stride] - y[0]) * t;
}

// Four-point, third-order Hermite (Catmull-Rom).
inline float interpolateCubic(const float* y, ptrdiff_t s, float t) {
    const float ym1 = y[-s], y0 = y[0], y1 = y[s], y2 = y[2 * s];
    const float c1 = 0.5f * (y1 - ym1);
    const float c2 = ym1 - 2.5f * y0 + 2.0f * y1 - 0.5f * y2;
    const float c3 = 0.5f * (y2 - ym1) + 1.5f * (y0 - y1);
    return ((c3 * t + c2) * t + c1) * t + y0;
}

// Six-point, fifth-order Hermite: flatter pass band and lower images than the cubic.
inline float interpolateSpline(const float* y, ptrdiff_t s, float t) {
    const float ym2 = y[-2 * s], ym1 = y[-s], y0 = y[0], y1 = y[s], y2 = y[2 * s], y3 = y[3 * s];
    const float c1 = (1.0f / 12.0f) * (ym2 - y2) + (2.0f / 3.0f) * (y1 - ym1);
    const float c2 = (13.0f / 12.0f) * ym1 - (25.0f / 12.0f) * y0 + 1.5f * y1 -
                     (11.0f / 24.0f) * y2 + (1.0f / 12.0f) * y3 - (1.0f / 8.0f) * ym2;
    const float c3 = (5.0f / 12.0f) * y0 - (7.0f / 12.0f) * y1 + (7.0f / 24.0f) * y2 -
                     (1.0f / 24.0f) * (ym2 + ym1 + y3);
    const float c4 = (1.0f / 8.0f) * ym2 - (7.0f / 12.0f) * ym1 + (13.0f / 12.0f) * y0 - y1 +
                     (11.0f / 24.0f) * y2 - (1.0f / 12.0f) * y3;
    const float c5 =
        (1.0f / 24.0f) * (y3 - ym2) + (5.0f / 24.0f) * (ym1 - y2) + (5.0f / 12.0f) * (y1 - y0);
    return ((((c5 * t + c4) * t + c3) * t + c2) * t + c1) * t + y0;
}

inline float interpolate(FMOD_DSP_RESAMPLER method, const float* y, ptrdiff_t stride, float t) {
    switch (method) {
    case FMOD_DSP_RESAMPLER_NOINTERP:
        return interpolateNearest(y, stride, t);
    case FMOD_DSP_RESAMPLER_CUBIC:
        return interpolateCubic(y, stride, t);
    case FMOD_DSP_RESAMPLER_SPLINE:
        return interpolateSpline(y, stride, t);
    default:
        return interpolateLinear(y, stride, t);
    }
}

} // namespace soundlib
