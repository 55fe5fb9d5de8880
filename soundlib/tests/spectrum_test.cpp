// The spectrum and wave-data queries on the mixed output.
#include "dsp_fixture.h"

#include <algorithm>

using namespace dsptest;

namespace {

// Plays `file` for `blocks` blocks and hands the still-running system to `check`.
void whilePlaying(const std::filesystem::path& file, int blocks,
                  const std::function<void(playbacktest::RenderedSystem&)>& check,
                  const playbacktest::RenderSettings& settings = {}) {
    playbacktest::RenderedSystem render(settings);
    render.play(render.open(file, 0x4A, false)); // looping
    render.update(blocks);
    check(render);
}

TEST(Spectrum, AToneShowsAtItsBinWithItsAmplitude) {
    whilePlaying(sineFile(1000.0, 1.0, 0.5), 12, [](playbacktest::RenderedSystem& render) {
        std::vector<float> spectrum(512);
        ASSERT_EQ(FMOD_System_GetSpectrum(render.system, spectrum.data(), 512, 0,
                                          FMOD_DSP_FFT_WINDOW_HANNING),
                  FMOD_OK);
        const auto peak = std::max_element(spectrum.begin(), spectrum.end());
        // Bins are 44100 / 1024 Hz apart: 1 kHz is bin 23.2.
        EXPECT_EQ(peak - spectrum.begin(), 23);
        EXPECT_NEAR(*peak, 0.5, 0.05);
        EXPECT_LT(spectrum[100], 0.001f);
    });
}

TEST(Spectrum, AFullScaleSineOnABinReadsOneWithEveryWindow) {
    // Bin 40 of a 2048-sample transform: 40 * 44100 / 2048 Hz.
    const double hz = 40.0 * kRate / 2048.0;
    whilePlaying(sineFile(hz, 1.0, 1.0), 12, [](playbacktest::RenderedSystem& render) {
        std::vector<float> spectrum(1024);
        for (int window = 0; window <= 5; ++window) {
            SCOPED_TRACE(window);
            ASSERT_EQ(FMOD_System_GetSpectrum(render.system, spectrum.data(), 1024, 1, window),
                      FMOD_OK);
            EXPECT_NEAR(spectrum[40], 1.0, 0.01);
            EXPECT_EQ(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin(), 40);
        }
    });
}

TEST(Spectrum, TaperedWindowsLeakLessThanTheRectangle) {
    whilePlaying(sineFile(1000.0, 1.0, 0.5), 12, [](playbacktest::RenderedSystem& render) {
        std::vector<float> rect(512), harris(512);
        ASSERT_EQ(FMOD_System_GetSpectrum(render.system, rect.data(), 512, 0, 0), FMOD_OK);
        ASSERT_EQ(FMOD_System_GetSpectrum(render.system, harris.data(), 512, 0, 5), FMOD_OK);
        // Twenty bins away from a tone that sits between bins.
        EXPECT_GT(rect[43], 100.0f * harris[43]);
    });
}

TEST(Spectrum, SilenceAndArgumentsOutOfRange) {
    playbacktest::RenderedSystem render;
    std::vector<float> values(16384, 1.0f);
    // Nothing mixed yet: zeros.
    ASSERT_EQ(FMOD_System_GetSpectrum(render.system, values.data(), 8192, 0, 3), FMOD_OK);
    EXPECT_EQ(*std::max_element(values.begin(), values.begin() + 8192), 0.0f);
    ASSERT_EQ(FMOD_System_GetWaveData(render.system, values.data(), 16384, 1), FMOD_OK);
    EXPECT_EQ(*std::max_element(values.begin(), values.end()), 0.0f);
    for (const int count : {32, 100, 16384}) {
        EXPECT_EQ(FMOD_System_GetSpectrum(render.system, values.data(), count, 0, 3),
                  FMOD_ERR_INVALID_PARAM)
            << count;
    }
    EXPECT_EQ(FMOD_System_GetSpectrum(render.system, values.data(), 512, 2, 3),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetSpectrum(render.system, values.data(), 512, -1, 3),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetSpectrum(render.system, values.data(), 512, 0, 6),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetSpectrum(render.system, nullptr, 512, 0, 3), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetWaveData(render.system, values.data(), 16385, 0),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetWaveData(render.system, values.data(), 0, 0), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetWaveData(render.system, values.data(), 256, 2),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_GetWaveData(0, values.data(), 256, 0), FMOD_ERR_INVALID_HANDLE);
}

TEST(WaveData, EqualsTheLatestOutputWrittenAfterTheChain) {
    const auto ramp = playbacktest::writeRamp("spectrum_ramp.wav", 60000);
    std::vector<float> left(16384), right(300);
    playbacktest::RenderedSystem render;
    const FMOD_DSP echo = makeUnit(render.system, FMOD_DSP_TYPE_ECHO, {{0, 10.0f}});
    ASSERT_EQ(FMOD_System_AddDSP(render.system, echo, nullptr), FMOD_OK);
    render.play(render.open(ramp, 0x48, false));
    render.update(30);
    ASSERT_EQ(FMOD_System_GetWaveData(render.system, left.data(), 16384, 0), FMOD_OK);
    ASSERT_EQ(FMOD_System_GetWaveData(render.system, right.data(), 300, 1), FMOD_OK);
    const auto wav = render.finish();
    ASSERT_EQ(wav.frames(), 30 * kBlockFrames);
    const size_t end = wav.frames();
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], wav.samples[(end - left.size() + i) * 2]) << i;
    }
    for (size_t i = 0; i < right.size(); ++i) {
        ASSERT_EQ(right[i], wav.samples[(end - right.size() + i) * 2 + 1]) << i;
    }
}

TEST(WaveData, AHotMixReadsWithinFullScale) {
    playbacktest::RenderedSystem render;
    // Three times the gain on a 0.9 tone: the mix peaks near 2.7 before the output clips it.
    const FMOD_DSP boost =
        makeUnit(render.system, FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {1, 2.0f}, {2, 3.0f}});
    ASSERT_EQ(FMOD_System_AddDSP(render.system, boost, nullptr), FMOD_OK);
    render.play(render.open(sineFile(1000.0, 1.0, 0.9), 0x4A, false));
    render.update(12);
    std::vector<float> wave(4096);
    ASSERT_EQ(FMOD_System_GetWaveData(render.system, wave.data(), 4096, 0), FMOD_OK);
    EXPECT_EQ(*std::max_element(wave.begin(), wave.end()), 1.0f);
    EXPECT_EQ(*std::min_element(wave.begin(), wave.end()), -1.0f);
}

TEST(WaveData, MonoOutputHasOneChannel) {
    playbacktest::RenderSettings mono;
    mono.speakerMode = FMOD_SPEAKERMODE_MONO;
    whilePlaying(
        sineFile(1000.0, 1.0, 0.5), 4,
        [](playbacktest::RenderedSystem& render) {
            std::vector<float> wave(256);
            ASSERT_EQ(FMOD_System_GetWaveData(render.system, wave.data(), 256, 0), FMOD_OK);
            EXPECT_GT(testmedia::peak(wave), 0.3);
            EXPECT_EQ(FMOD_System_GetWaveData(render.system, wave.data(), 256, 1),
                      FMOD_ERR_INVALID_PARAM);
        },
        mono);
}

} // namespace
