#include "FlangeUnit.h"

#include "simd4.h"

#include <algorithm>

namespace soundlib {
namespace {

// The delay sweeps from kShortestMs up to kShortestMs + depth * kSweepMs: the classic range,
// where the notches are far apart and clearly heard.
constexpr double kShortestMs = 0.1;
constexpr double kSweepMs = 5.0;
constexpr double kGlideSeconds = 0.02;
constexpr float kMinDelayFrames = 2.0f; // the interpolator reads two frames ahead

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
    for (size_t i = 0; i < frames; ++i) {
        const float dry = dryMix.next();
        const float wet = wetMix.next();
        const float depth = depthShare.next();
        const DelayLines::HermiteTap tap =
            DelayLines::hermiteTap(shortest + depth * sweep * 0.5f * (1.0f - lfo.cosine()));
        lfo.step();
        float* frame = interleaved + i * stride;
        float* written = line + at * stride;
        for (size_t c = 0; c < stride; ++c) {
            written[c] = frame[c];
        }
        const size_t from = (at - tap.back) & mask;
        if (stride == 2 && from <= mask - 3) {
            // A pair: the four points of both channels in two loads.
            const float* points = line + 2 * from;
            const f4 first = {tap.weight[0], tap.weight[0], tap.weight[1], tap.weight[1]};
            const f4 last = {tap.weight[2], tap.weight[2], tap.weight[3], tap.weight[3]};
            const f4 sum = load4(points) * first + load4(points + 4) * last;
            frame[0] = dry * frame[0] + wet * (sum[0] + sum[2]);
            frame[1] = dry * frame[1] + wet * (sum[1] + sum[3]);
        } else {
            for (size_t c = 0; c < stride; ++c) {
                frame[c] = dry * frame[c] + wet * DelayLines::read(line, stride, c, mask, at, tap);
            }
        }
        at = (at + 1) & mask;
    }
    lines_.advance(frames);
    lfo.renormalise();
    lfo_ = lfo;
    dry_ = dryMix;
    wet_ = wetMix;
    depth_ = depthShare;
}

} // namespace soundlib
