#include "Dsp.h"

#include "dsp_catalog.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace soundlib {
namespace {

constexpr double kFadeSeconds = 0.005;

} // namespace

Dsp::Dsp(const DspDescription& description, FMOD_SYSTEM creator, int sampleRate, int channels,
         size_t maxBlockFrames)
    : description_(description), creator_(creator), sampleRate_(sampleRate), channels_(channels),
      maxBlockFrames_(maxBlockFrames), unit_(description.create()),
      values_(description.parameters.size()),
      pending_(std::make_unique<std::atomic<float>[]>(description.parameters.size())) {
    for (size_t i = 0; i < values_.size(); ++i) {
        values_[i] = description.parameters[i].defaultValue;
        pending_[i].store(values_[i], std::memory_order_relaxed);
        unit_->setParameter(static_cast<int>(i), values_[i]);
    }
    // Prepared (its buffers sized for the longest settings) when it is first attached: the
    // player makes every unit at start, and most are never switched on.
}

void Dsp::reformat(int sampleRate, int channels) {
    // Until this has gone through the unit may be half resized (memory ran out): a unit that
    // is not prepared is prepared again before it is attached.
    prepared_ = false;
    // Values set since the unit last ran reach it now, so prepare() sees the whole setting.
    applyPending();
    unit_->prepare(sampleRate, channels, maxBlockFrames_);
    dry_.assign(maxBlockFrames_ * static_cast<size_t>(channels), 0.0f);
    fadeStep_ = static_cast<float>(1.0 / std::max(1.0, kFadeSeconds * sampleRate));
    sampleRate_ = sampleRate;
    channels_ = channels;
    prepared_ = true;
}

FMOD_RESULT Dsp::setParameter(int index, float value) {
    if (index < 0 || index >= parameterCount() ||
        !parameterAccepts(description_.parameters[static_cast<size_t>(index)], value)) {
        return FMOD_ERR_INVALID_PARAM;
    }
    const auto i = static_cast<size_t>(index);
    values_[i] = value;
    pending_[i].store(value, std::memory_order_relaxed);
    dirty_.fetch_or(1u << i, std::memory_order_release);
    return FMOD_OK;
}

FMOD_RESULT Dsp::parameter(int index, float& value) const {
    if (index < 0 || index >= parameterCount()) {
        return FMOD_ERR_INVALID_PARAM;
    }
    value = values_[static_cast<size_t>(index)];
    return FMOD_OK;
}

void Dsp::applyPending() noexcept {
    uint32_t changed = dirty_.exchange(0, std::memory_order_acquire);
    while (changed != 0) {
        const int index = std::countr_zero(changed);
        changed &= changed - 1;
        unit_->setParameter(index, pending_[index].load(std::memory_order_relaxed));
    }
}

void Dsp::enterChain() noexcept {
    applyPending();
    unit_->reset();
    leaving_ = false;
    mixerBypass_ = sharedBypass_.load(std::memory_order_relaxed);
    mix_ = 0.0f;
    mixTarget_ = mixerBypass_ ? 0.0f : 1.0f;
    mixStep_ = fadeStep_;
}

void Dsp::markLeaving() noexcept {
    leaving_ = true;
    mixTarget_ = 0.0f;
}

void Dsp::stayInChain() noexcept {
    leaving_ = false;
    mixTarget_ = mixerBypass_ ? 0.0f : 1.0f;
    mixStep_ = fadeStep_;
}

void Dsp::beginBlock(size_t firstFrames) noexcept {
    applyPending();
    const bool bypass = sharedBypass_.load(std::memory_order_relaxed);
    if (bypass != mixerBypass_) {
        mixerBypass_ = bypass;
        if (!bypass && mix_ == 0.0f) {
            unit_->reset(); // coming back from a full bypass: no stale tail
        }
        mixStep_ = fadeStep_;
    }
    mixTarget_ = leaving_ || mixerBypass_ ? 0.0f : 1.0f;
    if (leaving_) {
        // The mixer lets go of a leaving unit after this block's first part.
        mixStep_ = std::max(fadeStep_, 1.0f / static_cast<float>(std::max<size_t>(firstFrames, 1)));
    }
}

void Dsp::run(float* interleaved, size_t frames) noexcept {
    if (mix_ == mixTarget_) {
        if (mix_ == 1.0f) {
            unit_->process(interleaved, frames, channels_);
        }
        return; // bypassed: the sound passes untouched
    }
    const size_t stride = static_cast<size_t>(channels_);
    std::memcpy(dry_.data(), interleaved, frames * stride * sizeof(float));
    unit_->process(interleaved, frames, channels_);
    float mix = mix_;
    for (size_t i = 0; i < frames; ++i) {
        mix = mixTarget_ > mix ? std::min(mixTarget_, mix + mixStep_)
                               : std::max(mixTarget_, mix - mixStep_);
        float* frame = interleaved + i * stride;
        const float* dry = dry_.data() + i * stride;
        for (size_t c = 0; c < stride; ++c) {
            frame[c] = dry[c] + mix * (frame[c] - dry[c]);
        }
    }
    mix_ = mix;
}

} // namespace soundlib
