#include "PlayedBlocks.h"

#include <algorithm>
#include <cmath>

namespace soundlib {

namespace {

uint16_t generationOf(uint64_t packed) {
    return static_cast<uint16_t>(packed >> 48);
}

uint64_t frameOf(uint64_t packed) {
    return packed & 0xFFFFFFFFFFFFull;
}

} // namespace

void PlayedBlocks::record(uint64_t outputEnd, uint64_t position, float step) noexcept {
    Entry& entry = entries_[writerCount_ % kBlocks];
    entry.outputEnd.store(outputEnd, std::memory_order_relaxed);
    entry.position.store(position, std::memory_order_relaxed);
    entry.step.store(step, std::memory_order_relaxed);
    count_.store(++writerCount_, std::memory_order_release);
}

PlayedBlocks::Answer PlayedBlocks::positionAt(uint16_t generation, uint64_t outputFrame) const {
    struct Copy {
        uint64_t outputEnd, position;
        float step;
    };
    std::array<Copy, kBlocks> copies{};
    const uint64_t count = count_.load(std::memory_order_acquire);
    const uint64_t first = count - std::min<uint64_t>(count, kBlocks);
    for (uint64_t i = first; i < count; ++i) {
        const Entry& entry = entries_[i % kBlocks];
        copies[i - first] = {entry.outputEnd.load(std::memory_order_relaxed),
                             entry.position.load(std::memory_order_relaxed),
                             entry.step.load(std::memory_order_relaxed)};
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    // The writer may have refilled the oldest entries while they were copied.
    const uint64_t now = count_.load(std::memory_order_relaxed);
    const uint64_t valid = std::max(first, now >= kBlocks ? now - kBlocks + 1 : 0);

    for (uint64_t i = valid; i < count; ++i) {
        const Copy& block = copies[i - first];
        if (block.outputEnd <= outputFrame)
            continue;
        // The block the frame lies in.
        if (generationOf(block.position) != generation)
            return {Heard::Before, 0};
        const double back = static_cast<double>(block.outputEnd - outputFrame) * block.step;
        const double at = static_cast<double>(frameOf(block.position)) - back;
        return {Heard::At, at <= 0.0 ? 0 : static_cast<uint64_t>(std::floor(at))};
    }
    return {Heard::Latest, 0};
}

} // namespace soundlib
