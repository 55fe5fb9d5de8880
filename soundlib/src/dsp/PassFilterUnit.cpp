#include "PassFilterUnit.h"

#include <cmath>

namespace soundlib {
namespace {

// Coefficients follow a moving setting in steps this long.
constexpr size_t kDesignFrames = 32;
constexpr double kGlideSeconds = 0.02;

} // namespace

PassFilterUnit::PassFilterUnit(Kind kind) : kind_(kind) {}

void PassFilterUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    logCutoff_.setRampFrames(glide);
    resonance_.setRampFrames(glide);
    filter_.prepare(channels);
    reset();
}

void PassFilterUnit::setParameter(int index, float value) noexcept {
    if (index == 0) {
        logCutoff_.setTarget(std::log2(value));
    } else if (index == 1) {
        resonance_.setTarget(value);
    }
}

void PassFilterUnit::reset() noexcept {
    logCutoff_.snap();
    resonance_.snap();
    filter_.reset();
    design();
}

void PassFilterUnit::design() noexcept {
    const double cutoff = std::exp2(static_cast<double>(logCutoff_.current()));
    const double q = resonanceToQ(resonance_.current());
    filter_.setCoefficients(kind_ == Kind::LowPass ? svfLowPass(cutoff, q, sampleRate_)
                                                   : svfHighPass(cutoff, q, sampleRate_));
}

void PassFilterUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    while (frames > 0) {
        if (!logCutoff_.ramping() && !resonance_.ramping()) {
            filter_.process(interleaved, frames, channels);
            return;
        }
        const size_t n = std::min(frames, kDesignFrames);
        logCutoff_.advance(n);
        resonance_.advance(n);
        design();
        filter_.process(interleaved, n, channels);
        interleaved += n * stride;
        frames -= n;
    }
}

} // namespace soundlib
