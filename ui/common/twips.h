// Window measures as the stored files keep them: twips, 15 to the pixel at 96 dots per inch,
// and the rounding used when they turn back into pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace sorvel {

inline constexpr int kTwipsPerPixel = 15;

// The nearest integer, halves to the even neighbour; 0 for what is not finite, and held inside
// int's range.
inline int nearestInt(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value); // the default rounding mode: ties to even
    return static_cast<int>(std::clamp(rounded, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

} // namespace sorvel
