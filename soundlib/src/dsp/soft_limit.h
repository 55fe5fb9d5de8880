// Keeps the signal inside a feedback loop bounded. Only what is fed back is bent, so the input
// itself always passes exactly, however hot the mix runs. A loop at or near unity gain that goes on
// taking new input (an echo that does not decay, a chorus at full feedback) adds every pass to
// the last: a 10 ms echo at decay 1 rose to 200 times a full-scale square wave in two seconds.
// Values up to the knee pass untouched, so sound at ordinary levels stays exactly linear;
// beyond it they bend over, with the slope continuous at the knee, towards a ceiling they never
// reach. The bend never enlarges a value, so a held loop cannot grow either.
#pragma once

#include "simd4.h"

#include <cmath>

namespace soundlib {

inline float softLimit(float value, float knee, float ceiling) {
    const float magnitude = std::fabs(value);
    if (magnitude <= knee) {
        return value;
    }
    const float room = ceiling - knee;
    const float over = (magnitude - knee) / room;
    return std::copysign(knee + room * over / (1.0f + over), value);
}

// The same on four values at once, each exactly as above.
inline f4 softLimit4(f4 value, float knee, float ceiling) {
    const i4 signBit = splat4i(static_cast<int32_t>(0x80000000u));
    const i4 bits = reinterpret_cast<i4>(value);
    const f4 magnitude = reinterpret_cast<f4>(bits & ~signBit);
    if (laneMask4(magnitude <= knee) == 0xfu) {
        return value; // all within the knee, as usual: no division
    }
    const float room = ceiling - knee;
    const f4 over = (magnitude - knee) / room;
    const f4 bent = knee + room * over / (1.0f + over);
    const f4 signedBent = reinterpret_cast<f4>(reinterpret_cast<i4>(bent) | (bits & signBit));
    return magnitude <= knee ? value : signedBent;
}

} // namespace soundlib
