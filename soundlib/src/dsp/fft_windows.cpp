#include "fft_windows.h"

#include <cmath>
#include <numbers>

namespace soundlib {

void fillWindow(FMOD_DSP_FFT_WINDOW type, float* out, size_t n) {
    const double step = 2.0 * std::numbers::pi / static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
        const double x = step * static_cast<double>(i);
        double w = 1.0;
        switch (type) {
        case FMOD_DSP_FFT_WINDOW_TRIANGLE:
            w = 1.0 - std::fabs(2.0 * static_cast<double>(i) / static_cast<double>(n) - 1.0);
            break;
        case FMOD_DSP_FFT_WINDOW_HAMMING:
            w = 0.54 - 0.46 * std::cos(x);
            break;
        case FMOD_DSP_FFT_WINDOW_HANNING:
            w = 0.5 - 0.5 * std::cos(x);
            break;
        case FMOD_DSP_FFT_WINDOW_BLACKMAN:
            w = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
            break;
        case FMOD_DSP_FFT_WINDOW_BLACKMANHARRIS:
            w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) -
                0.01168 * std::cos(3.0 * x);
            break;
        default:
            break;
        }
        out[i] = static_cast<float>(w);
    }
}

} // namespace soundlib
