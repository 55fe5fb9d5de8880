#include "CompressorUnit.h"

#include <algorithm>
#include <cmath>

namespace soundlib {
namespace {

constexpr double kGlideSeconds = 0.02;
constexpr double kRmsMs = 5.0;

float coefficientFor(double ms, double sampleRate) {
    return static_cast<float>(1.0 - std::exp(-1000.0 / (ms * sampleRate)));
}

} // namespace

void CompressorUnit::prepare(int sampleRate, int, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    threshold_.setRampFrames(glide);
    makeUp_.setRampFrames(glide);
    updateTimes();
    reset();
}

void CompressorUnit::updateTimes() noexcept {
    attackCoeff_ = coefficientFor(attackMs_, sampleRate_);
    releaseCoeff_ = coefficientFor(releaseMs_, sampleRate_);
    rmsCoeff_ = coefficientFor(kRmsMs, sampleRate_);
}

void CompressorUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        threshold_.setTarget(std::pow(10.0f, value / 20.0f));
        break;
    case 1:
        attackMs_ = value;
        updateTimes();
        break;
    case 2:
        releaseMs_ = value;
        updateTimes();
        break;
    case 3:
        makeUp_.setTarget(std::pow(10.0f, value / 20.0f));
        break;
    default:
        break;
    }
}

void CompressorUnit::reset() noexcept {
    threshold_.snap();
    makeUp_.snap();
    meanSquare_ = 0.0f;
    envelope_ = 0.0f;
}

void CompressorUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    float meanSquare = meanSquare_;
    float envelope = envelope_;
    for (size_t i = 0; i < frames; ++i) {
        float* frame = interleaved + i * stride;
        float square = 0.0f;
        for (size_t c = 0; c < stride; ++c) {
            square = std::max(square, frame[c] * frame[c]);
        }
        // A short mean square, read as the peak of a sine of that power: a steady tone's level
        // comes out as its peak without the ripple a raw peak follower has.
        meanSquare += rmsCoeff_ * (square - meanSquare);
        const float level = std::sqrt(2.0f * meanSquare);
        envelope += (level > envelope ? attackCoeff_ : releaseCoeff_) * (level - envelope);
        const float gain = limitingGain(envelope, threshold_.next()) * makeUp_.next();
        for (size_t c = 0; c < stride; ++c) {
            frame[c] *= gain;
        }
    }
    meanSquare_ = meanSquare;
    envelope_ = envelope;
}

} // namespace soundlib
