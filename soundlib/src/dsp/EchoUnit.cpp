#include "EchoUnit.h"

#include "soft_limit.h"

#include <algorithm>
#include <cmath>

namespace soundlib {
namespace {

constexpr float kMaxDelayMs = 5000.0f;
constexpr double kGlideSeconds = 0.02;
constexpr double kDelayFadeSeconds = 0.03;
// What the loop feeds back stays linear up to twice full scale, far beyond what a full-scale
// input gives at the default decay of 0.5, and never passes four times it.
constexpr float kLoopKnee = 2.0f;
constexpr float kLoopCeiling = 4.0f;

} // namespace

size_t EchoUnit::framesFor(float ms) const {
    return std::max<size_t>(1, static_cast<size_t>(std::lround(ms * sampleRate_ / 1000.0)));
}

void EchoUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    decay_.setRampFrames(glide);
    dry_.setRampFrames(glide);
    wet_.setRampFrames(glide);
    fadeStep_ = 1.0f / static_cast<float>(std::max(1.0, kDelayFadeSeconds * sampleRate));
    lines_.prepare(channels, framesFor(kMaxDelayMs) + 1);
    reset();
}

void EchoUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        delayMs_ = value;
        break;
    case 1:
        decay_.setTarget(value);
        break;
    case 2:
        maxChannels_ = static_cast<int>(value);
        break;
    case 3:
        dry_.setTarget(value);
        break;
    case 4:
        wet_.setTarget(value);
        break;
    default:
        break;
    }
}

void EchoUnit::reset() noexcept {
    decay_.snap();
    dry_.snap();
    wet_.snap();
    lines_.clear();
    delayFrames_ = nextDelayFrames_ = framesFor(delayMs_);
    fading_ = false;
    fade_ = 0.0f;
}

void EchoUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    const size_t echoing =
        maxChannels_ <= 0 ? stride : std::min(stride, static_cast<size_t>(maxChannels_));
    const size_t mask = lines_.mask();
    float* line = lines_.data();
    size_t at = lines_.writePosition();
    const size_t wanted = framesFor(delayMs_);
    if (stride == 2 && echoing == 2 && !fading_ && wanted == delayFrames_ && delayFrames_ >= 2 &&
        !decay_.ramping() && !dry_.ramping() && !wet_.ramping()) {
        processSteadyPair(interleaved, frames);
        return;
    }
    for (size_t i = 0; i < frames; ++i) {
        if (!fading_ && wanted != delayFrames_) {
            nextDelayFrames_ = wanted;
            fading_ = true;
            fade_ = 0.0f;
        }
        const float decay = decay_.next();
        const float dry = dry_.next();
        const float wet = wet_.next();
        float* frame = interleaved + i * stride;
        if (fading_) {
            fade_ = std::min(1.0f, fade_ + fadeStep_);
            const float* from = line + ((at - delayFrames_) & mask) * stride;
            const float* to = line + ((at - nextDelayFrames_) & mask) * stride;
            float* written = line + at * stride;
            for (size_t c = 0; c < echoing; ++c) {
                const float delayed = from[c] + fade_ * (to[c] - from[c]);
                const float x = frame[c];
                written[c] = x + softLimit(decay * delayed, kLoopKnee, kLoopCeiling);
                frame[c] = dry * x + wet * delayed;
            }
            if (fade_ >= 1.0f) {
                delayFrames_ = nextDelayFrames_;
                fading_ = false;
            }
        } else {
            const float* from = line + ((at - delayFrames_) & mask) * stride;
            float* written = line + at * stride;
            for (size_t c = 0; c < echoing; ++c) {
                const float delayed = from[c];
                const float x = frame[c];
                written[c] = x + softLimit(decay * delayed, kLoopKnee, kLoopCeiling);
                frame[c] = dry * x + wet * delayed;
            }
        }
        at = (at + 1) & mask;
    }
    lines_.advance(frames);
}

void EchoUnit::processSteadyPair(float* interleaved, size_t frames) noexcept {
    // Two frames to a vector: each reads a frame at least two back, written before it. In runs
    // that end where the read or the write position wraps.
    const size_t mask = lines_.mask();
    const size_t size = mask + 1;
    float* line = lines_.data();
    const float decay = decay_.current(), dry = dry_.current(), wet = wet_.current();
    size_t at = lines_.writePosition();
    for (size_t done = 0; done < frames;) {
        const size_t from = (at - delayFrames_) & mask;
        const size_t run = std::min({frames - done, size - from, size - at});
        const float* delayed = line + 2 * from;
        float* written = line + 2 * at;
        float* x = interleaved + 2 * done;
        size_t k = 0;
        for (; k + 4 <= 2 * run; k += 4) {
            const f4 echo = load4(delayed + k);
            const f4 in = load4(x + k);
            store4(written + k, in + softLimit4(decay * echo, kLoopKnee, kLoopCeiling));
            store4(x + k, dry * in + wet * echo);
        }
        for (; k < 2 * run; ++k) {
            const float echo = delayed[k];
            const float in = x[k];
            written[k] = in + softLimit(decay * echo, kLoopKnee, kLoopCeiling);
            x[k] = dry * in + wet * echo;
        }
        at = (at + run) & mask;
        done += run;
    }
    lines_.advance(frames);
}

} // namespace soundlib
