#include "SpectrumTap.h"

#include <algorithm>

namespace soundlib {

SpectrumTap::SpectrumTap(int channels)
    : channels_(channels), samples_(static_cast<size_t>(std::max(channels, 1)) * kCapacity) {}

void SpectrumTap::write(const float* interleaved, size_t frames) noexcept {
    silentFrames_ = 0;
    store(interleaved, frames);
}

void SpectrumTap::writeSilence(size_t frames) noexcept {
    if (silentFrames_ >= kCapacity) {
        // Every frame kept is a zero already, and so are the ones a reader meets next.
        writerPosition_ += frames;
        writing_.store(writerPosition_, std::memory_order_relaxed);
        written_.store(writerPosition_, std::memory_order_release);
        return;
    }
    silentFrames_ += std::min(frames, kMaxRead); // what store() writes of it
    store(nullptr, frames);
}

void SpectrumTap::store(const float* interleaved, size_t frames) noexcept {
    const size_t stride = static_cast<size_t>(channels_);
    // Only the newest kMaxRead frames of an oversized block can matter.
    if (frames > kMaxRead) {
        if (interleaved != nullptr) {
            interleaved += (frames - kMaxRead) * stride;
        }
        writerPosition_ += frames - kMaxRead;
        frames = kMaxRead;
    }
    const uint64_t start = writerPosition_;
    writing_.store(start + frames, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (size_t c = 0; c < stride; ++c) {
        float* plane = samples_.data() + c * kCapacity;
        for (size_t i = 0; i < frames; ++i) {
            std::atomic_ref<float>(plane[(start + i) & kMask])
                .store(interleaved != nullptr ? interleaved[i * stride + c] : 0.0f,
                       std::memory_order_relaxed);
        }
    }
    writerPosition_ = start + frames;
    written_.store(writerPosition_, std::memory_order_release);
}

void SpectrumTap::latest(int channel, size_t count, float* out,
                         std::optional<uint64_t> wanted) const {
    count = std::min(count, kMaxRead);
    const float* plane = samples_.data() + static_cast<size_t>(channel) * kCapacity;
    // The writer adds a block every few milliseconds and a copy takes microseconds: a retry is
    // rare and a second one rarer still.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const uint64_t written = written_.load(std::memory_order_acquire);
        uint64_t end = written;
        if (wanted && *wanted < written) {
            const uint64_t oldest = written - std::min<uint64_t>(written, kCapacity - 2 * kMaxRead);
            end = std::max(*wanted, oldest);
        }
        const uint64_t begin = end - count; // may wrap below zero: those frames read as zeros
        for (size_t i = 0; i < count; ++i) {
            const uint64_t frame = begin + i;
            out[i] = frame >= end ? 0.0f // before the first frame ever written
                                  : std::atomic_ref<float>(const_cast<float&>(plane[frame & kMask]))
                                        .load(std::memory_order_relaxed);
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (writing_.load(std::memory_order_relaxed) <= begin + kCapacity) {
            return;
        }
    }
}

} // namespace soundlib
