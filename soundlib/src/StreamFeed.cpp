#include "StreamFeed.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>

namespace soundlib {
namespace {

constexpr size_t kDecodeChunkFrames = 4096;

// The fastest rate audio files really use; a damaged header may claim any rate at all.
constexpr int kHighestAudioRate = 384000;

// About two seconds of audio, so a busy disk or a slow decoder frame never starves the mixer.
size_t ringFramesFor(int sampleRate) {
    return std::max<size_t>(
        32768, static_cast<size_t>(std::clamp(sampleRate, 8000, kHighestAudioRate)) * 2);
}

// The thread sleeps until a quarter of a second fits, so it wakes a few times a second and
// decodes that much in one go, while the ring still holds seconds for the mixer.
size_t batchFramesFor(int sampleRate, size_t ringCapacity) {
    const size_t quarterSecond =
        static_cast<size_t>(std::clamp(sampleRate, 8000, kHighestAudioRate)) / 4;
    return std::min(quarterSecond, ringCapacity / 4);
}

std::unique_ptr<RateConverter> converterFor(const Decoder& decoder, int outputRate) {
    if (!RateConverter::converts(decoder.sampleRate(), outputRate)) {
        return nullptr;
    }
    return RateConverter::create(decoder.channels(), decoder.sampleRate(), outputRate);
}

} // namespace

StreamFeed::StreamFeed(std::unique_ptr<Decoder> decoder, bool loop, bool threaded, int outputRate)
    : decoder_(std::move(decoder)), loop_(loop), threaded_(threaded),
      length_(decoder_->lengthFrames()), converter_(converterFor(*decoder_, outputRate)),
      ratio_(converter_ ? FrameRatio::of(static_cast<uint64_t>(outputRate),
                                         static_cast<uint64_t>(decoder_->sampleRate()))
                        : FrameRatio{}),
      ring_(ringFramesFor(converter_ ? outputRate : decoder_->sampleRate()), decoder_->channels()),
      batchFrames_(
          batchFramesFor(converter_ ? outputRate : decoder_->sampleRate(), ring_.capacity())) {
    if (converter_) {
        decoded_.resize(kDecodeChunkFrames * static_cast<size_t>(decoder_->channels()));
    }
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
    wake_.signal();
    if (thread_.joinable()) {
        thread_.join();
    }
}

uint32_t StreamFeed::requestSeek(uint64_t frame) {
    requestedFrame_.store(frame, std::memory_order_relaxed);
    const uint32_t serial = requestedSerial_.load(std::memory_order_relaxed) + 1;
    requestedSerial_.store(serial, std::memory_order_release);
    wake_.signal();
    return serial;
}

void StreamFeed::PublishedSegment::write(const Segment& segment) {
    const uint32_t before = seq.load(std::memory_order_relaxed);
    seq.store(before + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    serial.store(segment.serial, std::memory_order_relaxed);
    ringStart.store(segment.ringStart, std::memory_order_relaxed);
    sourceStart.store(segment.sourceStart, std::memory_order_relaxed);
    ringEnd.store(segment.ringEnd, std::memory_order_relaxed);
    seq.store(before + 2, std::memory_order_release);
}

bool StreamFeed::PublishedSegment::read(Segment& out) const {
    const uint32_t before = seq.load(std::memory_order_acquire);
    if (before & 1u) {
        return false;
    }
    out.serial = serial.load(std::memory_order_relaxed);
    out.ringStart = ringStart.load(std::memory_order_relaxed);
    out.sourceStart = sourceStart.load(std::memory_order_relaxed);
    out.ringEnd = ringEnd.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return seq.load(std::memory_order_relaxed) == before;
}

void StreamFeed::publish(const Segment& segment) {
    for (PublishedSegment& copy : published_) {
        copy.write(segment);
    }
}

bool StreamFeed::segment(Segment& out) const {
    // The first copy is always written first: while it is being written the second still
    // holds what the first held, so no read gives an older segment than one read before it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (const PublishedSegment& copy : published_) {
            if (copy.read(out)) {
                return true;
            }
        }
    }
    return false;
}

void StreamFeed::release(uint64_t position) noexcept {
    ring_.releaseBefore(position);
    // Pairs with the fence in sleepUntilWork(): either the thread sees the room freed here, or
    // this sees that it sleeps.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const size_t wakeAt = wakeAtFree_.load(std::memory_order_relaxed);
    if (wakeAt != 0 && ring_.freeFrames() >= wakeAt &&
        wakeAtFree_.exchange(0, std::memory_order_relaxed) != 0) {
        wake_.signal();
    }
}

StreamFeed::Step StreamFeed::step() {
    const uint32_t wanted = requestedSerial_.load(std::memory_order_acquire);
    if (wanted != servedSerial_) {
        const uint64_t frame = requestedFrame_.load(std::memory_order_relaxed);
        servedSerial_ = wanted;
        current_.serial = wanted;
        current_.ringStart = ring_.writePosition();
        current_.sourceStart = frame;
        current_.ringEnd = UINT64_MAX;
        held_ = 0;
        inputEnded_ = false;
        segmentRead_ = false;
        // A live source cannot go back or ahead: it goes on from what arrives next. The
        // converter starts afresh a little before the target and drops what comes before it.
        const uint64_t preroll = decoder_->live() ? 0 : prerollFor(frame);
        discard_ = static_cast<size_t>(preroll / ratio_.file * ratio_.data);
        ended_ = (!decoder_->live() && !decoder_->seek(frame - preroll)) ||
                 (converter_ && !converter_->reset());
        if (ended_) {
            current_.ringEnd = current_.ringStart;
        }
        publish(current_);
        notifyConsumer();
        return Step::Progress;
    }
    if (held_ > 0) {
        return writeHeld() ? Step::Progress : Step::Full;
    }
    if (ended_) {
        return Step::Ended;
    }
    if (!inputEnded_) {
        if (ring_.freeFrames() == 0) {
            return Step::Full;
        }
        if (decodeChunk()) {
            return Step::Progress;
        }
        // The source ended: start over for looping streams, unless it delivers nothing at
        // all. The converter runs on through the wrap, so the loop joins without a seam.
        if (loop_ && segmentRead_ && decoder_->seek(0)) {
            return Step::Progress;
        }
        inputEnded_ = true;
        if (converter_) {
            converted_.resize(
                std::max(converted_.size(),
                         converter_->maxOutput(0) * static_cast<size_t>(ring_.channels())));
            held_ = converter_->drain(converted_.data());
            heldFrom_ = 0;
            return Step::Progress;
        }
    }
    ended_ = true;
    current_.ringEnd = ring_.writePosition();
    publish(current_);
    notifyConsumer();
    return Step::Ended;
}

bool StreamFeed::decodeChunk() {
    if (!converter_) {
        size_t space = 0;
        float* span = ring_.writeSpan(space);
        const size_t got = decoder_->read(span, std::min(space, kDecodeChunkFrames));
        if (got == 0) {
            return false;
        }
        segmentRead_ = true;
        ring_.commit(got);
        notifyConsumer();
        return true;
    }
    const size_t got = decoder_->read(decoded_.data(), kDecodeChunkFrames);
    if (got == 0) {
        return false;
    }
    segmentRead_ = true;
    const size_t channels = static_cast<size_t>(ring_.channels());
    // Grows to the converter's largest output once, then stays.
    converted_.resize(std::max(converted_.size(), converter_->maxOutput(got) * channels));
    held_ = converter_->convert(decoded_.data(), got, converted_.data());
    heldFrom_ = 0;
    writeHeld();
    return true;
}

uint64_t StreamFeed::prerollFor(uint64_t frame) const {
    if (!converter_) {
        return 0;
    }
    // Past the filter's reach, which is about 80 frames at the lower of the two rates, and a
    // whole number of output frames long, so the target stays exactly on an output frame.
    const uint64_t reach =
        128 * std::max<uint64_t>(1, (ratio_.file + ratio_.data - 1) / ratio_.data);
    const uint64_t unit = ratio_.file;
    const uint64_t preroll = (reach + unit - 1) / unit * unit;
    return preroll <= frame ? preroll : frame / unit * unit;
}

bool StreamFeed::writeHeld() {
    const size_t dropped = std::min(discard_, held_);
    heldFrom_ += dropped;
    held_ -= dropped;
    discard_ -= dropped;
    const size_t written =
        ring_.write(converted_.data() + heldFrom_ * static_cast<size_t>(ring_.channels()), held_);
    heldFrom_ += written;
    held_ -= written;
    if (written > 0) {
        notifyConsumer();
    }
    return dropped > 0 || written > 0;
}

void StreamFeed::notifyConsumer() {
    if (threaded_) {
        { std::lock_guard lock(filledMutex_); }
        filled_.notify_all();
    }
}

size_t StreamFeed::roomToWaitFor() const {
    const uint64_t ahead =
        ring_.writePosition() - std::max(ring_.readPosition(), current_.ringStart);
    return ahead < batchFrames_ ? 1 : batchFrames_;
}

void StreamFeed::run() {
    pthread_setname_np(pthread_self(), "sorvel-stream");
    while (!quit_.load(std::memory_order_acquire)) {
        const Step done = step();
        if (done == Step::Progress) {
            continue;
        }
        // After the end only a seek brings work, and it wakes the thread itself.
        sleepUntilWork(done == Step::Ended ? SIZE_MAX : roomToWaitFor());
    }
}

void StreamFeed::sleepUntilWork(size_t freeFrames) {
    wakeAtFree_.store(freeFrames, std::memory_order_relaxed);
    // Pairs with the fence in release().
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const bool work = quit_.load(std::memory_order_acquire) ||
                      kicked_.exchange(false, std::memory_order_acq_rel) ||
                      requestedSerial_.load(std::memory_order_acquire) != servedSerial_ ||
                      ring_.freeFrames() >= freeFrames;
    if (!work) {
        wake_.wait();
    }
    wakeAtFree_.store(0, std::memory_order_relaxed);
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
        std::unique_lock lock(filledMutex_);
        kicked_.store(true, std::memory_order_release);
        wake_.signal();
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
        if (step() != Step::Progress) {
            return;
        }
    }
}

} // namespace soundlib
