#include "ParamEqUnit.h"

#include <cmath>

namespace soundlib {
namespace {

constexpr size_t kDesignFrames = 32;
constexpr double kGlideSeconds = 0.02;

} // namespace

void ParamEqUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    logCentre_.setRampFrames(glide);
    bandwidth_.setRampFrames(glide);
    gainDb_.setRampFrames(glide);
    filter_.prepare(channels);
    reset();
}

void ParamEqUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        logCentre_.setTarget(std::log2(value));
        break;
    case 1:
        bandwidth_.setTarget(value);
        break;
    case 2:
        // Gains glide in decibels, which is how a change of level is heard.
        gainDb_.setTarget(20.0f * std::log10(value));
        break;
    default:
        break;
    }
}

void ParamEqUnit::reset() noexcept {
    logCentre_.snap();
    bandwidth_.snap();
    gainDb_.snap();
    filter_.reset();
    design();
}

void ParamEqUnit::design() noexcept {
    // At 0 dB the output mix leaves the input exactly as it is, while the integrators keep
    // following the sound, so a band that starts to move carries on without a jump.
    filter_.setCoefficients(svfPeaking(std::exp2(static_cast<double>(logCentre_.current())),
                                       bandwidth_.current(),
                                       std::pow(10.0, gainDb_.current() / 20.0), sampleRate_));
}

void ParamEqUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    while (frames > 0) {
        const bool moving = logCentre_.ramping() || bandwidth_.ramping() || gainDb_.ramping();
        if (!moving) {
            filter_.process(interleaved, frames, channels);
            return;
        }
        const size_t n = std::min(frames, kDesignFrames);
        logCentre_.advance(n);
        bandwidth_.advance(n);
        gainDb_.advance(n);
        design();
        filter_.process(interleaved, n, channels);
        interleaved += n * stride;
        frames -= n;
    }
}

} // namespace soundlib
