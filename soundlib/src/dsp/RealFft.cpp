#include "RealFft.h"

#include "simd4.h"

#include <cmath>
#include <numbers>

namespace soundlib {

RealFft::RealFft(size_t size)
    : n_(size), m_(size / 2), bitReverse_(m_), splitRe_(m_ + 1), splitIm_(m_ + 1), workRe_(m_),
      workIm_(m_) {
    unsigned bits = 0;
    while ((size_t{1} << bits) < m_) {
        ++bits;
    }
    for (size_t i = 0; i < m_; ++i) {
        uint32_t reversed = 0;
        for (unsigned b = 0; b < bits; ++b) {
            reversed |= ((i >> b) & 1u) << (bits - 1 - b);
        }
        bitReverse_[i] = reversed;
    }
    for (size_t len = 8; len <= m_; len <<= 1) {
        for (size_t j = 0; j < len / 2; ++j) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(j) / len;
            twiddleRe_.push_back(static_cast<float>(std::cos(angle)));
            twiddleIm_.push_back(static_cast<float>(std::sin(angle)));
        }
    }
    for (size_t k = 0; k <= m_; ++k) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / n_;
        splitRe_[k] = static_cast<float>(std::cos(angle));
        splitIm_[k] = static_cast<float>(std::sin(angle));
    }
}

void RealFft::transform() noexcept {
    float* re = workRe_.data();
    float* im = workIm_.data();
    const size_t m = m_;
    // The two- and four-point stages together, without multiplications.
    for (size_t i = 0; i < m; i += 4) {
        const float r0 = re[i] + re[i + 1], i0 = im[i] + im[i + 1];
        const float r1 = re[i] - re[i + 1], i1 = im[i] - im[i + 1];
        const float r2 = re[i + 2] + re[i + 3], i2 = im[i + 2] + im[i + 3];
        const float r3 = re[i + 2] - re[i + 3], i3 = im[i + 2] - im[i + 3];
        re[i] = r0 + r2;
        im[i] = i0 + i2;
        re[i + 2] = r0 - r2;
        im[i + 2] = i0 - i2;
        // the fourth point times -i
        re[i + 1] = r1 + i3;
        im[i + 1] = i1 - r3;
        re[i + 3] = r1 - i3;
        im[i + 3] = i1 + r3;
    }
    const float* twRe = twiddleRe_.data();
    const float* twIm = twiddleIm_.data();
    auto multiply = [](f4 xr, f4 xi, f4 wr, f4 wi, f4& outRe, f4& outIm) {
        outRe = xr * wr - xi * wi;
        outIm = xr * wi + xi * wr;
    };
    // From eight points up every group has a multiple of four butterflies. Stages go two at a
    // time where they can (the data passes through memory half as often), one at the end.
    size_t len = 8;
    for (; 2 * len <= m; len *= 4) {
        const size_t half = len / 2;
        const float* w1Re = twRe;
        const float* w1Im = twIm;
        const float* w2Re = twRe + half;
        const float* w2Im = twIm + half;
        for (size_t i = 0; i < m; i += 2 * len) {
            float* r = re + i;
            float* q = im + i;
            for (size_t j = 0; j < half; j += 4) {
                const size_t a = j, b = j + half, c = j + len, d = j + len + half;
                const f4 w1r = load4(w1Re + j), w1i = load4(w1Im + j);
                f4 tr, ti, ur, ui;
                multiply(load4(r + b), load4(q + b), w1r, w1i, tr, ti);
                multiply(load4(r + d), load4(q + d), w1r, w1i, ur, ui);
                const f4 ar = load4(r + a), ai = load4(q + a);
                const f4 cr = load4(r + c), ci = load4(q + c);
                // The first stage's four outputs...
                const f4 a1r = ar + tr, a1i = ai + ti, b1r = ar - tr, b1i = ai - ti;
                const f4 c1r = cr + ur, c1i = ci + ui, d1r = cr - ur, d1i = ci - ui;
                // ...and the second stage across them.
                f4 xr, xi, yr, yi;
                multiply(c1r, c1i, load4(w2Re + j), load4(w2Im + j), xr, xi);
                multiply(d1r, d1i, load4(w2Re + j + half), load4(w2Im + j + half), yr, yi);
                store4(r + a, a1r + xr);
                store4(q + a, a1i + xi);
                store4(r + c, a1r - xr);
                store4(q + c, a1i - xi);
                store4(r + b, b1r + yr);
                store4(q + b, b1i + yi);
                store4(r + d, b1r - yr);
                store4(q + d, b1i - yi);
            }
        }
        twRe += half + len;
        twIm += half + len;
    }
    if (len <= m) {
        const size_t half = len / 2;
        for (size_t i = 0; i < m; i += len) {
            float* aRe = re + i;
            float* aIm = im + i;
            float* bRe = aRe + half;
            float* bIm = aIm + half;
            for (size_t j = 0; j < half; j += 4) {
                f4 xr, xi;
                multiply(load4(bRe + j), load4(bIm + j), load4(twRe + j), load4(twIm + j), xr, xi);
                const f4 ar = load4(aRe + j), ai = load4(aIm + j);
                store4(bRe + j, ar - xr);
                store4(bIm + j, ai - xi);
                store4(aRe + j, ar + xr);
                store4(aIm + j, ai + xi);
            }
        }
    }
}

void RealFft::forward(const float* in, float* re, float* im) noexcept {
    // Even samples as the real part, odd ones as the imaginary part of a half-length signal.
    for (size_t i = 0; i < m_; ++i) {
        const uint32_t to = bitReverse_[i];
        workRe_[to] = in[2 * i];
        workIm_[to] = in[2 * i + 1];
    }
    transform();
    const float* zr = workRe_.data();
    const float* zi = workIm_.data();
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
        const f4 wr = load4(splitRe_.data() + k), wi = load4(splitIm_.data() + k);
        store4(re + k, er + wr * orr - wi * oi);
        store4(im + k, ei + wr * oi + wi * orr);
    }
    for (; k < m_; ++k) {
        const size_t j = m_ - k;
        const float er = 0.5f * (zr[k] + zr[j]);
        const float ei = 0.5f * (zi[k] - zi[j]);
        const float orr = 0.5f * (zi[k] + zi[j]);
        const float oi = -0.5f * (zr[k] - zr[j]);
        const float wr = splitRe_[k], wi = splitIm_[k];
        re[k] = er + wr * orr - wi * oi;
        im[k] = ei + wr * oi + wi * orr;
    }
}

void RealFft::inverse(const float* re, const float* im, float* out) noexcept {
    // Four bins at a time (m is a multiple of four), bin k with bin m - k read backwards; the
    // results go to their bit-reversed places one by one.
    for (size_t k = 0; k < m_; k += 4) {
        const f4 rk = load4(re + k), ik = load4(im + k);
        const f4 rj = reverse4(load4(re + m_ - k - 3)), ij = reverse4(load4(im + m_ - k - 3));
        const f4 er = rk + rj, ei = ik - ij, dr = rk - rj, di = ik + ij;
        // times e^(+2 pi i k / n), the conjugate of the split twiddle
        const f4 wr = load4(splitRe_.data() + k), wi = -load4(splitIm_.data() + k);
        const f4 orr = dr * wr - di * wi;
        const f4 oi = dr * wi + di * wr;
        // Z = E + i O, conjugated for the inverse through the forward transform
        const f4 zr = er - oi;
        const f4 zi = -(ei + orr);
        for (size_t lane = 0; lane < 4; ++lane) {
            const uint32_t to = bitReverse_[k + lane];
            workRe_[to] = zr[lane];
            workIm_[to] = zi[lane];
        }
    }
    transform();
    for (size_t i = 0; i < m_; ++i) {
        out[2 * i] = workRe_[i];
        out[2 * i + 1] = -workIm_[i];
    }
}

} // namespace soundlib
