// Files at another rate than the output, converted before the mixer: clean, at their pitch,
// with lengths, positions, seeks and the frequency control still counting the file's frames.
#include "playback_fixture.h"

#include <cmath>
#include <numbers>
#include <string>

using namespace playbacktest;
using testmedia::channelOf;

namespace {

constexpr FMOD_MODE kSoftware2D = FMOD_SOFTWARE | FMOD_2D;
constexpr double kAmplitude = 0.5;

struct Mode {
    const char* name;
    bool stream;
};
constexpr Mode kModes[] = {{"stream", true}, {"sample", false}};

// A stereo float sine of `hz` at `rate`, starting at phase 0, whose frames the tests can
// compute again. Float, so the file's own quantisation does not hide what conversion adds.
double sineAt(double hz, double fileFrame, int rate) {
    return kAmplitude * std::sin(2.0 * std::numbers::pi * hz * fileFrame / rate);
}
std::filesystem::path writeSine(const std::string& name, double hz, size_t frames, int rate) {
    std::vector<float> data(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        data[2 * i] = data[2 * i + 1] = static_cast<float>(sineAt(hz, double(i), rate));
    }
    return writeWav(name, data, rate, 2);
}

TEST(RateConversion, AToneConvertedToTheOutputRateLeavesNoImage) {
    // The mixer's linear resampler left the 15 kHz tone of a 48 kHz file an image at 11.1 kHz
    // only 13.7 dB down on a 44.1 kHz output; converted, nothing but the tone is above -80 dB.
    struct Case {
        int fileRate;
        int outputRate;
        double toneHz;
    };
    const Case cases[] = {{48000, 44100, 15000},
                          {44100, 48000, 15000},
                          {96000, 44100, 15000},
                          {22050, 48000, 1000},
                          {8000, 44100, 3000}};
    for (const Case& c : cases) {
        const std::string name =
            "clean-" + std::to_string(c.fileRate) + "-" + std::to_string(int(c.toneHz)) + ".wav";
        const auto path = writeSine(name, c.toneHz, size_t(1.5 * c.fileRate), c.fileRate);
        for (const Mode& mode : kModes) {
            SCOPED_TRACE(name + " at " + std::to_string(c.outputRate) + " " + mode.name);
            RenderSettings settings;
            settings.sampleRate = c.outputRate;
            RenderedSystem render(settings);
            const FMOD_CHANNEL channel = render.play(render.open(path, kSoftware2D, mode.stream));
            render.renderToEnd(channel);
            const auto wav = render.finish();
            const auto left = channelOf(wav, 0, c.outputRate / 10, c.outputRate);
            const double spurious = testmedia::spuriousLevelDb(left, c.outputRate, c.toneHz);
            std::printf("%d -> %d %s: everything but the tone %.1f dB\n", c.fileRate, c.outputRate,
                        mode.name, spurious);
            EXPECT_LT(spurious, -80.0);
            EXPECT_NEAR(testmedia::measureFrequency(left, c.outputRate), c.toneHz, 0.1);
            EXPECT_NEAR(testmedia::rms(left), kAmplitude / std::numbers::sqrt2, 0.005);
            // As long as the file: 1.5 s.
            EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 1.5 * c.outputRate, 2.0);
        }
    }
}

TEST(RateConversion, FrequencyLengthAndPositionsKeepCountingTheFilesFrames) {
    // Two seconds of 1 kHz at 48 kHz on a 44.1 kHz output.
    const auto path = writeSine("freq48k.wav", 1000, 96000, 48000);
    struct Case {
        float frequency; // what the channel is set to
        double toneHz;   // what sounds
    };
    for (const Case& c : {Case{48000.0f, 1000.0}, Case{24000.0f, 500.0}, Case{96000.0f, 2000.0},
                          Case{44100.0f, 918.75}}) {
        for (const Mode& mode : kModes) {
            SCOPED_TRACE(std::to_string(c.frequency) + " " + mode.name);
            RenderedSystem render;
            const FMOD_SOUND sound = render.open(path, kSoftware2D, mode.stream);
            float rate = 0.0f;
            unsigned int lengthPcm = 0, lengthMs = 0;
            EXPECT_EQ(FMOD_Sound_GetDefaults(sound, &rate, nullptr, nullptr, nullptr), FMOD_OK);
            EXPECT_EQ(rate, 48000.0f);
            EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthPcm, FMOD_TIMEUNIT_PCM), FMOD_OK);
            EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthMs, FMOD_TIMEUNIT_MS), FMOD_OK);
            EXPECT_EQ(lengthPcm, 96000u);
            EXPECT_EQ(lengthMs, 2000u);
            const FMOD_CHANNEL channel = render.play(sound, true);
            ASSERT_EQ(FMOD_Channel_SetFrequency(channel, c.frequency), FMOD_OK);
            ASSERT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
            float frequency = 0.0f;
            EXPECT_EQ(FMOD_Channel_GetFrequency(channel, &frequency), FMOD_OK);
            EXPECT_EQ(frequency, c.frequency);
            render.update(20);
            // 20 blocks of 1024 output frames at frequency / 44100 file frames each.
            unsigned int position = 0;
            EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
            const double expected = 20.0 * 1024.0 * c.frequency / 44100.0;
            EXPECT_NEAR(position, expected, 1.0);
            render.renderToEnd(channel);
            const auto wav = render.finish();
            const auto left = channelOf(wav, 0, 0, 16384);
            EXPECT_NEAR(testmedia::measureFrequency(left, 44100), c.toneHz, 0.05);
            // The whole file, at the speed the frequency sets; played faster than the output
            // rate, the anti-alias filter rings on for a few frames.
            const double length = 96000.0 * 44100.0 / c.frequency;
            EXPECT_GE(static_cast<double>(soundingFrames(wav)), length - 4.0);
            EXPECT_LE(static_cast<double>(soundingFrames(wav)), length + 64.0);
        }
    }
}

TEST(RateConversion, PlayingAndSeekingLandOnTheFilesFrameWithoutATimeShift) {
    // A 440 Hz sine at 48 kHz on a 44.1 kHz output: from the start, and after seeks forward,
    // back and to a frame that falls between two output frames, output frame k must be the
    // file's sine at file frame target + k * 48000 / 44100. A shift of a tenth of a frame
    // would show as an error of 0.003.
    constexpr int kFileRate = 48000;
    constexpr double kToneHz = 440.0;
    const auto path = writeSine("seek48k.wav", kToneHz, 10 * kFileRate, kFileRate);
    for (const Mode& mode : kModes) {
        for (const int target : {-1, 300000, 40001, 7}) { // -1: no seek, from the start
            SCOPED_TRACE(std::string(mode.name) + " target " + std::to_string(target));
            RenderedSystem render;
            const FMOD_CHANNEL channel = render.play(render.open(path, kSoftware2D, mode.stream));
            render.update(30); // a played stretch first, so a seek has old frames to drop
            size_t from = 0;
            double start = 0.0;
            if (target >= 0) {
                ASSERT_EQ(FMOD_Channel_SetPosition(channel, target, FMOD_TIMEUNIT_PCM), FMOD_OK);
                unsigned int position = 0;
                EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
                EXPECT_EQ(position, static_cast<unsigned int>(target));
                from = 30 * 1024;
                start = target;
            }
            render.update(10);
            const auto wav = render.finish();
            // The frames right at the start of a run only miss what came before it in the file.
            const size_t settled = target >= 1000 ? 0 : 200;
            double worst = 0.0;
            for (size_t k = settled; k < 8000; ++k) {
                const double expected =
                    sineAt(kToneHz, start + double(k) * kFileRate / 44100.0, kFileRate);
                worst = std::max(worst, std::fabs(wav.samples[(from + k) * 2] - expected));
            }
            EXPECT_LT(worst, 0.003);
        }
    }
}

} // namespace
