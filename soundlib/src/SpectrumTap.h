// The latest output of the mixer, kept per channel for the spectrum and wave-data queries.
//
// One writer (the mixer, after the processing chain) and readers on the caller's thread. No
// locks: the writer says how far it may be writing before it writes and how far it has written
// after; a reader copies, then checks that the writer did not reach what it copied, and tries
// again if it did.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace soundlib {

class SpectrumTap {
public:
    // The most a reader may ask for at once.
    static constexpr size_t kMaxRead = 16384;

    explicit SpectrumTap(int channels);

    int channels() const { return channels_; }

    // Mixer thread.
    void write(const float* interleaved, size_t frames) noexcept;
    // The same for a block of silence; once all it keeps is silence, only the count moves on.
    void writeSilence(size_t frames) noexcept;

    // Reader: the latest `count` (<= kMaxRead) samples of `channel`, oldest first; zeros before
    // the first sample written. With `end`, the samples before frame `end` instead (counted
    // from the first frame written), which is how a reader follows an output that plays what
    // was mixed a while ago; an `end` older than the tap keeps is moved up to the oldest it can
    // give whole.
    void latest(int channel, size_t count, float* out,
                std::optional<uint64_t> end = std::nullopt) const;

private:
    // Null `interleaved`: zeros.
    void store(const float* interleaved, size_t frames) noexcept;

    // Room for the longest read, a block being written (the tap keeps at most kMaxRead of a
    // block) and a device queue of up to kCapacity - 2 * kMaxRead frames (0.7 s at 48 kHz)
    // behind the mixer, so a read never meets the block being written.
    static constexpr size_t kCapacity = 4 * kMaxRead;
    static constexpr size_t kMask = kCapacity - 1;

    int channels_;
    std::vector<float> samples_;  // channel after channel, kCapacity each
    uint64_t writerPosition_ = 0; // writer's own copy of written_
    uint64_t silentFrames_ = 0;   // written in a row by writeSilence()
    alignas(64) std::atomic<uint64_t> writing_{0};
    alignas(64) std::atomic<uint64_t> written_{0};
};

} // namespace soundlib
