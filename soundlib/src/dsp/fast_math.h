// Quick approximations for the phase vocoder, which needs an angle, a sine and a cosine per
// bin per frame: accurate to about 1e-5, several times cheaper than the library calls.
#pragma once

#include "simd4.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace soundlib {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

// Nearest whole number (halves away from zero), without a library call.
inline float roundNearest(float x) {
    return static_cast<float>(static_cast<int>(x + std::copysign(0.5f, x)));
}

// x moved by whole turns into [-pi, pi].
inline float wrapPhase(float x) {
    return x - kTwoPi * roundNearest(x * (1.0f / kTwoPi));
}

// atan2 with an error below 1e-5 rad (Abramowitz and Stegun 4.4.49 on the octant).
inline float fastAtan2(float y, float x) {
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    const float big = std::fmax(std::fmax(ax, ay), 1e-30f);
    const float z = std::fmin(ax, ay) / big;
    const float z2 = z * z;
    float a = z * (0.9998660f +
                   z2 * (-0.3302995f + z2 * (0.1801410f + z2 * (-0.0851330f + z2 * 0.0208351f))));
    a = ay > ax ? 0.5f * kPi - a : a;
    a = x < 0.0f ? kPi - a : a;
    return y < 0.0f ? -a : a;
}

// Sine and cosine of x in [-pi, pi] (a little beyond is fine), errors below 1e-6.
inline void fastSinCos(float x, float& sine, float& cosine) {
    const float quadrant = roundNearest(x * (2.0f / kPi));
    const float r = x - quadrant * (0.5f * kPi);
    const float r2 = r * r;
    const float s =
        r * (1.0f + r2 * (-1.0f / 6.0f + r2 * (1.0f / 120.0f + r2 * (-1.0f / 5040.0f))));
    const float c =
        1.0f + r2 * (-0.5f + r2 * (1.0f / 24.0f + r2 * (-1.0f / 720.0f + r2 * (1.0f / 40320.0f))));
    switch (static_cast<int>(quadrant) & 3) {
    case 0:
        sine = s;
        cosine = c;
        break;
    case 1:
        sine = c;
        cosine = -s;
        break;
    case 2:
        sine = -s;
        cosine = -c;
        break;
    default:
        sine = -c;
        cosine = s;
        break;
    }
}

// The same four lanes at a time.
inline f4 roundNearest(f4 x) {
    const f4 half = x < 0.0f ? splat4(-0.5f) : splat4(0.5f);
    return __builtin_convertvector(__builtin_convertvector(x + half, i4), f4);
}

inline f4 wrapPhase(f4 x) {
    return x - kTwoPi * roundNearest(x * (1.0f / kTwoPi));
}

inline f4 absolute(f4 x) {
    return std::bit_cast<f4>(std::bit_cast<i4>(x) & 0x7fffffff);
}

inline f4 fastAtan2(f4 y, f4 x) {
    const f4 ax = absolute(x);
    const f4 ay = absolute(y);
    f4 big = ax > ay ? ax : ay;
    big = big > 1e-30f ? big : splat4(1e-30f);
    const f4 z = (ax < ay ? ax : ay) / big;
    const f4 z2 = z * z;
    f4 a = z * (0.9998660f +
                z2 * (-0.3302995f + z2 * (0.1801410f + z2 * (-0.0851330f + z2 * 0.0208351f))));
    a = ay > ax ? 0.5f * kPi - a : a;
    a = x < 0.0f ? kPi - a : a;
    return y < 0.0f ? -a : a;
}

inline void fastSinCos(f4 x, f4& sine, f4& cosine) {
    const f4 quadrant = roundNearest(x * (2.0f / kPi));
    const f4 r = x - quadrant * (0.5f * kPi);
    const f4 r2 = r * r;
    const f4 s = r * (1.0f + r2 * (-1.0f / 6.0f + r2 * (1.0f / 120.0f + r2 * (-1.0f / 5040.0f))));
    const f4 c =
        1.0f + r2 * (-0.5f + r2 * (1.0f / 24.0f + r2 * (-1.0f / 720.0f + r2 * (1.0f / 40320.0f))));
    const i4 q = __builtin_convertvector(quadrant, i4);
    const i4 swap = (q & 1) != 0;
    const f4 sinBase = swap ? c : s;
    const f4 cosBase = swap ? s : c;
    sine = (q & 2) != 0 ? -sinBase : sinBase;
    cosine = ((q + 1) & 2) != 0 ? -cosBase : cosBase;
}

} // namespace soundlib
