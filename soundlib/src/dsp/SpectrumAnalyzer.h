// Turns the latest output samples of one channel into a magnitude spectrum. Runs on the
// caller's thread; the transform and windows for each size are made on first use and kept.
#pragma once

#include "RealFft.h"
#include "soundlib.h"

#include <array>
#include <memory>
#include <vector>

namespace soundlib {

class SpectrumAnalyzer {
public:
    // samples: 2 * numValues values, oldest first; numValues a power of two. out: numValues
    // magnitudes from 0 Hz up, scaled so that a full-scale sine centred on a bin reads 1.0
    // whatever the window.
    void analyse(const float* samples, size_t numValues, FMOD_DSP_FFT_WINDOW window, float* out);

private:
    struct Plan {
        explicit Plan(size_t size) : fft(size) {}
        RealFft fft;
        std::array<std::vector<float>, 6> windows; // by window type, made on first use
        std::array<float, 6> scale{};
    };

    std::array<std::unique_ptr<Plan>, 32> plans_; // by log2 of the transform size
    std::vector<float> frame_, re_, im_;
};

} // namespace soundlib
