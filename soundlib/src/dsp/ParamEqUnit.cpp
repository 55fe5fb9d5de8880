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
    const double gainDb = gainDb_.current();
    flat_ = gainDb == 0.0;
    filter_.setCoefficients(
        peakingCoefficients(std::exp2(static_cast<double>(logCentre_.current())),
                            bandwidth_.current(), std::pow(10.0, gainDb / 20.0), sampleRate_));
}

void ParamEqUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    while (frames > 0) {
        const bool moving = logCentre_.ramping() || bandwidth_.ramping() || gainDb_.ramping();
        if (!moving) {
            // A flat band is the identity: skipped, with its memory kept as if it had run.
            if (flat_) {
                filter_.followFlat(interleaved, frames, channels);
            } else {
                filter_.process(interleaved, frames, channels);
            }
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
