// Streams on a real-time output, where a decoding thread of their own feeds the mixer.
#include "playback_fixture.h"

#include <chrono>
#include <cmath>
#include <thread>

using namespace playbacktest;

namespace {

using namespace std::chrono_literals;

RenderSettings realTime() {
    RenderSettings settings;
    settings.output = FMOD_OUTPUTTYPE_WAVWRITER;
    return settings;
}

// First frame of channel 0 from `from` on that is not silent.
size_t firstSounding(const testmedia::WavData& wav, size_t from) {
    for (size_t i = from; i < wav.frames(); ++i) {
        if (wav.samples[i * wav.channels] != 0.0f) {
            return i;
        }
    }
    return wav.frames();
}

TEST(RealTimePlayback, StreamPlaysWithoutGapsFromItsOwnThread) {
    const auto path = writeRamp("rt_ramp.wav", 30000);
    RenderedSystem render(realTime());
    const FMOD_CHANNEL channel = render.play(render.open(path));
    for (int i = 0; i < 300 && render.playing(channel); ++i) {
        std::this_thread::sleep_for(10ms);
        render.update();
    }
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();
    // The ramp comes out whole and in order: every frame follows its predecessor.
    const size_t start = firstSounding(wav, 0);
    ASSERT_LT(start + 30000, wav.frames());
    size_t wrong = 0;
    for (size_t i = 1; i < 30000; ++i) {
        const float expected = rampValue(i) / 32768.0f;
        wrong += std::abs(wav.samples[(start + i) * 2] - expected) > 1e-4f ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(RealTimePlayback, SeekOnAThreadedStreamResumesAtTheExactFrame) {
    const auto path = writeRamp("rt_seek.wav", 441000);
    RenderedSystem render(realTime());
    const FMOD_CHANNEL channel = render.play(render.open(path));
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(FMOD_Channel_SetPosition(channel, 300000, FMOD_TIMEUNIT_PCM), FMOD_OK);
    unsigned int position = 0;
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, 300000u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_GT(position, 300000u);
    EXPECT_LT(position, 400000u);
    const auto wav = render.finish();
    // Find where the ramp jumps to frame 300000 and check it runs on from there.
    const float target = rampValue(300000) / 32768.0f;
    size_t jump = wav.frames();
    for (size_t i = 0; i < wav.frames(); ++i) {
        if (std::abs(wav.samples[i * 2] - target) < 1e-5f && i + 1 < wav.frames() &&
            std::abs(wav.samples[(i + 1) * 2] - rampValue(300001) / 32768.0f) < 1e-5f) {
            jump = i;
            break;
        }
    }
    ASSERT_LT(jump + 2000, wav.frames());
    for (size_t i = 0; i < 2000; ++i) {
        ASSERT_NEAR(wav.samples[(jump + i) * 2], rampValue(300000 + i) / 32768.0f, 1e-4f) << i;
    }
}

} // namespace
