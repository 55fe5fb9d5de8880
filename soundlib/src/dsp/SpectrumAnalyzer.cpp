#include "SpectrumAnalyzer.h"

#include "fft_windows.h"

#include <bit>
#include <cmath>

namespace soundlib {

void SpectrumAnalyzer::analyse(const float* samples, size_t numValues, FMOD_DSP_FFT_WINDOW window,
                               float* out) {
    const size_t size = numValues * 2;
    const size_t log2 = static_cast<size_t>(std::countr_zero(size));
    if (!plans_[log2]) {
        plans_[log2] = std::make_unique<Plan>(size);
    }
    Plan& plan = *plans_[log2];
    const size_t type = window >= 0 && window <= 5 ? static_cast<size_t>(window) : 0;
    std::vector<float>& weights = plan.windows[type];
    if (weights.empty()) {
        weights.resize(size);
        fillWindow(static_cast<FMOD_DSP_FFT_WINDOW>(type), weights.data(), size);
        double sum = 0.0;
        for (float w : weights) {
            sum += w;
        }
        // A sine of amplitude 1 on a bin sums to half the window's sum there.
        plan.scale[type] = static_cast<float>(2.0 / sum);
    }
    frame_.resize(size);
    re_.resize(size / 2 + 1);
    im_.resize(size / 2 + 1);
    for (size_t i = 0; i < size; ++i) {
        frame_[i] = samples[i] * weights[i];
    }
    plan.fft.forward(frame_.data(), re_.data(), im_.data());
    const float scale = plan.scale[type];
    for (size_t k = 0; k < numValues; ++k) {
        out[k] = std::sqrt(re_[k] * re_[k] + im_[k] * im_[k]) * scale;
    }
}

} // namespace soundlib
