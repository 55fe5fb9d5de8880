// Fourier transform of real blocks whose length is a power of two: a complex transform of half
// the length plus the usual split, with every table made at construction.
#pragma once

#include <cstddef>
#include <vector>

namespace soundlib {

class RealFft {
public:
    // size: a power of two, at least 8.
    explicit RealFft(size_t size);

    size_t size() const { return n_; }
    size_t bins() const { return n_ / 2 + 1; }

    // size() samples in; bins() values out (re[0] .. re[size/2], im likewise), unscaled:
    // a full-scale cosine on bin k gives re[k] = size/2.
    void forward(const float* in, float* re, float* im) noexcept;
    // The inverse of forward() times size(): inverse(forward(x)) = size() * x.
    void inverse(const float* re, const float* im, float* out) noexcept;

private:
    // Radix-4 stages (a radix-2 one last when the count of points is not a power of four),
    // each from one buffer pair into the other, so the result comes out in natural order
    // without a bit-reversing pass. Input interleaved from `in` if given, else in work_[0];
    // output interleaved and conjugated to `out` if given, else in the pair returned.
    int transform(const float* in, float* out) noexcept;

    size_t n_;
    size_t m_; // complex points
    // Per radix-4 stage, six runs of a quarter of its length: w^p, w^2p, w^3p (re, im).
    std::vector<float> twiddles_;
    std::vector<float> splitRe_, splitIm_; // e^(-2 pi i k / n), k = 0 .. m
    std::vector<float> work_[2][2];        // [pair][re, im]
};

} // namespace soundlib
