// The bytes of a network stream between the thread that receives them and the thread that
// decodes them: a bounded queue that the reader can wait on, with the stream's titles pinned to
// the byte they arrived at, so they come out when the decoder gets there.
#pragma once

#include "decoder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace soundlib {

class ReceiveBuffer {
public:
    explicit ReceiveBuffer(size_t capacity);

    // Receiving side.
    // Takes as many bytes as fit; returns how many.
    size_t write(std::span<const uint8_t> bytes);
    // Waits up to `wait` for room for one more byte; false when there is none yet.
    bool waitForSpace(std::chrono::milliseconds wait);
    size_t freeSpace() const;
    // Tags that belong to the audio from stream byte `offset` on (counted over everything
    // written, before and after).
    void pinTags(uint64_t offset, std::vector<DecodedTag> tags);
    // No more bytes will come; `result` says why (FMOD_OK: the stream ended).
    void finish(FMOD_RESULT result);

    // Reading side. Waits for bytes; 0 once the stream ended and everything was read, after
    // abort(), or when `cancelled` becomes true. Tags reached by this read are stamped with
    // `decodedFrames`, the frames decoded before it.
    size_t read(uint8_t* out, size_t size, const std::atomic<bool>* cancelled,
                uint64_t decodedFrames);
    // Makes every read (now and later) return 0 and every wait for space give up.
    void abort();
    bool aborted() const;

    // Any thread.
    FMOD_RESULT result() const;
    bool finished() const;
    // Tags whose bytes were read before frame `playedFrames` was decoded, oldest first, moved
    // out.
    void takeReadTags(std::vector<DecodedTag>& out, uint64_t playedFrames);
    unsigned int percentFull() const;
    // Nothing to read and more to come.
    bool starving() const;

private:
    struct PinnedTags {
        uint64_t offset;
        std::vector<DecodedTag> tags;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> data_;
    size_t head_ = 0; // next byte to read
    size_t size_ = 0;
    uint64_t readTotal_ = 0;
    bool finished_ = false;
    bool aborted_ = false;
    FMOD_RESULT result_ = FMOD_OK;
    std::vector<PinnedTags> pinned_;
    std::vector<std::pair<uint64_t, DecodedTag>> released_; // stamped with decoded frames
    uint64_t decodedFrames_ = 0;                            // as of the last read
};

} // namespace soundlib
