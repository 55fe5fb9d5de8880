#include "CompressorUnit.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

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
    // Settings in locals: writing the output would otherwise make the compiler reload them
    // for every frame.
    const float rmsCoeff = rmsCoeff_, attackCoeff = attackCoeff_, releaseCoeff = releaseCoeff_;
    SmoothedValue threshold = threshold_, makeUp = makeUp_;
    // With the settings at rest (the usual case) their values are read once for the block,
    // and a pair's two channels are taken directly.
    auto run = [&](auto steady, auto pair) {
        for (size_t i = 0; i < frames; ++i) {
            float* frame = interleaved + i * stride;
            float square = 0.0f;
            if constexpr (decltype(pair)::value) {
                square = std::max(std::max(square, frame[0] * frame[0]), frame[1] * frame[1]);
            } else {
                for (size_t c = 0; c < stride; ++c) {
                    square = std::max(square, frame[c] * frame[c]);
                }
            }
            // A short mean square, read as the peak of a sine of that power: a steady tone's
            // level comes out as its peak without the ripple a raw peak follower has.
            meanSquare += rmsCoeff * (square - meanSquare);
            const float level = std::sqrt(2.0f * meanSquare);
            envelope += (level > envelope ? attackCoeff : releaseCoeff) * (level - envelope);
            float gain = 0.0f;
            if constexpr (decltype(steady)::value) {
                gain = limitingGain(envelope, threshold.current()) * makeUp.current();
            } else {
                gain = limitingGain(envelope, threshold.next()) * makeUp.next();
            }
            if constexpr (decltype(pair)::value) {
                frame[0] *= gain;
                frame[1] *= gain;
            } else {
                for (size_t c = 0; c < stride; ++c) {
                    frame[c] *= gain;
                }
            }
        }
    };
    const bool steady = !threshold.ramping() && !makeUp.ramping();
    if (steady && stride == 2) {
        run(std::true_type{}, std::true_type{});
    } else if (steady) {
        run(std::true_type{}, std::false_type{});
    } else {
        run(std::false_type{}, std::false_type{});
    }
    threshold_ = threshold;
    makeUp_ = makeUp;
    meanSquare_ = meanSquare;
    envelope_ = envelope;
}

} // namespace soundlib
