// Ring of decoded float frames between one producer (a stream's decoding thread) and one
// consumer (the mixer). Positions are absolute frame counts that only grow.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace soundlib {

class StreamRing {
public:
    // capacityFrames is rounded up to a power of two; all memory is taken here.
    StreamRing(size_t capacityFrames, int channels) : channels_(channels) {
        size_t size = 1;
        while (size < capacityFrames) {
            size <<= 1;
        }
        capacity_ = size;
        data_.assign(size * static_cast<size_t>(channels), 0.0f);
    }

    int channels() const { return channels_; }
    size_t capacity() const { return capacity_; }

    // Producer side.
    uint64_t writePosition() const { return write_.load(std::memory_order_relaxed); }
    size_t freeFrames() const {
        return capacity_ - static_cast<size_t>(write_.load(std::memory_order_relaxed) -
                                               read_.load(std::memory_order_acquire));
    }
    // A contiguous writable region at the write position; `frames` gets its size.
    float* writeSpan(size_t& frames) {
        const uint64_t write = write_.load(std::memory_order_relaxed);
        const size_t offset = static_cast<size_t>(write & (capacity_ - 1));
        frames = std::min(freeFrames(), capacity_ - offset);
        return data_.data() + offset * static_cast<size_t>(channels_);
    }
    void commit(size_t frames) {
        write_.store(write_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }
    // Copies in as many of `frames` frames as there is room for, and commits them.
    size_t write(const float* in, size_t frames) {
        size_t done = 0;
        while (done < frames) {
            size_t space = 0;
            float* span = writeSpan(space);
            const size_t run = std::min(space, frames - done);
            if (run == 0) {
                break;
            }
            std::memcpy(span, in + done * static_cast<size_t>(channels_),
                        run * static_cast<size_t>(channels_) * sizeof(float));
            commit(run);
            done += run;
        }
        return done;
    }

    // Consumer side.
    uint64_t readPosition() const { return read_.load(std::memory_order_relaxed); }
    uint64_t publishedWritePosition() const { return write_.load(std::memory_order_acquire); }
    // Copies frames [from, from + frames), which must lie inside [read, write).
    void copyOut(uint64_t from, size_t frames, float* out) const {
        while (frames > 0) {
            const size_t offset = static_cast<size_t>(from & (capacity_ - 1));
            const size_t run = std::min(frames, capacity_ - offset);
            std::memcpy(out, data_.data() + offset * static_cast<size_t>(channels_),
                        run * static_cast<size_t>(channels_) * sizeof(float));
            out += run * static_cast<size_t>(channels_);
            from += run;
            frames -= run;
        }
    }
    // Frees everything before `position` for the producer.
    void releaseBefore(uint64_t position) {
        if (position > read_.load(std::memory_order_relaxed)) {
            read_.store(position, std::memory_order_release);
        }
    }

private:
    int channels_;
    size_t capacity_ = 0;
    std::vector<float> data_;
    alignas(64) std::atomic<uint64_t> write_{0};
    alignas(64) std::atomic<uint64_t> read_{0};
};

} // namespace soundlib
