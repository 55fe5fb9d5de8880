// Decodes a stream ahead of the mixer into a StreamRing, on a thread of its own (real-time
// outputs, and sources that wait on a drive or the network) or on demand inside the mixer
// (non-real-time outputs, where waiting is allowed).
#pragma once

#include "StreamRing.h"
#include "decoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace soundlib {

class StreamFeed {
public:
    // A run of frames that starts at a seek (or the start). The consumer plays a segment only
    // once its serial matches the seek it is waiting for.
    struct Segment {
        uint32_t serial = 0;
        uint64_t ringStart = 0;        // ring position of the segment's first frame
        uint64_t sourceStart = 0;      // source frame of that first frame
        uint64_t ringEnd = UINT64_MAX; // ring position where the source ended, if it did
    };

    StreamFeed(std::unique_ptr<Decoder> decoder, bool loop, bool threaded);
    ~StreamFeed();
    StreamFeed(const StreamFeed&) = delete;
    StreamFeed& operator=(const StreamFeed&) = delete;

    Decoder& decoder() { return *decoder_; }
    StreamRing& ring() { return ring_; }
    bool loops() const { return loop_; }
    uint64_t lengthFrames() const { return length_; }

    // Caller's thread: restart decoding at `frame`; returns the serial of the new segment.
    uint32_t requestSeek(uint64_t frame);

    // Consumer: the current segment; false when it could not be read consistently this time.
    bool segment(Segment& out) const;
    // Non-real-time consumer: carry out pending seeks, then decode until `frames` frames past
    // the consumer's position in the current segment are in the ring, the source has ended,
    // or the ring is full. A threaded feed is waited for instead, at most the decoder's
    // blockingReadWait(); after a wait that ran out it is not waited for again until it has
    // caught up, so a stalled source costs one wait, not one per block.
    void fillSync(size_t frames);

    // Stops the decoding thread (idempotent), interrupting a read that waits. The ring stays
    // readable.
    void stop();

private:
    void run();
    // One unit of work; false when there was nothing to do (ring full or source ended).
    bool step();
    void publish(const Segment& segment);
    // Threaded feeds, consumer side: whether the ring holds what fillSync(frames) asks for.
    bool filledFor(size_t frames) const;
    void notifyConsumer();
    // Producer: how long to sleep when there is nothing to do.
    std::chrono::microseconds idleWait();

    std::unique_ptr<Decoder> decoder_;
    bool loop_;
    bool threaded_;
    uint64_t length_;
    StreamRing ring_;

    // Producer-side state.
    uint32_t servedSerial_ = 0;
    bool ended_ = false;
    Segment current_;
    std::chrono::steady_clock::time_point lastLook_; // idleWait()'s last look at the consumer
    uint64_t lastRead_ = 0;

    // Seek requests from the caller's thread.
    std::atomic<uint32_t> requestedSerial_{0};
    std::atomic<uint64_t> requestedFrame_{0};

    // The published segment (a sequence lock: odd while being written).
    std::atomic<uint32_t> segmentSeq_{0};
    std::atomic<uint32_t> segSerial_{0};
    std::atomic<uint64_t> segRingStart_{0};
    std::atomic<uint64_t> segSourceStart_{0};
    std::atomic<uint64_t> segRingEnd_{UINT64_MAX};

    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::atomic<bool> kicked_{false}; // a waiting consumer wants the producer to look again
    std::condition_variable filled_;  // the producer made progress
    bool syncStarved_ = false;        // consumer side: the last wait ran out
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

} // namespace soundlib
