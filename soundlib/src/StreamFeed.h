// Decodes a stream ahead of the mixer into a StreamRing, on a thread of its own (real-time
// outputs, and sources that wait on a drive or the network) or on demand inside the mixer
// (non-real-time outputs, where waiting is allowed). A source at another rate than the output
// is converted to the output rate on the way into the ring (RateConverter).
//
// The decoding thread sleeps while the ring is nearly full and the mixer wakes it, wait-free,
// once a whole batch fits again; it then fills the ring up. Seeks and stop() wake it at once.
#pragma once

#include "FrameRatio.h"
#include "RateConverter.h"
#include "StreamRing.h"
#include "WakeEvent.h"
#include "decoder.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace soundlib {

class StreamFeed {
public:
    // A run of frames that starts at a seek (or the start). The consumer plays a segment only
    // once its serial matches the seek it is waiting for.
    struct Segment {
        uint32_t serial = 0;
        uint64_t ringStart = 0;        // ring position of the segment's first frame
        uint64_t sourceStart = 0;      // file frame of that first frame
        uint64_t ringEnd = UINT64_MAX; // ring position where the source ended, if it did
    };

    // outputRate: the rate the ring holds; a decoder at another rate is converted to it
    // (0: the decoder's own rate).
    StreamFeed(std::unique_ptr<Decoder> decoder, bool loop, bool threaded, int outputRate = 0);
    ~StreamFeed();
    StreamFeed(const StreamFeed&) = delete;
    StreamFeed& operator=(const StreamFeed&) = delete;

    Decoder& decoder() { return *decoder_; }
    StreamRing& ring() { return ring_; }
    bool loops() const { return loop_; }
    // In file frames, as the decoder counts them; 0 when unknown.
    uint64_t lengthFrames() const { return length_; }
    // Ring frames per file frame.
    const FrameRatio& ratio() const { return ratio_; }
    // The wake-up threshold: the decoding thread sleeps until this many frames are free.
    size_t batchFrames() const { return batchFrames_; }

    // Caller's thread: restart decoding at file frame `frame`; returns the serial of the new
    // segment.
    uint32_t requestSeek(uint64_t frame);

    // Consumer: the current segment; false when it could not be read consistently this time.
    bool segment(Segment& out) const;
    // Consumer: frees the ring before `position` and wakes the decoding thread when it sleeps
    // waiting for that much room. Wait-free: an atomic look, and a write to an eventfd only
    // when the thread asked for it.
    void release(uint64_t position) noexcept;
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
    enum class Step { Progress, Full, Ended };

    void run();
    // One unit of work: a seek, a chunk decoded (and converted), held frames written on, or
    // the end published.
    Step step();
    // Decodes one chunk; false at the source's end.
    bool decodeChunk();
    // Writes converted frames the ring had no room for (dropping those before a seek's
    // target); false when none fit.
    bool writeHeld();
    void publish(const Segment& segment);
    // Threaded feeds, consumer side: whether the ring holds what fillSync(frames) asks for.
    bool filledFor(size_t frames) const;
    void notifyConsumer();
    // Producer: free frames to sleep for (a batch, or any room while the segment being
    // played has less than a batch ahead, right after a seek).
    size_t roomToWaitFor() const;
    void sleepUntilWork(size_t freeFrames);
    // File frames decoded before a seek's target when converting, so that the filter runs
    // into the target as it would in a full decode.
    uint64_t prerollFor(uint64_t frame) const;

    std::unique_ptr<Decoder> decoder_;
    bool loop_;
    bool threaded_;
    uint64_t length_;
    std::unique_ptr<RateConverter> converter_;
    FrameRatio ratio_;
    StreamRing ring_;
    size_t batchFrames_;

    // Producer-side state.
    uint32_t servedSerial_ = 0;
    bool ended_ = false;       // the segment's end is published
    bool inputEnded_ = false;  // the decoder delivered its last frame
    bool segmentRead_ = false; // the decoder delivered frames since the segment began
    Segment current_;
    std::vector<float> decoded_;   // one chunk at the decoder's rate (conversion only)
    std::vector<float> converted_; // its output; [heldFrom_, heldFrom_ + held_) wait for room
    size_t heldFrom_ = 0;
    size_t held_ = 0;
    size_t discard_ = 0; // converted frames before a seek's target, still to be dropped

    // Seek requests from the caller's thread.
    std::atomic<uint32_t> requestedSerial_{0};
    std::atomic<uint64_t> requestedFrame_{0};

    // The published segment, twice over, each copy under a sequence lock (odd while being
    // written). The copies are written one after the other, so while the thread is stopped
    // half-way through one (preempted, say) the other is whole and the mixer reads that.
    struct PublishedSegment {
        std::atomic<uint32_t> seq{0};
        std::atomic<uint32_t> serial{0};
        std::atomic<uint64_t> ringStart{0};
        std::atomic<uint64_t> ringEnd{UINT64_MAX};
        std::atomic<uint64_t> sourceStart{0};

        void write(const Segment& segment);
        bool read(Segment& out) const;
    };
    std::array<PublishedSegment, 2> published_;

    // The decoding thread's sleep: it wakes on seeks, kicks, stop(), and the consumer's
    // release() once wakeAtFree_ frames are free (0: not sleeping on room).
    WakeEvent wake_;
    std::atomic<size_t> wakeAtFree_{0};
    std::atomic<bool> kicked_{false}; // a waiting consumer wants the producer to look again
    std::atomic<bool> quit_{false};

    std::mutex filledMutex_;
    std::condition_variable filled_; // the producer made progress
    bool syncStarved_ = false;       // consumer side: the last wait ran out
    std::thread thread_;
};

} // namespace soundlib
