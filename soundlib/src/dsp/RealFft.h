// Fourier transform of real blocks whose length is a power of two: a radix-2 complex transform
// of half the length plus the usual split, with every table made at construction.
#pragma once

#include <cstddef>
#include <cstdint>
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
    void transform() noexcept; // in place on work_, input already in bit-reversed order

    size_t n_;
    size_t m_; // complex points
    std::vector<uint32_t> bitReverse_;
    std::vector<float> twiddleRe_, twiddleIm_; // stages of 8 points and up, one after another
    std::vector<float> splitRe_, splitIm_;     // e^(-2 pi i k / n), k = 0 .. m
    std::vector<float> workRe_, workIm_;
};

} // namespace soundlib
