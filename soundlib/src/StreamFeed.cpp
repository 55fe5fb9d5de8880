#include "StreamFeed.h"

#include <algorithm>
#include <chrono>

namespace soundlib {
namespace {

constexpr size_t kDecodeChunkFrames = 4096;
// Bounds of the decoding thread's wait while the ring is full: often enough for a consumer that
// plays many times faster than real time, rarely enough to cost nothing at normal speed.
constexpr std::chrono::microseconds kShortestIdle{5000};
constexpr std::chrono::microseconds kLongestIdle{100000};

// The fastest rate audio files really use; a damaged header may claim any rate at all.
constexpr int kHighestAudioRate = 384000;

// About two seconds of audio, so a busy disk or a slow decoder frame never starves the mixer.
size_t ringFramesFor(int sampleRate) {
    return std::max<size_t>(
        32768, static_cast<size_t>(std::clamp(sampleRate, 8000, kHighestAudioRate)) * 2);
}

} // namespace

StreamFeed::StreamFeed(std::unique_ptr<Decoder> decoder, bool loop, bool threaded)
    : decoder_(std::move(decoder)), loop_(loop), threaded_(threaded),
      length_(decoder_->lengthFrames()),
      ring_(ringFramesFor(decoder_->sampleRate()), decoder_->channels()) {
    publish(current_);
    if (threaded) {
        thread_ = std::thread([this] { run(); });
    }
}

StreamFeed::~StreamFeed() {
    stop();
}

void StreamFeed::stop() {
    quit_.store(true, std::memory_order_release);
    if (threaded_) {
        decoder_->interrupt();
    }
    { std::lock_guard lock(wakeMutex_); }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

uint32_t StreamFeed::requestSeek(uint64_t frame) {
    requestedFrame_.store(frame, std::memory_order_relaxed);
    const uint32_t serial = requestedSerial_.load(std::memory_order_relaxed) + 1;
    requestedSerial_.store(serial, std::memory_order_release);
    { std::lock_guard lock(wakeMutex_); }
    wake_.notify_all();
    return serial;
}

void StreamFeed::publish(const Segment& segment) {
    const uint32_t seq = segmentSeq_.load(std::memory_order_relaxed);
    segmentSeq_.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    segSerial_.store(segment.serial, std::memory_order_relaxed);
    segRingStart_.store(segment.ringStart, std::memory_order_relaxed);
    segSourceStart_.store(segment.sourceStart, std::memory_order_relaxed);
    segRingEnd_.store(segment.ringEnd, std::memory_order_relaxed);
    segmentSeq_.store(seq + 2, std::memory_order_release);
}

bool StreamFeed::segment(Segment& out) const {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const uint32_t before = segmentSeq_.load(std::memory_order_acquire);
        if (before & 1u) {
            continue;
        }
        out.serial = segSerial_.load(std::memory_order_relaxed);
        out.ringStart = segRingStart_.load(std::memory_order_relaxed);
        out.sourceStart = segSourceStart_.load(std::memory_order_relaxed);
        out.ringEnd = segRingEnd_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (segmentSeq_.load(std::memory_order_relaxed) == before) {
            return true;
        }
    }
    return false;
}

bool StreamFeed::step() {
    const uint32_t wanted = requestedSerial_.load(std::memory_order_acquire);
    if (wanted != servedSerial_) {
        const uint64_t frame = requestedFrame_.load(std::memory_order_relaxed);
        servedSerial_ = wanted;
        current_.serial = wanted;
        current_.ringStart = ring_.writePosition();
        current_.sourceStart = frame;
        current_.ringEnd = UINT64_MAX;
        // A live source cannot go back or ahead: it goes on from what arrives next.
        ended_ = !decoder_->live() && !decoder_->seek(frame);
        if (ended_) {
            current_.ringEnd = current_.ringStart;
        }
        publish(current_);
        notifyConsumer();
        return true;
    }
    if (ended_) {
        return false;
    }
    size_t space = 0;
    float* span = ring_.writeSpan(space);
    if (space == 0) {
        return false;
    }
    const size_t got = decoder_->read(span, std::min(space, kDecodeChunkFrames));
    if (got > 0) {
        ring_.commit(got);
        notifyConsumer();
        return true;
    }
    // The source ended: start over for looping streams, unless it delivers nothing at all.
    if (loop_ && ring_.writePosition() > current_.ringStart && decoder_->seek(0)) {
        return true;
    }
    ended_ = true;
    current_.ringEnd = ring_.writePosition();
    publish(current_);
    notifyConsumer();
    return false;
}

void StreamFeed::notifyConsumer() {
    if (threaded_) {
        { std::lock_guard lock(wakeMutex_); }
        filled_.notify_all();
    }
}

void StreamFeed::run() {
    while (!quit_.load(std::memory_order_acquire)) {
        if (step()) {
            continue;
        }
        // Nothing to do: the ring is full or the source ended. The mixer frees space without
        // waking us (it must not make system calls), so look again once it may have used a
        // quarter of what is buffered. Seeks, kicks and stop() wake us at once.
        const auto wait = idleWait();
        std::unique_lock lock(wakeMutex_);
        wake_.wait_for(lock, wait, [this] {
            return quit_.load(std::memory_order_acquire) ||
                   kicked_.exchange(false, std::memory_order_acq_rel) ||
                   requestedSerial_.load(std::memory_order_acquire) != servedSerial_;
        });
    }
}

std::chrono::microseconds StreamFeed::idleWait() {
    using namespace std::chrono;
    if (ended_) {
        return kLongestIdle; // only a seek brings work, and it wakes us
    }
    // How fast the consumer reads, at least real time (it may play faster).
    const auto now = steady_clock::now();
    const uint64_t read = ring_.readPosition();
    const double elapsed = duration<double>(now - lastLook_).count();
    double perSecond = elapsed > 0.0 ? static_cast<double>(read - lastRead_) / elapsed : 0.0;
    perSecond = std::max(perSecond, static_cast<double>(std::max(decoder_->sampleRate(), 1)));
    lastLook_ = now;
    lastRead_ = read;
    const double buffered = static_cast<double>(ring_.writePosition() - read);
    const auto wait = duration_cast<microseconds>(duration<double>(0.25 * buffered / perSecond));
    return std::clamp(wait, kShortestIdle, kLongestIdle);
}

bool StreamFeed::filledFor(size_t frames) const {
    Segment published;
    if (!segment(published) ||
        published.serial != requestedSerial_.load(std::memory_order_acquire)) {
        return false;
    }
    if (published.ringEnd != UINT64_MAX) {
        return true;
    }
    const uint64_t read = ring_.readPosition();
    const uint64_t written = ring_.publishedWritePosition();
    return written >= std::max(read, published.ringStart) + frames ||
           written - read >= ring_.capacity();
}

void StreamFeed::fillSync(size_t frames) {
    if (threaded_) {
        if (filledFor(frames)) {
            syncStarved_ = false;
            return;
        }
        if (syncStarved_) {
            return;
        }
        std::unique_lock lock(wakeMutex_);
        kicked_.store(true, std::memory_order_release);
        wake_.notify_all();
        syncStarved_ = !filled_.wait_for(lock, decoder_->blockingReadWait(), [&] {
            return quit_.load(std::memory_order_acquire) || filledFor(frames);
        });
        return;
    }
    for (;;) {
        const uint32_t wanted = requestedSerial_.load(std::memory_order_acquire);
        const uint64_t from = std::max(ring_.readPosition(), current_.ringStart);
        if (wanted == servedSerial_ && (ended_ || ring_.writePosition() >= from + frames)) {
            return;
        }
        if (!step()) {
            return;
        }
    }
}

} // namespace soundlib
