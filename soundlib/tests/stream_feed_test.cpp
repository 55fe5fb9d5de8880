// The stream feed's decoding thread (asleep until a batch fits, woken by the consumer, seeks and
// stop) and the rate converter it uses, on a counting decoder whose frames tell where they came
// from.
#include "RateConverter.h"
#include "StreamFeed.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <thread>

using namespace soundlib;
using namespace std::chrono_literals;

namespace {

// Mono frames whose value is their frame number; exact seeks; counts its reads.
class CountingDecoder final : public Decoder {
public:
    CountingDecoder(int rate, uint64_t length) : rate_(rate), length_(length) {}
    int sampleRate() const override { return rate_; }
    int channels() const override { return 1; }
    uint64_t lengthFrames() const override { return length_; }
    FMOD_SOUND_TYPE type() const override { return FMOD_SOUND_TYPE_RAW; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCMFLOAT; }
    int sourceBits() const override { return 32; }
    int sourceChannels() const override { return 1; }
    size_t read(float* out, size_t frames) override {
        reads.fetch_add(1, std::memory_order_relaxed);
        const size_t count = static_cast<size_t>(std::min<uint64_t>(frames, length_ - next_));
        for (size_t i = 0; i < count; ++i) {
            out[i] = static_cast<float>(next_ + i);
        }
        next_ += count;
        return count;
    }
    bool seek(uint64_t frame) override {
        next_ = std::min(frame, length_);
        return true;
    }
    const std::vector<DecodedTag>& tags() const override { return tags_; }

    std::atomic<int> reads{0};

private:
    int rate_;
    uint64_t length_;
    uint64_t next_ = 0;
    std::vector<DecodedTag> tags_;
};

// Waits (bounded, so a lost wake-up fails instead of hanging) until `done` holds.
template <class F> bool eventually(F done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

struct Fed {
    std::unique_ptr<StreamFeed> feed;
    CountingDecoder* decoder;
};

Fed threadedFeed(uint64_t length, int rate = 44100, int outputRate = 0) {
    auto decoder = std::make_unique<CountingDecoder>(rate, length);
    CountingDecoder* counting = decoder.get();
    return {std::make_unique<StreamFeed>(std::move(decoder), false, true, outputRate), counting};
}

bool ringFull(StreamFeed& feed) {
    StreamRing& ring = feed.ring();
    return ring.publishedWritePosition() - ring.readPosition() == ring.capacity();
}

TEST(StreamFeed, SleepsWhileTheRingIsFullUntilABatchFitsThenFillsItUp) {
    for (const int outputRate : {0, 48000}) {
        SCOPED_TRACE(outputRate == 0 ? "own rate" : "converted");
        Fed fed = threadedFeed(100'000'000, 44100, outputRate);
        StreamFeed& feed = *fed.feed;
        ASSERT_TRUE(eventually([&] { return ringFull(feed); }));
        const size_t batch = feed.batchFrames();
        EXPECT_GE(batch, size_t{44100 / 10}); // at least a tenth of a second at a time
        const int reads = fed.decoder->reads.load();

        // Less than a batch of room: the thread sleeps on.
        feed.release(feed.ring().readPosition() + batch - 1);
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(fed.decoder->reads.load(), reads);
        // A batch: it wakes and fills the ring again, a batch's worth in one go.
        feed.release(feed.ring().readPosition() + 1);
        ASSERT_TRUE(eventually([&] { return ringFull(feed); }));
        EXPECT_GT(fed.decoder->reads.load(), reads);
    }
}

TEST(StreamFeed, SeeksAndStopReachASleepingThread) {
    struct Case {
        const char* name;
        uint64_t length; // a short source has ended and sleeps for good
    };
    for (const Case& c : {Case{"ring full", 100'000'000}, Case{"source ended", 1000}}) {
        SCOPED_TRACE(c.name);
        Fed fed = threadedFeed(c.length);
        StreamFeed& feed = *fed.feed;
        StreamFeed::Segment segment;
        ASSERT_TRUE(eventually([&] {
            return ringFull(feed) || (feed.segment(segment) && segment.ringEnd != UINT64_MAX);
        }));
        const uint32_t serial = feed.requestSeek(500);
        ASSERT_TRUE(eventually([&] { return feed.segment(segment) && segment.serial == serial; }));
        EXPECT_EQ(segment.sourceStart, 500u);
        // The consumer lets the old frames go once it takes up the new segment; the thread,
        // with nothing of the segment ahead, decodes into whatever room that makes.
        feed.release(segment.ringStart);
        ASSERT_TRUE(
            eventually([&] { return feed.ring().publishedWritePosition() > segment.ringStart; }));
        float first = -1.0f;
        feed.ring().copyOut(segment.ringStart, 1, &first);
        EXPECT_EQ(first, 500.0f);
        ASSERT_TRUE(eventually([&] {
            return ringFull(feed) || (feed.segment(segment) && segment.ringEnd != UINT64_MAX);
        }));
        feed.stop(); // returns: the test would hang otherwise
        feed.stop();
    }
}

TEST(StreamFeed, AConsumerReadingInSmallStepsGetsEveryFrameInOrder) {
    // The mixer frees a sub-block at a time, racing the thread as it goes to sleep: a lost
    // wake-up would leave the consumer waiting for ever.
    for (const int outputRate : {0, 48000}) {
        SCOPED_TRACE(outputRate == 0 ? "own rate" : "converted");
        constexpr uint64_t kLength = 1'000'000;
        Fed fed = threadedFeed(kLength, 44100, outputRate);
        StreamFeed& feed = *fed.feed;
        StreamFeed::Segment segment;
        uint64_t read = 0;
        std::vector<float> block(256);
        bool inOrder = true;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            ASSERT_TRUE(feed.segment(segment));
            const uint64_t written =
                std::min(feed.ring().publishedWritePosition(), segment.ringEnd);
            if (segment.ringEnd != UINT64_MAX && read == segment.ringEnd) {
                break;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), written - read));
            if (n == 0) {
                std::this_thread::yield();
                continue;
            }
            feed.ring().copyOut(read, n, block.data());
            if (outputRate == 0) {
                for (size_t i = 0; i < n; ++i) {
                    inOrder = inOrder && block[i] == static_cast<float>(read + i);
                }
            }
            read += n;
            feed.release(read);
        }
        ASSERT_NE(segment.ringEnd, UINT64_MAX) << "stalled at " << read;
        EXPECT_TRUE(inOrder);
        // Converted, the length follows the rate.
        const double expected = outputRate == 0 ? kLength : kLength * 48000.0 / 44100.0;
        EXPECT_NEAR(static_cast<double>(read), expected, 1.0);
    }
}

TEST(RateConverter, TheOutputIsAlignedWithTheInputAndAsLongAsItsDuration) {
    // An impulse at input frame 4000 comes out at 4000 * out / in: soxr's delay is trimmed.
    for (const auto& [in, out] :
         {std::pair{48000, 44100}, std::pair{44100, 48000}, std::pair{96000, 44100},
          std::pair{22050, 48000}, std::pair{8000, 48000}}) {
        SCOPED_TRACE(std::to_string(in) + " -> " + std::to_string(out));
        std::vector<float> impulse(20000, 0.0f);
        impulse[4000] = 1.0f;
        const auto converted = RateConverter::convertAll(impulse, 1, in, out);
        ASSERT_TRUE(converted);
        EXPECT_NEAR(static_cast<double>(converted->size()), 20000.0 * out / in, 1.0);
        const auto peak = std::max_element(converted->begin(), converted->end());
        const double at = static_cast<double>(peak - converted->begin());
        // Between two output frames when the target lies between them.
        EXPECT_NEAR(at, 4000.0 * out / in, 0.5);
    }
}

TEST(RateConverter, ALoopBecomesAWholeNumberOfFramesThatJoinsWithoutASeam) {
    // 1000 frames of 48 kHz holding exactly 10 cycles: 918.75 frames at 44.1 kHz, kept at 919.
    constexpr size_t kFrames = 1000;
    std::vector<float> stereo(kFrames * 2);
    for (size_t i = 0; i < kFrames; ++i) {
        stereo[2 * i] = stereo[2 * i + 1] =
            0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 10.0 * i / kFrames));
    }
    const auto loop = RateConverter::convertLoop(stereo, 2, 919);
    ASSERT_TRUE(loop);
    ASSERT_EQ(loop->size(), 919u * 2);
    // Every frame, the join included, is the same sine at the new step.
    double worst = 0.0;
    for (size_t i = 0; i < 919; ++i) {
        const double expected = 0.5 * std::sin(2.0 * std::numbers::pi * 10.0 * i / 919.0);
        worst = std::max(worst, std::fabs((*loop)[2 * i] - expected));
    }
    EXPECT_LT(worst, 1e-4);
}

} // namespace
