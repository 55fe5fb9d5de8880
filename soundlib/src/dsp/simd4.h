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
inline i4 splat4i(int32_t x) {
    return i4{x, x, x, x};
}
// The lanes picked in the order given.
template <int A, int B, int C, int D> inline f4 permute4(f4 v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, A, B, C, D);
#else
    return __builtin_shuffle(v, i4{A, B, C, D});
#endif
}
// One bit per lane of a comparison's result, lane 0 the lowest.
inline unsigned laneMask4(i4 v) {
#if defined(__SSE2__)
    return static_cast<unsigned>(__builtin_ia32_movmskps(reinterpret_cast<f4>(v)));
#else
    const i4 bits = v & i4{1, 2, 4, 8};
    return static_cast<unsigned>(bits[0] | bits[1] | bits[2] | bits[3]);
#endif
}
// The four lanes in reverse order.
inline f4 reverse4(f4 v) {
    return permute4<3, 2, 1, 0>(v);
}
// Lanes 2, 3, 0, 1.
inline f4 swapHalves4(f4 v) {
    return permute4<2, 3, 0, 1>(v);
}
// Lanes of two vectors picked by index: 0..3 from a, 4..7 from b.
template <int A, int B, int C, int D> inline f4 shuffle4(f4 a, f4 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, A, B, C, D);
#else
    return __builtin_shuffle(a, b, i4{A, B, C, D});
#endif
}
// Two vectors of interleaved pairs taken apart: the first members (lanes 0, 2 of a, then of
// b) and the second ones...
inline f4 evens4(f4 a, f4 b) {
    return shuffle4<0, 2, 4, 6>(a, b);
}
inline f4 odds4(f4 a, f4 b) {
    return shuffle4<1, 3, 5, 7>(a, b);
}
// ...and put back together.
inline f4 interleaveLow4(f4 a, f4 b) {
    return shuffle4<0, 4, 1, 5>(a, b);
}
inline f4 interleaveHigh4(f4 a, f4 b) {
    return shuffle4<2, 6, 3, 7>(a, b);
}

// Rows become columns: v[r][c] is v[c][r] afterwards.
inline void transpose4(f4 (&v)[4]) {
#if defined(__clang__)
    const f4 t0 = __builtin_shufflevector(v[0], v[1], 0, 4, 1, 5);
    const f4 t1 = __builtin_shufflevector(v[0], v[1], 2, 6, 3, 7);
    const f4 t2 = __builtin_shufflevector(v[2], v[3], 0, 4, 1, 5);
    const f4 t3 = __builtin_shufflevector(v[2], v[3], 2, 6, 3, 7);
    v[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    v[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    v[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    v[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
#else
    const f4 t0 = __builtin_shuffle(v[0], v[1], i4{0, 4, 1, 5});
    const f4 t1 = __builtin_shuffle(v[0], v[1], i4{2, 6, 3, 7});
    const f4 t2 = __builtin_shuffle(v[2], v[3], i4{0, 4, 1, 5});
    const f4 t3 = __builtin_shuffle(v[2], v[3], i4{2, 6, 3, 7});
    v[0] = __builtin_shuffle(t0, t2, i4{0, 1, 4, 5});
    v[1] = __builtin_shuffle(t0, t2, i4{2, 3, 6, 7});
    v[2] = __builtin_shuffle(t1, t3, i4{0, 1, 4, 5});
    v[3] = __builtin_shuffle(t1, t3, i4{2, 3, 6, 7});
#endif
}

} // namespace soundlib
