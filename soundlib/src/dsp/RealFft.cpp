#include "RealFft.h"

#include "simd4.h"

#include <cmath>
#include <numbers>

namespace soundlib {
namespace {

// One radix-4 butterfly (decimation in frequency): a, b, c, d a quarter of the length apart in,
// the four outputs before their twiddles out. Works on floats and on four lanes alike.
template <typename T> struct Radix4 {
    T r0, i0, r1, i1, r2, i2, r3, i3;
    Radix4(T ar, T ai, T br, T bi, T cr, T ci, T dr, T di) {
        const T sr = ar + cr, si = ai + ci, dr0 = ar - cr, di0 = ai - ci;
        const T tr = br + dr, ti = bi + di, ur = br - dr, ui = bi - di;
        r0 = sr + tr;
        i0 = si + ti;
        r2 = sr - tr;
        i2 = si - ti;
        // (a - c) -+ i (b - d)
        r1 = dr0 + ui;
        i1 = di0 - ur;
        r3 = dr0 - ui;
        i3 = di0 + ur;
    }
};

template <typename T> inline void turn(T& re, T& im, T wr, T wi) {
    const T r = re * wr - im * wi;
    im = re * wi + im * wr;
    re = r;
}

// Four points stored: to the work buffers, or (Out) interleaved and conjugated to `out`.
template <bool Out>
inline void store4Points(float* re, float* im, float* out, size_t at, f4 r, f4 i) {
    if constexpr (Out) {
        i = -i;
        store4(out + 2 * at, interleaveLow4(r, i));
        store4(out + 2 * at + 4, interleaveHigh4(r, i));
    } else {
        store4(re + at, r);
        store4(im + at, i);
    }
}

// The first radix-4 stage (stride 1), four p at a time: the outputs for each p lie side by
// side, so the four results are transposed into place. Packed: the input is the interleaved
// block itself, taken apart here.
template <bool Packed>
void firstStage(const float* in, const float* xr, const float* xi, float* yr, float* yi,
                const float* tw, size_t quarter) {
    auto load = [&](size_t at, f4& r, f4& i) {
        if constexpr (Packed) {
            const f4 a = load4(in + 2 * at), b = load4(in + 2 * at + 4);
            r = evens4(a, b);
            i = odds4(a, b);
        } else {
            r = load4(xr + at);
            i = load4(xi + at);
        }
    };
    for (size_t p = 0; p < quarter; p += 4) {
        f4 ar, ai, br, bi, cr, ci, dr, di;
        load(p, ar, ai);
        load(p + quarter, br, bi);
        load(p + 2 * quarter, cr, ci);
        load(p + 3 * quarter, dr, di);
        Radix4<f4> b(ar, ai, br, bi, cr, ci, dr, di);
        turn(b.r1, b.i1, load4(tw + p), load4(tw + quarter + p));
        turn(b.r2, b.i2, load4(tw + 2 * quarter + p), load4(tw + 3 * quarter + p));
        turn(b.r3, b.i3, load4(tw + 4 * quarter + p), load4(tw + 5 * quarter + p));
        f4 re[4] = {b.r0, b.r1, b.r2, b.r3};
        f4 im[4] = {b.i0, b.i1, b.i2, b.i3};
        transpose4(re);
        transpose4(im);
#pragma GCC unroll 4
        for (size_t j = 0; j < 4; ++j) {
            store4(yr + 4 * (p + j), re[j]);
            store4(yi + 4 * (p + j), im[j]);
        }
    }
}

// A radix-4 stage of stride s (at least 4), four q at a time. Out: the last stage.
template <bool Out>
void strideStage(const float* xr, const float* xi, float* yr, float* yi, float* out,
                 const float* tw, size_t quarter, size_t s, size_t m) {
    const size_t d = m / 4;
    for (size_t p = 0; p < quarter; ++p) {
        const f4 v1r = splat4(tw[p]), v1i = splat4(tw[quarter + p]);
        const f4 v2r = splat4(tw[2 * quarter + p]), v2i = splat4(tw[3 * quarter + p]);
        const f4 v3r = splat4(tw[4 * quarter + p]), v3i = splat4(tw[5 * quarter + p]);
        const size_t a = s * p, o = 4 * s * p;
        for (size_t q = 0; q < s; q += 4) {
            Radix4<f4> b(load4(xr + a + q), load4(xi + a + q), load4(xr + a + q + d),
                         load4(xi + a + q + d), load4(xr + a + q + 2 * d),
                         load4(xi + a + q + 2 * d), load4(xr + a + q + 3 * d),
                         load4(xi + a + q + 3 * d));
            if (p != 0) {
                turn(b.r1, b.i1, v1r, v1i);
                turn(b.r2, b.i2, v2r, v2i);
                turn(b.r3, b.i3, v3r, v3i);
            }
            store4Points<Out>(yr, yi, out, o + q, b.r0, b.i0);
            store4Points<Out>(yr, yi, out, o + q + s, b.r1, b.i1);
            store4Points<Out>(yr, yi, out, o + q + 2 * s, b.r2, b.i2);
            store4Points<Out>(yr, yi, out, o + q + 3 * s, b.r3, b.i3);
        }
    }
}

// Any radix-4 stage one point at a time: only small transforms (under 16 points) need it.
void smallStage(const float* xr, const float* xi, float* yr, float* yi, const float* tw,
                size_t quarter, size_t s, size_t m) {
    const size_t d = m / 4;
    for (size_t p = 0; p < quarter; ++p) {
        for (size_t q = 0; q < s; ++q) {
            const size_t a = q + s * p;
            Radix4<float> b(xr[a], xi[a], xr[a + d], xi[a + d], xr[a + 2 * d], xi[a + 2 * d],
                            xr[a + 3 * d], xi[a + 3 * d]);
            turn(b.r1, b.i1, tw[p], tw[quarter + p]);
            turn(b.r2, b.i2, tw[2 * quarter + p], tw[3 * quarter + p]);
            turn(b.r3, b.i3, tw[4 * quarter + p], tw[5 * quarter + p]);
            const size_t o = q + 4 * s * p;
            yr[o] = b.r0;
            yi[o] = b.i0;
            yr[o + s] = b.r1;
            yi[o + s] = b.i1;
            yr[o + 2 * s] = b.r2;
            yi[o + 2 * s] = b.i2;
            yr[o + 3 * s] = b.r3;
            yi[o + 3 * s] = b.i3;
        }
    }
}

// The radix-2 stage that ends a count of points not a power of four; stride s = m / 2.
template <bool Out>
void lastRadix2(const float* xr, const float* xi, float* yr, float* yi, float* out, size_t s) {
    for (size_t q = 0; q < s; q += 4) {
        const f4 ar = load4(xr + q), ai = load4(xi + q);
        const f4 br = load4(xr + q + s), bi = load4(xi + q + s);
        store4Points<Out>(yr, yi, out, q, ar + br, ai + bi);
        store4Points<Out>(yr, yi, out, q + s, ar - br, ai - bi);
    }
}

// A radix-4 stage of length 8 (stride s = m / 8, at least 4) and the radix-2 stage that follows
// it, fused: the same arithmetic in the same order, without the pass between them. tw: the
// length-8 stage's table.
template <bool Out>
void lastRadix8(const float* xr, const float* xi, float* yr, float* yi, float* out, const float* tw,
                size_t s) {
    const f4 v1r = splat4(tw[1]), v1i = splat4(tw[3]);
    const f4 v2r = splat4(tw[5]), v2i = splat4(tw[7]);
    const f4 v3r = splat4(tw[9]), v3i = splat4(tw[11]);
    for (size_t q = 0; q < s; q += 4) {
        const Radix4<f4> a(load4(xr + q), load4(xi + q), load4(xr + q + 2 * s),
                           load4(xi + q + 2 * s), load4(xr + q + 4 * s), load4(xi + q + 4 * s),
                           load4(xr + q + 6 * s), load4(xi + q + 6 * s));
        Radix4<f4> b(load4(xr + q + s), load4(xi + q + s), load4(xr + q + 3 * s),
                     load4(xi + q + 3 * s), load4(xr + q + 5 * s), load4(xi + q + 5 * s),
                     load4(xr + q + 7 * s), load4(xi + q + 7 * s));
        turn(b.r1, b.i1, v1r, v1i);
        turn(b.r2, b.i2, v2r, v2i);
        turn(b.r3, b.i3, v3r, v3i);
        store4Points<Out>(yr, yi, out, q, a.r0 + b.r0, a.i0 + b.i0);
        store4Points<Out>(yr, yi, out, q + 4 * s, a.r0 - b.r0, a.i0 - b.i0);
        store4Points<Out>(yr, yi, out, q + s, a.r1 + b.r1, a.i1 + b.i1);
        store4Points<Out>(yr, yi, out, q + 5 * s, a.r1 - b.r1, a.i1 - b.i1);
        store4Points<Out>(yr, yi, out, q + 2 * s, a.r2 + b.r2, a.i2 + b.i2);
        store4Points<Out>(yr, yi, out, q + 6 * s, a.r2 - b.r2, a.i2 - b.i2);
        store4Points<Out>(yr, yi, out, q + 3 * s, a.r3 + b.r3, a.i3 + b.i3);
        store4Points<Out>(yr, yi, out, q + 7 * s, a.r3 - b.r3, a.i3 - b.i3);
    }
}

} // namespace

RealFft::RealFft(size_t size) : n_(size), m_(size / 2), splitRe_(m_ + 1), splitIm_(m_ + 1) {
    for (auto& pair : work_) {
        for (auto& part : pair) {
            part.assign(m_, 0.0f);
        }
    }
    for (size_t length = m_; length >= 4; length /= 4) {
        const size_t quarter = length / 4;
        const size_t at = twiddles_.size();
        twiddles_.resize(at + 6 * quarter);
        for (size_t p = 0; p < quarter; ++p) {
            for (size_t t = 1; t <= 3; ++t) {
                const double angle = -2.0 * std::numbers::pi * static_cast<double>(t * p) /
                                     static_cast<double>(length);
                twiddles_[at + (2 * t - 2) * quarter + p] = static_cast<float>(std::cos(angle));
                twiddles_[at + (2 * t - 1) * quarter + p] = static_cast<float>(std::sin(angle));
            }
        }
    }
    for (size_t k = 0; k <= m_; ++k) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / n_;
        splitRe_[k] = static_cast<float>(std::cos(angle));
        splitIm_[k] = static_cast<float>(std::sin(angle));
    }
}

int RealFft::transform(const float* in, float* out) noexcept {
    const size_t m = m_;
    const float* tw = twiddles_.data();
    int from = 0;
    // Stockham order: a stage of length L and stride s reads x[q + s (p + r L/4)] and writes
    // y[q + s (4p + r)], q < s, p < L/4; s L = m throughout.
    size_t s = 1;
    for (size_t length = m; length >= 4; length /= 4, s *= 4) {
        const size_t quarter = length / 4;
        const float* xr = work_[from][0].data();
        const float* xi = work_[from][1].data();
        float* yr = work_[1 - from][0].data();
        float* yi = work_[1 - from][1].data();
        if (s == 1 && quarter >= 4) {
            if (in) {
                firstStage<true>(in, xr, xi, yr, yi, tw, quarter);
            } else {
                firstStage<false>(in, xr, xi, yr, yi, tw, quarter);
            }
        } else if (length == 8 && s >= 4) {
            // The last radix-4 stage and the radix-2 one after it in one pass.
            if (out) {
                lastRadix8<true>(xr, xi, yr, yi, out, tw, s);
            } else {
                lastRadix8<false>(xr, xi, yr, yi, out, tw, s);
            }
            from = 1 - from;
            s = m;
            break;
        } else if (s >= 4) {
            if (length == 4 && out) {
                strideStage<true>(xr, xi, yr, yi, out, tw, quarter, s, m);
            } else {
                strideStage<false>(xr, xi, yr, yi, out, tw, quarter, s, m);
            }
        } else {
            smallStage(xr, xi, yr, yi, tw, quarter, s, m);
        }
        in = nullptr;
        tw += 6 * quarter;
        from = 1 - from;
    }
    if (s < m) {
        // A last radix-2 stage of stride m / 2 (at least 4: m is at least 8 here).
        const float* xr = work_[from][0].data();
        const float* xi = work_[from][1].data();
        float* yr = work_[1 - from][0].data();
        float* yi = work_[1 - from][1].data();
        if (out) {
            lastRadix2<true>(xr, xi, yr, yi, out, s);
        } else {
            lastRadix2<false>(xr, xi, yr, yi, out, s);
        }
        from = 1 - from;
    }
    return from;
}

void RealFft::forward(const float* in, float* re, float* im) noexcept {
    // Even samples as the real part, odd ones as the imaginary part of a half-length signal:
    // the first stage takes them apart itself where it works four points at a time.
    const float* packed = in;
    if (m_ < 16) {
        for (size_t i = 0; i < m_; ++i) {
            work_[0][0][i] = in[2 * i];
            work_[0][1][i] = in[2 * i + 1];
        }
        packed = nullptr;
    }
    const int result = transform(packed, nullptr);
    const float* zr = work_[result][0].data();
    const float* zi = work_[result][1].data();
    re[0] = zr[0] + zi[0];
    im[0] = 0.0f;
    re[m_] = zr[0] - zi[0];
    im[m_] = 0.0f;
    // Four bins at a time, pairing bin k with bin m - k read backwards.
    const f4 half = splat4(0.5f);
    size_t k = 1;
    for (; k + 3 < m_; k += 4) {
        const f4 rk = load4(zr + k), ik = load4(zi + k);
        const f4 rj = reverse4(load4(zr + m_ - k - 3)), ij = reverse4(load4(zi + m_ - k - 3));
        const f4 er = half * (rk + rj), ei = half * (ik - ij);
        const f4 orr = half * (ik + ij), oi = half * (rj - rk);
        const f4 wr4 = load4(splitRe_.data() + k), wi4 = load4(splitIm_.data() + k);
        store4(re + k, er + wr4 * orr - wi4 * oi);
        store4(im + k, ei + wr4 * oi + wi4 * orr);
    }
    for (; k < m_; ++k) {
        const size_t j = m_ - k;
        const float er = 0.5f * (zr[k] + zr[j]);
        const float ei = 0.5f * (zi[k] - zi[j]);
        const float orr = 0.5f * (zi[k] + zi[j]);
        const float oi = -0.5f * (zr[k] - zr[j]);
        const float wr1 = splitRe_[k], wi1 = splitIm_[k];
        re[k] = er + wr1 * orr - wi1 * oi;
        im[k] = ei + wr1 * oi + wi1 * orr;
    }
}

void RealFft::inverse(const float* re, const float* im, float* out) noexcept {
    // Four bins at a time (m is a multiple of four), bin k with bin m - k read backwards.
    float* wr = work_[0][0].data();
    float* wi = work_[0][1].data();
    for (size_t k = 0; k < m_; k += 4) {
        const f4 rk = load4(re + k), ik = load4(im + k);
        const f4 rj = reverse4(load4(re + m_ - k - 3)), ij = reverse4(load4(im + m_ - k - 3));
        const f4 er = rk + rj, ei = ik - ij, dr = rk - rj, di = ik + ij;
        // times e^(+2 pi i k / n), the conjugate of the split twiddle
        const f4 cr = load4(splitRe_.data() + k), ci = -load4(splitIm_.data() + k);
        const f4 orr = dr * cr - di * ci;
        const f4 oi = dr * ci + di * cr;
        // Z = E + i O, conjugated for the inverse through the forward transform
        store4(wr + k, er - oi);
        store4(wi + k, -(ei + orr));
    }
    // The last stage writes the samples, conjugated back, where it works four points at a time.
    if (m_ >= 8) {
        transform(nullptr, out);
        return;
    }
    const int result = transform(nullptr, nullptr);
    for (size_t i = 0; i < m_; ++i) {
        out[2 * i] = work_[result][0][i];
        out[2 * i + 1] = -work_[result][1][i];
    }
}

} // namespace soundlib
