// Sources played faster than the output rate (high-rate files, converted before the mixer; the
// speed control, through the mixer's anti-alias filter): what lies above the output's Nyquist
// must not fold back into the audible band, for every resampler, while what lies below passes
// untouched, and seeks and loop wraps stay smooth.
#include "AntiAliasFilter.h"
#include "playback_fixture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>

using namespace playbacktest;
using testmedia::channelOf;

namespace {

constexpr FMOD_MODE kSoftware2D = 0x48;
constexpr double kAmplitude = 0.5;

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Renders `path` from its start to its end (left channel) through a fresh system.
testmedia::WavData renderFile(const std::filesystem::path& path, int outputRate,
                              FMOD_DSP_RESAMPLER resampler, bool stream = true,
                              float frequency = 0.0f) {
    RenderSettings settings;
    settings.sampleRate = outputRate;
    settings.resampler = resampler;
    RenderedSystem render(settings);
    const FMOD_CHANNEL channel = render.play(render.open(path, kSoftware2D, stream), true);
    if (frequency > 0.0f) {
        EXPECT_EQ(FMOD_Channel_SetFrequency(channel, frequency), FMOD_OK);
    }
    EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
    render.renderToEnd(channel);
    return render.finish();
}

// The biggest change between neighbouring samples of channel 0 in [first, first + count).
double largestStep(const testmedia::WavData& wav, size_t first, size_t count) {
    const auto left = channelOf(wav, 0, first, count);
    double largest = 0.0;
    for (size_t i = 1; i < left.size(); ++i) {
        largest = std::max(largest, std::fabs(double(left[i]) - double(left[i - 1])));
    }
    return largest;
}

const std::vector<FMOD_DSP_RESAMPLER> kResamplers = {
    FMOD_DSP_RESAMPLER_NOINTERP, FMOD_DSP_RESAMPLER_LINEAR, FMOD_DSP_RESAMPLER_CUBIC,
    FMOD_DSP_RESAMPLER_SPLINE};

TEST(AntiAliasFilter, PassesTheAudibleBandAndStopsWhatWouldFoldBack) {
    for (const double step : {1.0002, 1.5, 1.8375, 2.0, 2.1768707, 4.0, 32.0}) {
        SCOPED_TRACE("step " + std::to_string(step));
        const auto sections = soundlib::AntiAliasFilter::design(step);
        // Response at a fraction of the output rate (the source runs `step` times faster).
        auto gainDb = [&](double ofOutputRate) {
            const double w = 2.0 * std::numbers::pi * ofOutputRate / step;
            const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
            std::complex<double> h = 1.0;
            for (const auto& s : sections) {
                h *= (s.b0 + s.b1 * z1 + s.b2 * z2) / (1.0 + s.a1 * z1 + s.a2 * z2);
            }
            return decibels(std::abs(h));
        };
        EXPECT_NEAR(gainDb(0.0), 0.0, 1e-6);
        EXPECT_NEAR(gainDb(0.02), 0.0, 0.01);  // 1 kHz at 48 kHz
        EXPECT_GT(gainDb(0.35), -0.1);         // 15.4 kHz at 44.1 kHz
        EXPECT_NEAR(gainDb(0.45), -3.0, 0.05); // where the band ends
        // Everything that would fold back below 0.36 of the output rate (16 kHz at 44.1 kHz)
        // is stopped; at steps beyond 192 kHz into 48 kHz, below 0.33 of it.
        for (double f = step <= 4.0 ? 0.64 : 0.67; f < 0.5 * step; f += 0.01) {
            EXPECT_LT(gainDb(f), -59.0) << "at " << f;
        }
    }
}

TEST(Downsampling, ToneAboveTheOutputNyquistFoldsBackFarBelowAnInBandTone) {
    // Tones of the same level played at 96 kHz: 1 kHz is heard, 30 kHz must not be. Either
    // 96 kHz files, which are converted to the output rate before the mixer, or files at the
    // output rate played at a frequency of 96 kHz (the same step), which the mixer's anti-alias
    // filter and resampler handle.
    struct Source {
        const char* name;
        bool atOutputRate; // else 96 kHz
    };
    constexpr double kPlayedRate = 96000.0;
    for (const Source& source : {Source{"96k", false}, Source{"fast", true}}) {
        for (const int rate : {48000, 44100}) {
            const int fileRate = source.atOutputRate ? rate : int(kPlayedRate);
            const double speed = kPlayedRate / fileRate;
            const std::string stem = std::string(source.name) + std::to_string(rate);
            const auto inBand = testmedia::makeTone(stem + "-1k.wav", 1000 / speed, 1.5 * speed,
                                                    fileRate, 2, {}, kAmplitude);
            const auto above = testmedia::makeTone(stem + "-30k.wav", 30000 / speed, 1.5 * speed,
                                                   fileRate, 2, {}, kAmplitude);
            const float frequency = source.atOutputRate ? float(kPlayedRate) : 0.0f;
            for (const FMOD_DSP_RESAMPLER method : kResamplers) {
                SCOPED_TRACE(stem + " resampler " + std::to_string(method));
                const auto tone = channelOf(renderFile(inBand, rate, method, true, frequency), 0,
                                            rate / 10, rate);
                const auto image =
                    channelOf(renderFile(above, rate, method, true, frequency), 0, rate / 10, rate);
                const double level = testmedia::rms(tone);
                const double imageDb = decibels(testmedia::rms(image) / level);
                std::printf("%s, resampler %d: 30 kHz image %.1f dB\n", stem.c_str(), method,
                            imageDb);
                RecordProperty("image_db_" + stem + "_" + std::to_string(method),
                               std::to_string(imageDb));
                EXPECT_LT(imageDb, -40.0);
                // The tone keeps its level and its pitch.
                EXPECT_NEAR(decibels(level / (kAmplitude / std::numbers::sqrt2)), 0.0, 1.0);
                EXPECT_NEAR(testmedia::measureFrequency(tone, rate), 1000.0, 0.2);
                if (method != FMOD_DSP_RESAMPLER_NOINTERP) {
                    // A sample filtered twice or skipped between blocks would show as a buzz at
                    // the block rate.
                    EXPECT_LT(testmedia::spuriousLevelDb(tone, rate, 1000.0), -60.0);
                }
            }
        }
    }
}

TEST(Downsampling, FastPlaybackOfA44kSoundStaysClean) {
    // Mono 44.1 kHz sounds sped up on a 48 kHz output. Twice the speed, held in memory: 16 kHz
    // becomes 32 kHz, which would fold back to 16 kHz. Eight times, streamed (the resampler's
    // windows then leave gaps the filter must still go through): 4 kHz becomes 32 kHz.
    struct Case {
        double speed;
        double above; // Hz in the source
        double seconds;
        bool stream;
    };
    constexpr int kRate = 48000;
    for (const Case& c : {Case{2.0, 16000, 1.5, false}, Case{8.0, 4000, 8.0, true}}) {
        const std::string name = "speed" + std::to_string(int(c.speed));
        const auto inBand =
            testmedia::makeTone(name + "-1k.wav", 1000, c.seconds, 44100, 1, {}, kAmplitude);
        const auto above =
            testmedia::makeTone(name + "-hi.wav", c.above, c.seconds, 44100, 1, {}, kAmplitude);
        const float frequency = static_cast<float>(44100 * c.speed);
        for (const FMOD_DSP_RESAMPLER method :
             {FMOD_DSP_RESAMPLER_LINEAR, FMOD_DSP_RESAMPLER_SPLINE}) {
            SCOPED_TRACE(name + " resampler " + std::to_string(method));
            const auto toneWav = renderFile(inBand, kRate, method, c.stream, frequency);
            const auto imageWav = renderFile(above, kRate, method, c.stream, frequency);
            // As long as the source over the speed, and for a few frames more the filter rings
            // out the tone's abrupt end.
            const size_t length = static_cast<size_t>(c.seconds * kRate / c.speed);
            EXPECT_GE(soundingFrames(toneWav), length - 8);
            EXPECT_LE(soundingFrames(toneWav), length + 64);
            const auto tone = channelOf(toneWav, 0, 2400, 24000);
            const auto image = channelOf(imageWav, 0, 2400, 24000);
            const double imageDb = decibels(testmedia::rms(image) / testmedia::rms(tone));
            std::printf("resampler %d at %gx: image %.1f dB\n", method, c.speed, imageDb);
            EXPECT_LT(imageDb, -40.0);
            // A centred mono source is 3 dB down on each side.
            const double expected = kAmplitude / std::numbers::sqrt2 / std::numbers::sqrt2;
            EXPECT_NEAR(decibels(testmedia::rms(tone) / expected), 0.0, 1.0);
            EXPECT_NEAR(testmedia::measureFrequency(tone, kRate), 1000.0 * c.speed, 0.5);
        }
    }
}

TEST(Downsampling, SeeksAndLoopWrapsDoNotClick) {
    // A tone in whole cycles, so the loop joins seamlessly and a seek by whole cycles lands on
    // the same phase, played twice as fast as a 48 kHz output: one second of 1 kHz at 96 kHz
    // (converted before the mixer), or two seconds of 500 Hz at 48 kHz played at 96 kHz
    // (through the mixer's filter). Anything the resampling adds at the seek or the wrap shows
    // as a step far beyond the tone's own.
    constexpr int kRate = 48000;
    struct Source {
        const char* file;
        double toneHz;
        double seconds;
        int fileRate;
        float frequency; // 0: the file's own rate
    };
    const Source sources[] = {{"loop-96k.wav", 1000, 1.0, 96000, 0.0f},
                              {"loop-48k.wav", 500, 2.0, kRate, 2.0f * kRate}};
    const double toneStep = kAmplitude * 2.0 * std::numbers::pi * 1000.0 / kRate;
    for (const Source& source : sources) {
        const auto path = testmedia::makeTone(source.file, source.toneHz, source.seconds,
                                              source.fileRate, 2, {}, kAmplitude);
        for (const bool stream : {false, true}) {
            SCOPED_TRACE(std::string(source.file) + (stream ? " stream" : " sample"));
            RenderSettings settings;
            settings.sampleRate = kRate;
            settings.resampler = FMOD_DSP_RESAMPLER_SPLINE;
            RenderedSystem render(settings);
            const FMOD_SOUND sound = render.open(path, kSoftware2D | FMOD_LOOP_NORMAL, stream);
            const FMOD_CHANNEL channel = render.play(sound, true);
            if (source.frequency > 0.0f) {
                EXPECT_EQ(FMOD_Channel_SetFrequency(channel, source.frequency), FMOD_OK);
            }
            EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
            render.update(10);
            unsigned int position = 0;
            EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
            EXPECT_EQ(position, 10u * 1024u * 2u);
            // 30 ms further on; the loop then wraps within the next 60 blocks.
            EXPECT_EQ(FMOD_Channel_SetPosition(channel, position + 2880, FMOD_TIMEUNIT_PCM),
                      FMOD_OK);
            render.update(60);
            const auto wav = render.finish();
            ASSERT_GE(wav.frames(), 70u * 1024u);
            // The first block holds the tone's start from silence.
            const double largest = largestStep(wav, 1024, 69 * 1024);
            std::printf("%s %s: largest step %.4f, the tone's own %.4f\n", source.file,
                        stream ? "stream" : "sample", largest, toneStep);
            EXPECT_LT(largest, 1.1 * toneStep);
        }
    }
}

TEST(Downsampling, ASpeedCrossingTheOutputRateDoesNotTick) {
    // An 8 kHz tone, where the filter's phase lag is large: played alternately at the output
    // rate (unfiltered) and 1 % above it (filtered), as a speed control moved across. Every
    // switch fades between the two paths, so no sample steps beyond the tone's own.
    const auto path = testmedia::makeTone("cross-44k.wav", 8000, 1.0, 44100, 2, {}, kAmplitude);
    constexpr int kRate = 48000;
    const double toneStep =
        kAmplitude * 2.0 * std::numbers::pi * 8000.0 * 1.01 * kRate / 44100 / kRate;
    RenderSettings settings;
    settings.sampleRate = kRate;
    settings.resampler = FMOD_DSP_RESAMPLER_SPLINE;
    RenderedSystem render(settings);
    const FMOD_CHANNEL channel =
        render.play(render.open(path, kSoftware2D | FMOD_LOOP_NORMAL, false));
    for (int round = 0; round < 8; ++round) {
        const float frequency = round % 2 == 0 ? float(kRate) : float(kRate) * 1.01f;
        ASSERT_EQ(FMOD_Channel_SetFrequency(channel, frequency), FMOD_OK);
        render.update(3);
    }
    const auto wav = render.finish();
    ASSERT_GE(wav.frames(), 24u * 1024u);
    EXPECT_LT(largestStep(wav, 1024, 23 * 1024), 1.05 * toneStep);
}

} // namespace
