#include "ChorusUnit.h"

#include "simd4.h"
#include "soft_limit.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace soundlib {
namespace {

constexpr double kMaxDelayMs = 100.0;
constexpr double kGlideSeconds = 0.02;
constexpr float kMinDelayFrames = 2.0f;
// Three copies fed back at full strength would ring for ever; the top of the range stops
// just short of that.
constexpr float kLoopGain = 0.97f;
// Even short of unity a loop at full feedback builds a steady tone up some 30 times: what the
// loop feeds back stays linear up to full scale and never passes twice it.
constexpr float kLoopKnee = 1.0f;
constexpr float kLoopCeiling = 2.0f;

} // namespace

void ChorusUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    dry_.setRampFrames(glide);
    for (SmoothedValue& wet : wet_) {
        wet.setRampFrames(glide);
    }
    feedback_.setRampFrames(glide);
    // Delay and depth move read positions: glide slower so the pitch bends gently.
    delayMs_.setRampFrames(glide * 5);
    depth_.setRampFrames(glide * 5);
    // The waver reaches up to twice the delay at full depth.
    lines_.prepare(channels, static_cast<size_t>(2.0 * kMaxDelayMs * sampleRate / 1000.0) + 4);
    lfo_.setFrequency(rate_, sampleRate_);
    reset();
}

void ChorusUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        dry_.setTarget(value);
        break;
    case 1:
    case 2:
    case 3:
        wet_[index - 1].setTarget(value);
        break;
    case 4:
        delayMs_.setTarget(value);
        break;
    case 5:
        rate_ = value;
        lfo_.setFrequency(rate_, sampleRate_);
        break;
    case 6:
        depth_.setTarget(value);
        break;
    case 7:
        feedback_.setTarget(value);
        break;
    default:
        break;
    }
}

void ChorusUnit::reset() noexcept {
    dry_.snap();
    for (SmoothedValue& wet : wet_) {
        wet.snap();
    }
    delayMs_.snap();
    depth_.snap();
    feedback_.snap();
    lines_.clear();
    lfo_.reset();
}

void ChorusUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    const size_t mask = lines_.mask();
    float* line = lines_.data();
    const float framesPerMs = static_cast<float>(sampleRate_ / 1000.0);
    size_t at = lines_.writePosition();
    // Settings in locals: writing the output would otherwise make the compiler reload them
    // for every frame.
    SmoothedValue dryMix = dry_, wetMix0 = wet_[0], wetMix1 = wet_[1], wetMix2 = wet_[2];
    SmoothedValue delayMs = delayMs_, depthShare = depth_, feedbackShare = feedback_;
    Lfo lfo = lfo_;
    const i4 mask4 = splat4i(static_cast<int32_t>(mask));
    const i4 wrapsAfter = splat4i(static_cast<int32_t>(mask - 3));
    // With every setting at rest (the usual case) their values are read once for the block.
    auto run = [&](auto steady) {
        auto value = [](SmoothedValue& v) { return v.nextIn<decltype(steady)::value>(); };
        for (size_t i = 0; i < frames; ++i) {
            const float dry = value(dryMix);
            const float wet0 = value(wetMix0);
            const float wet1 = value(wetMix1);
            const float wet2 = value(wetMix2);
            const float base = value(delayMs) * framesPerMs;
            const float depth = value(depthShare);
            const float feedback = value(feedbackShare) * (kLoopGain / 3.0f);
            // The three taps' read positions and interpolation weights, side by side.
            const float s = lfo.sine();
            const f4 swing = {s, lfo.cosine(), -s, 0.0f};
            f4 delay = base * (1.0f + depth * swing);
            delay = delay > kMinDelayFrames ? delay : splat4(kMinDelayFrames);
            const i4 whole = __builtin_convertvector(delay, i4); // positive: truncation is floor
            const f4 t = 1.0f - (delay - __builtin_convertvector(whole, f4));
            const f4 t2 = t * t;
            const f4 t3 = t2 * t;
            // Turned so that each vector holds one tap's four weights.
            f4 w[4] = {-0.5f * t + t2 - 0.5f * t3, 1.0f - 2.5f * t2 + 1.5f * t3,
                       0.5f * t + 2.0f * t2 - 1.5f * t3, -0.5f * t2 + 0.5f * t3};
            // The first of each tap's four points; positions fit in 32 bits, so the masked
            // difference is the same as in full width.
            const i4 from = (splat4i(static_cast<int32_t>(at)) - (whole + 2)) & mask4;
            const bool wraps = (laneMask4(from > wrapsAfter) & 7u) != 0;
            lfo.step();
            float* frame = interleaved + i * stride;
            float* written = line + at * stride;
            if (stride == 2 && !wraps) {
                transpose4(w);
                // A pair: each tap's four points of both channels in two loads.
                auto tap = [&](size_t k) {
                    const float* points = line + 2 * static_cast<size_t>(from[k]);
                    const f4 sum = load4(points) * permute4<0, 0, 1, 1>(w[k]) +
                                   load4(points + 4) * permute4<2, 2, 3, 3>(w[k]);
                    return sum + swapHalves4(sum); // both channels' taps in the first two lanes
                };
                const f4 first = tap(0), second = tap(1), third = tap(2);
                const f4 fed = feedback * (first + second + third);
                f4 x = splat4(0.0f);
                std::memcpy(&x, frame, 2 * sizeof(float));
                const f4 out = dry * x + wet0 * first + wet1 * second + wet2 * third;
                const f4 write = x + softLimit4(fed, kLoopKnee, kLoopCeiling);
                std::memcpy(written, &write, 2 * sizeof(float));
                std::memcpy(frame, &out, 2 * sizeof(float));
            } else {
                for (size_t c = 0; c < stride; ++c) {
                    auto tap = [&](size_t k) {
                        const auto start = static_cast<size_t>(from[k]);
                        auto point = [&](size_t j) {
                            return line[((start + j) & mask) * stride + c];
                        };
                        return w[0][k] * point(0) + w[1][k] * point(1) + w[2][k] * point(2) +
                               w[3][k] * point(3);
                    };
                    const float first = tap(0), second = tap(1), third = tap(2);
                    const float x = frame[c];
                    written[c] =
                        x + softLimit(feedback * (first + second + third), kLoopKnee, kLoopCeiling);
                    frame[c] = dry * x + wet0 * first + wet1 * second + wet2 * third;
                }
            }
            at = (at + 1) & mask;
        }
    };
    if (dryMix.ramping() || wetMix0.ramping() || wetMix1.ramping() || wetMix2.ramping() ||
        delayMs.ramping() || depthShare.ramping() || feedbackShare.ramping()) {
        run(std::false_type{});
    } else {
        run(std::true_type{});
    }
    lines_.advance(frames);
    lfo.renormalise();
    lfo_ = lfo;
    dry_ = dryMix;
    wet_[0] = wetMix0;
    wet_[1] = wetMix1;
    wet_[2] = wetMix2;
    delayMs_ = delayMs;
    depth_ = depthShare;
    feedback_ = feedbackShare;
}

} // namespace soundlib
