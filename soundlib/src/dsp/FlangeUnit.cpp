#include "FlangeUnit.h"

#include "simd4.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace soundlib {
namespace {

// The delay sweeps from kShortestMs up to kShortestMs + depth * kSweepMs: the classic range,
// where the notches are far apart and clearly heard.
constexpr double kShortestMs = 0.1;
constexpr double kSweepMs = 5.0;
constexpr double kGlideSeconds = 0.02;
constexpr float kMinDelayFrames = 2.0f; // the interpolator reads two frames ahead
// The four Hermite weights as ((a t + b t^2) + c) + d t^3, lane by lane: the terms hermiteTap
// leaves out are exact zeros and ones, so each weight comes out the same to the last bit.
constexpr f4 kHermiteT = {-0.5f, 0.0f, 0.5f, 0.0f};
constexpr f4 kHermiteT2 = {1.0f, -2.5f, 2.0f, -0.5f};
constexpr f4 kHermiteOne = {0.0f, 1.0f, 0.0f, 0.0f};
constexpr f4 kHermiteT3 = {-0.5f, 1.5f, -1.5f, 0.5f};

} // namespace

void FlangeUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    dry_.setRampFrames(glide);
    wet_.setRampFrames(glide);
    // Depth moves the delay itself: glide slower so it bends the pitch gently.
    depth_.setRampFrames(glide * 5);
    lines_.prepare(channels,
                   static_cast<size_t>((kShortestMs + kSweepMs) * sampleRate / 1000.0) + 4);
    lfo_.setFrequency(rate_, sampleRate_);
    reset();
}

void FlangeUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        dry_.setTarget(value);
        break;
    case 1:
        wet_.setTarget(value);
        break;
    case 2:
        depth_.setTarget(value);
        break;
    case 3:
        rate_ = value;
        lfo_.setFrequency(rate_, sampleRate_);
        break;
    default:
        break;
    }
}

void FlangeUnit::reset() noexcept {
    dry_.snap();
    wet_.snap();
    depth_.snap();
    lines_.clear();
    lfo_.reset();
}

void FlangeUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    const size_t mask = lines_.mask();
    const float framesPerMs = static_cast<float>(sampleRate_ / 1000.0);
    const float shortest = std::max(kMinDelayFrames, static_cast<float>(kShortestMs) * framesPerMs);
    const float sweep = static_cast<float>(kSweepMs) * framesPerMs;
    float* line = lines_.data();
    size_t at = lines_.writePosition();
    // Settings in locals: writing the output would otherwise make the compiler reload them
    // for every frame.
    SmoothedValue dryMix = dry_, wetMix = wet_, depthShare = depth_;
    Lfo lfo = lfo_;
    // With every setting at rest (the usual case) their values are read once for the block.
    auto run = [&](auto steady) {
        auto value = [](SmoothedValue& v) { return v.nextIn<decltype(steady)::value>(); };
        for (size_t i = 0; i < frames; ++i) {
            const float dry = value(dryMix);
            const float wet = value(wetMix);
            const float depth = value(depthShare);
            const float delay = shortest + depth * sweep * 0.5f * (1.0f - lfo.cosine());
            lfo.step();
            float* frame = interleaved + i * stride;
            float* written = line + at * stride;
            if (stride == 2) {
                // A pair: the four points of both channels in two loads, and the weights of
                // DelayLines::hermiteTap worked out side by side, each just as it does.
                const auto whole = static_cast<int32_t>(delay); // positive: truncation is floor
                const size_t from = (at - (static_cast<size_t>(whole) + 2)) & mask;
                std::memcpy(written, frame, 2 * sizeof(float));
                if (from <= mask - 3) {
                    const f4 t = splat4(1.0f - (delay - static_cast<float>(whole)));
                    const f4 t2 = t * t;
                    const f4 weights =
                        ((kHermiteT * t + kHermiteT2 * t2) + kHermiteOne) + kHermiteT3 * (t2 * t);
                    const float* points = line + 2 * from;
                    const f4 sum = load4(points) * permute4<0, 0, 1, 1>(weights) +
                                   load4(points + 4) * permute4<2, 2, 3, 3>(weights);
                    f4 x = splat4(0.0f);
                    std::memcpy(&x, frame, 2 * sizeof(float));
                    const f4 out = dry * x + wet * (sum + swapHalves4(sum));
                    std::memcpy(frame, &out, 2 * sizeof(float));
                    at = (at + 1) & mask;
                    continue;
                }
            } else {
                for (size_t c = 0; c < stride; ++c) {
                    written[c] = frame[c];
                }
            }
            const DelayLines::HermiteTap tap = DelayLines::hermiteTap(delay);
            for (size_t c = 0; c < stride; ++c) {
                frame[c] = dry * frame[c] + wet * DelayLines::read(line, stride, c, mask, at, tap);
            }
            at = (at + 1) & mask;
        }
    };
    if (dryMix.ramping() || wetMix.ramping() || depthShare.ramping()) {
        run(std::false_type{});
    } else {
        run(std::true_type{});
    }
    lines_.advance(frames);
    lfo.renormalise();
    lfo_ = lfo;
    dry_ = dryMix;
    wet_ = wetMix;
    depth_ = depthShare;
}

} // namespace soundlib
