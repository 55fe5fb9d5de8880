// Four floats at a time through the compiler's portable vector extension (SSE on x86, NEON on
// ARM): the transform's butterflies and the vocoder's per-peak arithmetic run several times
// faster this way, and -O2 alone does not vectorise them.
#pragma once

#include <cstdint>
#include <cstring>

namespace soundlib {

using f4 = float __attribute__((vector_size(16)));
using i4 = int32_t __attribute__((vector_size(16)));

inline f4 load4(const float* p) {
    f4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store4(float* p, f4 v) {
    std::memcpy(p, &v, sizeof v);
}
inline f4 splat4(float x) {
    return f4{x, x, x, x};
}
// The four lanes in reverse order.
inline f4 reverse4(f4 v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
#else
    return __builtin_shuffle(v, i4{3, 2, 1, 0});
#endif
}

} // namespace soundlib
