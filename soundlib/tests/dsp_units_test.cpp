// What each processing unit does to tones and impulses, measured on the output of the
// non-real-time wave writer.
#include "dsp/PitchShiftUnit.h"
#include "dsp_fixture.h"

#include <algorithm>
#include <complex>
#include <tuple>

using namespace dsptest;
using testmedia::channelOf;

namespace {

// Level change in dB of a tone of `hz` through one unit, measured on its steady middle part.
// A quiet tone, so that resonances and boosts stay far from full scale.
double toneGainDb(double hz, FMOD_DSP_TYPE type, const std::vector<std::pair<int, float>>& p) {
    const auto wav = renderWith(sineFile(hz, 0.6, 0.1), type, p);
    return levelDb(wav, 0.2, 0.3, 0.1 / std::sqrt(2.0));
}

TEST(FilterUnits, LowPassIsThreeDecibelsDownAtTheCutoffAndTwelveAnOctaveBeyond) {
    const std::vector<std::pair<int, float>> flat = {{0, 1000.0f}, {1, 1.0f}};
    EXPECT_NEAR(toneGainDb(250.0, FMOD_DSP_TYPE_LOWPASS, flat), 0.0, 0.3);
    EXPECT_NEAR(toneGainDb(1000.0, FMOD_DSP_TYPE_LOWPASS, flat), -3.0, 0.5);
    EXPECT_NEAR(toneGainDb(2000.0, FMOD_DSP_TYPE_LOWPASS, flat), -12.3, 1.0);
    // Resonance lifts the cutoff: Q = 5 / sqrt(2) peaks about 11 dB there.
    EXPECT_GT(toneGainDb(1000.0, FMOD_DSP_TYPE_LOWPASS, {{0, 1000.0f}, {1, 5.0f}}), 9.0);
}

TEST(FilterUnits, HighPassIsThreeDecibelsDownAtTheCutoffAndTwelveAnOctaveBelow) {
    const std::vector<std::pair<int, float>> flat = {{0, 1000.0f}, {1, 1.0f}};
    EXPECT_NEAR(toneGainDb(4000.0, FMOD_DSP_TYPE_HIGHPASS, flat), 0.0, 0.3);
    EXPECT_NEAR(toneGainDb(1000.0, FMOD_DSP_TYPE_HIGHPASS, flat), -3.0, 0.5);
    EXPECT_NEAR(toneGainDb(500.0, FMOD_DSP_TYPE_HIGHPASS, flat), -12.3, 1.0);
}

TEST(EqualizerBand, GainHoldsAtTheCentreAndFadesAnOctaveAway) {
    for (const double centre : {1000.0, 32.0}) {
        SCOPED_TRACE(centre);
        const std::vector<std::pair<int, float>> boost = {{0, float(centre)}, {2, 2.0f}};
        const double atCentre = toneGainDb(centre, FMOD_DSP_TYPE_PARAMEQ, boost);
        EXPECT_NEAR(atCentre, 6.02, 0.3);
        for (const double away : {centre / 2.0, centre * 2.0}) {
            const double gain = toneGainDb(away, FMOD_DSP_TYPE_PARAMEQ, boost);
            EXPECT_GT(gain, 0.2) << away;
            EXPECT_LT(gain, atCentre / 2.0) << away; // half the dB gain is reached at +-0.5 octave
        }
    }
    EXPECT_NEAR(toneGainDb(1000.0, FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {2, 0.5f}}), -6.02, 0.3);
    // At its defaults the band is flat: the tone passes exactly.
    const auto file = sineFile(1000.0, 0.3);
    const auto plain = renderThrough(file, [](FMOD_SYSTEM) {});
    const auto flat = renderWith(file, FMOD_DSP_TYPE_PARAMEQ, {});
    EXPECT_EQ(flat.samples, plain.samples);
}

TEST(EchoUnit, RepeatsComeAtTheDelayEachTheDecayRatioOfTheLast) {
    const auto wav = renderWith(impulseFile(0.5), FMOD_DSP_TYPE_ECHO,
                                {{0, 100.0f}, {1, 0.5f}, {3, 1.0f}, {4, 0.8f}});
    const auto left = channelOf(wav, 0);
    ASSERT_GT(left.size(), 20000u);
    EXPECT_NEAR(left[0], 1.0, 1e-3);
    // Echoes at 100, 200 and 300 ms: wet 0.8, then halving.
    const double expected[] = {0.8, 0.4, 0.2};
    for (int n = 1; n <= 3; ++n) {
        const size_t at = static_cast<size_t>(n) * 4410;
        EXPECT_NEAR(left[at], expected[n - 1], 1e-3) << n;
        EXPECT_NEAR(left[at - 1], 0.0, 1e-6);
        EXPECT_NEAR(left[at + 1], 0.0, 1e-6);
    }
    // Nothing between the repeats.
    EXPECT_LT(testmedia::peak(channelOf(wav, 0, 10, 4390)), 1e-6);
}

TEST(EchoUnit, OnlyTheFirstChannelsEchoWhenLimited) {
    const auto wav = renderWith(impulseFile(0.3), FMOD_DSP_TYPE_ECHO, {{0, 100.0f}, {2, 1.0f}});
    EXPECT_NEAR(wav.samples[4410 * 2], 1.0, 1e-3);     // left echoes
    EXPECT_NEAR(wav.samples[4410 * 2 + 1], 0.0, 1e-6); // right does not
    EXPECT_NEAR(wav.samples[1], 1.0, 1e-3);            // but keeps its dry sound
}

// Time for the reverb's tail to fall by 60 dB, from the slope between two windows.
double decayTime(const testmedia::WavData& wav, double from, double to) {
    const double window = 0.05;
    const double drop = levelDb(wav, from, window, 1.0) - levelDb(wav, to, window, 1.0);
    return 60.0 * (to - from) / drop;
}

TEST(ReverbUnit, LargerRoomsRingLonger) {
    const auto impulse = impulseFile(2.0);
    std::vector<double> times;
    for (const float room : {0.2f, 0.5f, 0.9f}) {
        const auto wav = renderWith(impulse, FMOD_DSP_TYPE_REVERB, {{0, room}});
        EXPECT_GT(levelDb(wav, 0.1, 0.05, 1.0), -60.0) << room; // a tail is there
        times.push_back(decayTime(wav, 0.2, 0.6));
    }
    EXPECT_GT(times[1], times[0] * 1.3);
    EXPECT_GT(times[2], times[1] * 2.0);
    EXPECT_GT(times[2], 2.0);
    EXPECT_LT(times[0], 1.5);
}

TEST(ReverbUnit, FreezeHoldsTheTailWithoutDecay) {
    // Freeze after the tone has filled the tank: what rings then goes on unchanged.
    playbacktest::RenderedSystem render;
    const FMOD_DSP reverb = makeUnit(render.system, FMOD_DSP_TYPE_REVERB, {{2, 1.0f}, {3, 0.0f}});
    ASSERT_EQ(FMOD_System_AddDSP(render.system, reverb, nullptr), FMOD_OK);
    const FMOD_CHANNEL channel = render.play(render.open(sineFile(500.0, 0.5), 0x48, false));
    render.update(20); // 0.46 s of tone
    ASSERT_EQ(FMOD_DSP_SetParameter(reverb, 5, 1.0f), FMOD_OK);
    render.renderToEnd(channel);
    render.update(60);
    const auto wav = render.finish();
    const double early = levelDb(wav, 0.8, 0.2, 1.0);
    EXPECT_GT(early, -30.0);
    EXPECT_NEAR(levelDb(wav, 1.6, 0.2, 1.0), early, 1.0);
}

TEST(ChorusAndFlange, TheModulationMakesASteadyToneWaver) {
    const auto tone = sineFile(1000.0, 2.0);
    auto swingDb = [](const testmedia::WavData& wav) {
        const auto levels = windowedRms(wav, 0.3, 1.9, 0.02);
        const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
        return decibels(*high / *low);
    };
    EXPECT_GT(swingDb(renderWith(tone, FMOD_DSP_TYPE_FLANGE, {{3, 1.0f}})), 6.0);
    EXPECT_GT(swingDb(renderWith(tone, FMOD_DSP_TYPE_CHORUS, {{5, 1.0f}})), 3.0);
    // Without depth the copies sit still and so does the level.
    EXPECT_LT(swingDb(renderWith(tone, FMOD_DSP_TYPE_CHORUS, {{5, 1.0f}, {6, 0.0f}})), 0.2);
}

TEST(DistortionUnit, AddsHarmonicsInProportionToTheLevel) {
    const auto tone = sineFile(1000.0, 0.5);
    auto spurious = [](const testmedia::WavData& wav) {
        return testmedia::spuriousLevelDb(channelOf(wav, 0, 4410, 16384), kRate, 1000.0);
    };
    const double clean = spurious(renderThrough(tone, [](FMOD_SYSTEM) {}));
    const double mild = spurious(renderWith(tone, FMOD_DSP_TYPE_DISTORTION, {{0, 0.2f}}));
    const double hard = spurious(renderWith(tone, FMOD_DSP_TYPE_DISTORTION, {{0, 0.9f}}));
    EXPECT_LT(clean, -60.0);
    EXPECT_GT(mild, -40.0);
    EXPECT_GT(hard, mild + 6.0);
    const auto untouched = renderWith(tone, FMOD_DSP_TYPE_DISTORTION, {{0, 0.0f}});
    EXPECT_EQ(untouched.samples, renderThrough(tone, [](FMOD_SYSTEM) {}).samples);
}

TEST(CompressorUnit, HoldsLoudTonesAtTheThresholdAndLeavesQuietOnesAlone) {
    // 0.5 (-6 dBFS) against a -20 dB threshold: held near 0.1 once the attack has passed.
    const auto loud =
        renderWith(sineFile(1000.0, 1.0, 0.5), FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}});
    EXPECT_NEAR(testmedia::peak(channelOf(loud, 0, 22050, 11025)), 0.1, 0.01);
    // 0.05 (-26 dBFS) is under the threshold.
    const auto quiet =
        renderWith(sineFile(1000.0, 1.0, 0.05), FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}});
    EXPECT_NEAR(testmedia::peak(channelOf(quiet, 0, 22050, 11025)), 0.05, 0.0005);
    // Make-up gain applies after: +6 dB doubles it.
    const auto louder =
        renderWith(sineFile(1000.0, 1.0, 0.05), FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}, {3, 6.0f}});
    EXPECT_NEAR(testmedia::peak(channelOf(louder, 0, 22050, 11025)), 0.0998, 0.001);
}

TEST(PitchShiftUnit, RaisesTheToneAndKeepsItsDuration) {
    const auto wav = renderWith(sineFile(1000.0, 1.0), FMOD_DSP_TYPE_PITCHSHIFT, {{0, 1.5f}});
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 8192, 32768), kRate), 1500.0, 15.0);
    // Clean: what is not the new tone stays well down.
    EXPECT_LT(testmedia::spuriousLevelDb(channelOf(wav, 0, 8192, 32768), kRate, 1500.0), -25.0);
    EXPECT_NEAR(testmedia::rms(channelOf(wav, 0, 8192, 32768)), 0.5 / std::sqrt(2.0), 0.07);
    // Same length, one FFT size late.
    size_t first = 0;
    while (first < wav.frames() && std::fabs(wav.samples[first * 2]) < 0.01f) {
        ++first;
    }
    const size_t last = playbacktest::soundingFrames(wav, 0.01f);
    EXPECT_NEAR(double(first), 1024.0, 300.0);
    EXPECT_NEAR(double(last - first), 44100.0, 1024.0);

    const auto lower =
        renderWith(sineFile(1000.0, 1.0), FMOD_DSP_TYPE_PITCHSHIFT, {{0, 0.75f}, {1, 2048.0f}});
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(lower, 0, 8192, 32768), kRate), 750.0, 7.5);
}

TEST(PitchShiftUnit, AnOctaveDownStaysOneCleanToneAtItsLevel) {
    // Downwards, higher regions land on lower ones' bins; the quiet ones must not take over a
    // loud partial's phase (the speed control runs the shifter at exactly one half).
    for (const double hz : {882.0, 1000.0, 3000.0}) {
        SCOPED_TRACE(hz);
        const auto wav = renderWith(sineFile(hz, 1.0), FMOD_DSP_TYPE_PITCHSHIFT, {{0, 0.5f}});
        const auto steady = channelOf(wav, 0, 8192, 32768);
        EXPECT_NEAR(testmedia::measureFrequency(steady, kRate), hz / 2, hz / 200);
        EXPECT_LT(testmedia::spuriousLevelDb(steady, kRate, hz / 2), -25.0);
        EXPECT_NEAR(testmedia::rms(steady), 0.5 / std::sqrt(2.0), 0.07);
    }
}

TEST(PitchShiftUnit, AtUnityPassesTheSoundDelayedByTheFftSize) {
    const auto file = playbacktest::writeRamp("dsp_pitch_ramp.wav", 20000);
    const auto wav = renderWith(file, FMOD_DSP_TYPE_PITCHSHIFT, {{1, 512.0f}});
    for (size_t i = 0; i < 20000; i += 97) {
        ASSERT_EQ(wav.samples[(i + 512) * 2], playbacktest::rampValue(i) / 32768.0f) << i;
    }
}

// A steady tone through the shifter at its defaults (FFT 1024, four frames overlapping). The
// ratios put the new frequency at many different fractions of a bin: a region moves by whole
// bins only, and the rest of the way must not cost level (it once cost up to 3.4 dB) or leave
// ripple at the hop rate.
class ShiftedTone : public ::testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(ShiftedTone, ArrivesAtTheNewFrequencyAtFullLevelAndClean) {
    const auto [ratio, hz] = GetParam();
    const auto wav = renderWith(sineFile(hz, 1.0), FMOD_DSP_TYPE_PITCHSHIFT, {{0, float(ratio)}});
    const auto steady = channelOf(wav, 0, 8192, 32768);
    const double target = hz * ratio;
    EXPECT_NEAR(testmedia::measureFrequency(steady, kRate), target, target * 0.005);
    EXPECT_NEAR(decibels(testmedia::rms(steady) / (0.5 / std::sqrt(2.0))), 0.0, 0.5);
    EXPECT_LT(testmedia::spuriousLevelDb(steady, kRate, target), -50.0);
}

// Names such as times708_882Hz.
std::string shiftedToneName(const ::testing::TestParamInfo<std::tuple<double, double>>& info) {
    return "times" + std::to_string(std::lround(std::get<0>(info.param) * 1000)) + "_" +
           std::to_string(std::lround(std::get<1>(info.param))) + "Hz";
}

INSTANTIATE_TEST_SUITE_P(PitchShiftUnit, ShiftedTone,
                         ::testing::Combine(::testing::Values(0.5, 0.708, 0.958, 1.083, 1.335, 1.5,
                                                              2.0),
                                            ::testing::Values(100.0, 882.0, 3000.0, 10000.0)),
                         shiftedToneName);

TEST(PitchShiftUnit, AGlidingToneKeepsASteadyLevel) {
    // As a partial glides its move changes by a bin now and then; the frames on either side of
    // the change must still agree (they once cancelled for a moment, dips of 10 dB).
    const size_t frames = 3 * kRate;
    std::vector<int16_t> data(frames * 2);
    double phase = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        phase += 2.0 * std::numbers::pi * 200.0 * std::pow(20.0, double(i) / frames) / kRate;
        data[2 * i] = data[2 * i + 1] =
            static_cast<int16_t>(std::lround(0.5 * 32767.0 * std::sin(phase)));
    }
    const auto glide = playbacktest::writePcm16("dsp_glide_200_4000.wav", data, kRate, 2);
    for (const float ratio : {0.75f, 1.5f}) {
        SCOPED_TRACE(ratio);
        const auto wav = renderWith(glide, FMOD_DSP_TYPE_PITCHSHIFT, {{0, ratio}});
        const auto levels = windowedRms(wav, 0.2, 2.9, 0.01);
        const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
        EXPECT_GT(decibels(*low / (0.5 / std::sqrt(2.0))), -1.0);
        EXPECT_LT(decibels(*high / (0.5 / std::sqrt(2.0))), 1.0);
    }
}

TEST(PitchShiftUnit, ABassToneUnderTwoBinsIsShiftedNotLost) {
    // 60 Hz is 1.4 bins at FFT 1024: its peak has a lower neighbour only in the mirror image.
    for (const float ratio : {1.2f, 1.5f}) {
        SCOPED_TRACE(ratio);
        const auto wav = renderWith(sineFile(60.0, 1.0), FMOD_DSP_TYPE_PITCHSHIFT, {{0, ratio}});
        const auto steady = channelOf(wav, 0, 8192, 32768);
        EXPECT_NEAR(testmedia::measureFrequency(steady, kRate), 60.0 * ratio, 0.6);
        EXPECT_NEAR(decibels(testmedia::rms(steady) / (0.5 / std::sqrt(2.0))), 0.0, 1.0);
    }
}

TEST(PitchShiftUnit, FractionalShiftWeightsOverlapAddToASteadyFullLevel) {
    // A partial moved `offset` past a whole bin: inside a frame it runs at the whole bin, from
    // frame to frame its phase advances at the true new frequency. The weights on bins k - 1,
    // k, k + 1 multiply the frame (from its start) by sum a(j) e^(-2 pi i j n / N); what the
    // frames add up to, against the true partial, is then the sum below at every point.
    constexpr size_t n = 1024;
    std::vector<double> squared(n);
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / n);
        squared[i] = w * w;
    }
    for (const size_t overlap : {3u, 4u, 5u, 8u}) {
        const size_t hop = n / overlap;
        // What the frames add up to on average when nothing is off.
        double full = 0.0;
        for (const double s : squared) {
            full += s / double(hop);
        }
        for (const double offset : {-0.5, -0.31, 0.0, 0.12, 0.37, 0.5}) {
            SCOPED_TRACE(std::to_string(overlap) + " frames, offset " + std::to_string(offset));
            const auto a =
                soundlib::PitchShiftUnit::fractionalShiftWeights(offset, double(n) / double(hop));
            double lowest = 1e9, highest = 0.0, mean = 0.0;
            for (size_t start = 0; start < hop; ++start) {
                std::complex<double> sum = 0.0;
                for (size_t i = start; i < n; i += hop) {
                    const double x = 2.0 * std::numbers::pi * double(i) / n;
                    std::complex<double> weight = 0.0;
                    for (int j = -1; j <= 1; ++j) {
                        weight += a[size_t(j + 1)] * std::polar(1.0, -j * x);
                    }
                    sum += squared[i] * weight * std::polar(1.0, -offset * x);
                }
                lowest = std::min(lowest, std::abs(sum) / full);
                highest = std::max(highest, std::abs(sum) / full);
                mean += std::abs(sum) / full / double(hop);
            }
            // Full level on average; with four or five frames no ripple either.
            EXPECT_NEAR(mean, 1.0, 0.002);
            if (overlap == 4 || overlap == 5) {
                EXPECT_LT(highest - lowest, 1e-4);
            }
        }
    }
}

TEST(SfxReverbUnit, DefaultsMakeAMediumRoom) {
    const auto wav = renderWith(impulseFile(2.5), FMOD_DSP_TYPE_SFXREVERB, {});
    const auto left = channelOf(wav, 0);
    EXPECT_NEAR(left[0], 1.0, 1e-3); // the dry impulse, at full level
    // Reflections from 8 ms on, nothing before.
    EXPECT_LT(testmedia::peak(channelOf(wav, 0, 1, 340)), 1e-6);
    EXPECT_GT(testmedia::peak(channelOf(wav, 0, 352, 900)), 0.01);
    // About 1.3 s to fall by 60 dB.
    EXPECT_NEAR(decayTime(wav, 0.15, 0.65), 1.3, 0.3);
    // The reflected sound in all carries Room + Reverb (-10 dB) of the impulse's energy, less
    // the share Room HF (-3 dB above 5 kHz, most of a click's energy) and the faster decay of
    // high frequencies take: about -12 dB.
    double energy = 0.0;
    for (size_t i = 1; i < left.size(); ++i) {
        energy += double(left[i]) * left[i];
    }
    EXPECT_NEAR(10.0 * std::log10(energy), -12.0, 1.5);
    // Left and right tails differ: the reverb is wide.
    const auto l = channelOf(wav, 0, 8820, 22050);
    const auto r = channelOf(wav, 1, 8820, 22050);
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (size_t i = 0; i < l.size(); ++i) {
        lr += double(l[i]) * r[i];
        ll += double(l[i]) * l[i];
        rr += double(r[i]) * r[i];
    }
    EXPECT_LT(std::fabs(lr) / std::sqrt(ll * rr), 0.5);
}

TEST(SfxReverbUnit, LongerDecayTimeRingsLonger) {
    const auto impulse = impulseFile(2.0);
    // High frequencies decaying as long as low ones, so one slope tells the decay time.
    const auto shortRoom = renderWith(impulse, FMOD_DSP_TYPE_SFXREVERB, {{4, 0.5f}, {5, 1.0f}});
    const auto longRoom = renderWith(impulse, FMOD_DSP_TYPE_SFXREVERB, {{4, 3.0f}, {5, 1.0f}});
    EXPECT_NEAR(decayTime(shortRoom, 0.1, 0.4), 0.5, 0.1);
    EXPECT_NEAR(decayTime(longRoom, 0.15, 0.95), 3.0, 0.45);
}

} // namespace

namespace {

TEST(EveryUnit, RunsOnMonoAndOnSevenPointOneOutput) {
    const auto impulse = impulseFile(0.5);
    const FMOD_DSP_TYPE types[] = {
        FMOD_DSP_TYPE_LOWPASS,    FMOD_DSP_TYPE_HIGHPASS,   FMOD_DSP_TYPE_ECHO,
        FMOD_DSP_TYPE_FLANGE,     FMOD_DSP_TYPE_DISTORTION, FMOD_DSP_TYPE_PARAMEQ,
        FMOD_DSP_TYPE_PITCHSHIFT, FMOD_DSP_TYPE_CHORUS,     FMOD_DSP_TYPE_REVERB,
        FMOD_DSP_TYPE_COMPRESSOR, FMOD_DSP_TYPE_SFXREVERB};
    for (const FMOD_SPEAKERMODE mode : {FMOD_SPEAKERMODE_MONO, FMOD_SPEAKERMODE_7POINT1}) {
        playbacktest::RenderSettings settings;
        settings.speakerMode = mode;
        settings.sampleRate = 48000;
        for (const FMOD_DSP_TYPE type : types) {
            SCOPED_TRACE(std::to_string(mode) + " / " + std::to_string(type));
            const auto wav = renderThrough(
                impulse,
                [&](FMOD_SYSTEM system) {
                    EXPECT_EQ(FMOD_System_AddDSP(system, makeUnit(system, type, {}), nullptr),
                              FMOD_OK);
                },
                4, settings);
            ASSERT_EQ(wav.channels, mode == FMOD_SPEAKERMODE_MONO ? 1 : 8);
            size_t broken = 0;
            for (float v : wav.samples) {
                broken += std::isfinite(v) ? 0 : 1;
            }
            EXPECT_EQ(broken, 0u);
            EXPECT_GT(testmedia::peak(channelOf(wav, 0)), 0.001);
            if (type == FMOD_DSP_TYPE_SFXREVERB && wav.channels == 8) {
                // Sound only reaches the front pair, but the room answers on every speaker.
                for (int c = 2; c < 8; ++c) {
                    EXPECT_GT(testmedia::rms(channelOf(wav, c, 4800, 9600)), 1e-4) << c;
                }
            }
        }
    }
}

} // namespace
