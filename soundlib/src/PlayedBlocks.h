// The last few blocks a voice played, so the position of an output frame that is still on its
// way to the speakers can be found.
//
// One writer (the mixer, once per block) and readers on the caller's thread. No locks: the
// writer fills an entry and then counts it; a reader copies, then checks the count again and
// keeps only entries the writer cannot have reached meanwhile.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace soundlib {

class PlayedBlocks {
public:
    // Mixer thread: the block ending at output frame `outputEnd` (counted from the mixer's
    // first frame) left the voice at `position` (generation and source frame, packed as
    // ChannelShared::pack does), moving `step` source frames per output frame through it.
    void record(uint64_t outputEnd, uint64_t position, float step) noexcept;

    enum class Heard {
        Latest, // the frame is at or past the newest block: the voice's current position
        Before, // the frame is older than the voice's first block: it is not heard yet
        At,     // `frame` below
    };
    struct Answer {
        Heard heard = Heard::Latest;
        uint64_t frame = 0; // source frame, for Heard::At
    };
    // Reader: where the voice of `generation` was at output frame `outputFrame`.
    Answer positionAt(uint16_t generation, uint64_t outputFrame) const;

private:
    static constexpr size_t kBlocks = 16;
    struct Entry {
        std::atomic<uint64_t> outputEnd{0};
        std::atomic<uint64_t> position{0};
        std::atomic<float> step{0.0f};
    };
    std::array<Entry, kBlocks> entries_;
    std::atomic<uint64_t> count_{0};
    uint64_t writerCount_ = 0;
};

} // namespace soundlib
