// The system-wide chain: units run in the order they were attached, detached or bypassed units
// leave the sound untouched, and changes made while playing do not click.
#include "dsp/dsp_catalog.h"
#include "dsp_fixture.h"

#include <chrono>
#include <thread>

using namespace dsptest;
using testmedia::channelOf;

namespace {

// Runs `input` (interleaved stereo) through freshly made units in the given order, in the
// blocks the mixer uses, after one block of silence as the rendered tests have.
std::vector<float> processOffline(
    std::vector<float> input,
    const std::vector<std::pair<FMOD_DSP_TYPE, std::vector<std::pair<int, float>>>>& units) {
    std::vector<std::unique_ptr<soundlib::DspUnit>> chain;
    for (const auto& [type, parameters] : units) {
        const soundlib::DspDescription* description = soundlib::findDspDescription(type);
        auto unit = description->create();
        for (size_t i = 0; i < description->parameters.size(); ++i) {
            unit->setParameter(int(i), description->parameters[i].defaultValue);
        }
        for (const auto& [index, value] : parameters) {
            unit->setParameter(index, value);
        }
        unit->prepare(kRate, 2, kBlockFrames);
        chain.push_back(std::move(unit));
    }
    input.insert(input.begin(), kBlockFrames * 2, 0.0f);
    for (size_t at = 0; at < input.size(); at += kBlockFrames * 2) {
        const size_t frames = std::min(kBlockFrames, (input.size() - at) / 2);
        for (auto& unit : chain) {
            unit->process(input.data() + at, frames, 2);
        }
    }
    input.erase(input.begin(), input.begin() + kBlockFrames * 2);
    return input;
}

TEST(DspChain, UnitsRunInTheOrderTheyWereAttached) {
    const auto tone = sineFile(1000.0, 0.5);
    const auto plain = renderThrough(tone, [](FMOD_SYSTEM) {});
    const std::pair<FMOD_DSP_TYPE, std::vector<std::pair<int, float>>> distortion = {
        FMOD_DSP_TYPE_DISTORTION, {{0, 0.8f}}};
    const std::pair<FMOD_DSP_TYPE, std::vector<std::pair<int, float>>> cut = {
        FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {1, 3.0f}, {2, 0.2f}}};
    for (const bool distortionFirst : {true, false}) {
        SCOPED_TRACE(distortionFirst ? "distortion first" : "equalizer first");
        const auto order =
            distortionFirst ? std::vector{distortion, cut} : std::vector{cut, distortion};
        const auto wav = renderThrough(tone, [&](FMOD_SYSTEM system) {
            for (const auto& [type, parameters] : order) {
                EXPECT_EQ(FMOD_System_AddDSP(system, makeUnit(system, type, parameters), nullptr),
                          FMOD_OK);
            }
        });
        const auto expected = processOffline(plain.samples, order);
        ASSERT_EQ(wav.samples.size(), expected.size());
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            differing += std::fabs(wav.samples[i] - expected[i]) > 1e-6f ? 1 : 0;
        }
        EXPECT_EQ(differing, 0u);
    }
    // And the two orders really sound different.
    EXPECT_NE(processOffline(plain.samples, {distortion, cut}),
              processOffline(plain.samples, {cut, distortion}));
}

TEST(DspChain, RemovingAndAddingAgainMovesAUnitToTheEnd) {
    const auto tone = sineFile(1000.0, 0.3);
    const auto plain = renderThrough(tone, [](FMOD_SYSTEM) {});
    const auto wav = renderThrough(tone, [](FMOD_SYSTEM system) {
        const FMOD_DSP distortion = makeUnit(system, FMOD_DSP_TYPE_DISTORTION, {{0, 0.8f}});
        const FMOD_DSP cut =
            makeUnit(system, FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {1, 3.0f}, {2, 0.2f}});
        EXPECT_EQ(FMOD_System_AddDSP(system, distortion, nullptr), FMOD_OK);
        EXPECT_EQ(FMOD_System_AddDSP(system, cut, nullptr), FMOD_OK);
        EXPECT_EQ(FMOD_DSP_Remove(distortion), FMOD_OK);
        EXPECT_EQ(FMOD_System_AddDSP(system, distortion, nullptr), FMOD_OK);
    });
    const auto expected = processOffline(
        plain.samples, {{FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {1, 3.0f}, {2, 0.2f}}},
                        {FMOD_DSP_TYPE_DISTORTION, {{0, 0.8f}}}});
    ASSERT_EQ(wav.samples.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i += 7) {
        ASSERT_NEAR(wav.samples[i], expected[i], 1e-6f) << i;
    }
}

TEST(DspChain, DetachedAndBypassedUnitsLeaveTheSoundUntouched) {
    const auto ramp = playbacktest::writeRamp("dsp_chain_ramp.wav", 30000);
    const auto plain = renderThrough(ramp, [](FMOD_SYSTEM) {});
    const auto detached = renderThrough(ramp, [](FMOD_SYSTEM system) {
        for (const FMOD_DSP_TYPE type : {FMOD_DSP_TYPE_ECHO, FMOD_DSP_TYPE_REVERB,
                                         FMOD_DSP_TYPE_DISTORTION, FMOD_DSP_TYPE_PITCHSHIFT}) {
            const FMOD_DSP dsp = makeUnit(system, type);
            EXPECT_EQ(FMOD_System_AddDSP(system, dsp, nullptr), FMOD_OK);
            EXPECT_EQ(FMOD_DSP_Remove(dsp), FMOD_OK);
        }
        // Never attached at all.
        makeUnit(system, FMOD_DSP_TYPE_CHORUS);
    });
    EXPECT_EQ(detached.samples, plain.samples);
    const auto bypassed = renderThrough(ramp, [](FMOD_SYSTEM system) {
        const FMOD_DSP dsp = makeUnit(system, FMOD_DSP_TYPE_ECHO);
        EXPECT_EQ(FMOD_System_AddDSP(system, dsp, nullptr), FMOD_OK);
        EXPECT_EQ(FMOD_DSP_SetActive(dsp, 0), FMOD_OK);
    });
    EXPECT_EQ(bypassed.samples, plain.samples);
}

// Renders a steady tone and calls `change` after `blocksBefore` blocks of it.
testmedia::WavData renderWithChange(double hz, double amplitude,
                                    const std::function<void(FMOD_SYSTEM)>& setup,
                                    const std::function<void()>& change, int blocksBefore = 10) {
    playbacktest::RenderedSystem render;
    setup(render.system);
    render.update();
    render.play(render.open(sineFile(hz, 1.0, amplitude), 0x48, false));
    render.update(blocksBefore);
    change();
    render.update(15);
    auto wav = render.finish();
    wav.samples.erase(wav.samples.begin(), wav.samples.begin() + kBlockFrames * 2);
    return wav;
}

TEST(DspChain, ChangesWhilePlayingGlideInsteadOfClicking) {
    const double changeAt = 10.0 * kBlockFrames / kRate;
    // A jump in level would show as one large step between samples; a glide keeps every step
    // within what the louder steady tone takes.
    auto expectNoClick = [&](const testmedia::WavData& wav) {
        const double before = largestStep(wav, 0.05, changeAt - 0.01);
        const double after = largestStep(wav, changeAt + 0.1, changeAt + 0.25);
        const double around = largestStep(wav, changeAt - 0.01, changeAt + 0.1);
        EXPECT_LE(around, std::max(before, after) * 1.05);
        return std::make_pair(before, after);
    };
    FMOD_DSP band = 0;
    {
        SCOPED_TRACE("equalizer gain");
        const auto wav = renderWithChange(
            1000.0, 0.2,
            [&](FMOD_SYSTEM system) {
                band = makeUnit(system, FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}});
                EXPECT_EQ(FMOD_System_AddDSP(system, band, nullptr), FMOD_OK);
            },
            [&] { EXPECT_EQ(FMOD_DSP_SetParameter(band, 2, 3.0f), FMOD_OK); });
        const auto [before, after] = expectNoClick(wav);
        EXPECT_NEAR(after / before, 3.0, 0.1); // the change did happen
    }
    FMOD_DSP echo = 0;
    {
        SCOPED_TRACE("echo delay and dry mix");
        const auto wav = renderWithChange(
            200.0, 0.3,
            [&](FMOD_SYSTEM system) {
                echo = makeUnit(system, FMOD_DSP_TYPE_ECHO, {{0, 20.0f}, {1, 0.0f}, {4, 0.5f}});
                EXPECT_EQ(FMOD_System_AddDSP(system, echo, nullptr), FMOD_OK);
            },
            [&] {
                EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 37.0f), FMOD_OK);
                EXPECT_EQ(FMOD_DSP_SetParameter(echo, 3, 0.3f), FMOD_OK);
            });
        expectNoClick(wav);
    }
    FMOD_SYSTEM owner = 0;
    FMOD_DSP distortion = 0;
    {
        SCOPED_TRACE("switching distortion on");
        const auto wav = renderWithChange(
            500.0, 0.1,
            [&](FMOD_SYSTEM system) {
                owner = system;
                distortion = makeUnit(system, FMOD_DSP_TYPE_DISTORTION, {{0, 0.9f}});
            },
            [&] { EXPECT_EQ(FMOD_System_AddDSP(owner, distortion, nullptr), FMOD_OK); });
        const auto [before, after] = expectNoClick(wav);
        EXPECT_GT(after, before * 3.0);
    }
    {
        SCOPED_TRACE("switching distortion off");
        const auto wav = renderWithChange(
            500.0, 0.1,
            [&](FMOD_SYSTEM system) {
                distortion = makeUnit(system, FMOD_DSP_TYPE_DISTORTION, {{0, 0.9f}});
                EXPECT_EQ(FMOD_System_AddDSP(system, distortion, nullptr), FMOD_OK);
            },
            [&] { EXPECT_EQ(FMOD_DSP_Remove(distortion), FMOD_OK); });
        const auto [before, after] = expectNoClick(wav);
        EXPECT_LT(after, before / 3.0);
    }
    {
        SCOPED_TRACE("pitch factor leaving 1");
        FMOD_DSP pitch = 0;
        const auto wav = renderWithChange(
            300.0, 0.3,
            [&](FMOD_SYSTEM system) {
                pitch = makeUnit(system, FMOD_DSP_TYPE_PITCHSHIFT);
                EXPECT_EQ(FMOD_System_AddDSP(system, pitch, nullptr), FMOD_OK);
            },
            [&] { EXPECT_EQ(FMOD_DSP_SetParameter(pitch, 0, 1.5f), FMOD_OK); });
        expectNoClick(wav);
        EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 14000, 8192), kRate), 450.0, 4.5);
    }
}

TEST(DspChain, CallsFromTheCallersThreadWhileTheMixerRuns) {
    // A real-time output: the mixer renders on its own thread while this thread attaches,
    // detaches, retunes and releases units and reads the analysis as fast as it can.
    playbacktest::RenderSettings realTime;
    realTime.output = FMOD_OUTPUTTYPE_NOSOUND;
    playbacktest::RenderedSystem render(realTime);
    const FMOD_CHANNEL channel = render.play(render.open(sineFile(440.0, 1.0), 0x4A, false));
    std::vector<FMOD_DSP> units;
    const FMOD_DSP_TYPE types[] = {FMOD_DSP_TYPE_LOWPASS,   FMOD_DSP_TYPE_ECHO,
                                   FMOD_DSP_TYPE_REVERB,    FMOD_DSP_TYPE_CHORUS,
                                   FMOD_DSP_TYPE_SFXREVERB, FMOD_DSP_TYPE_PITCHSHIFT};
    for (const FMOD_DSP_TYPE type : types) {
        units.push_back(makeUnit(render.system, type));
    }
    std::vector<float> buffer(1024);
    for (unsigned step = 0; step < 600; ++step) {
        const FMOD_DSP dsp = units[step % units.size()];
        FMOD_BOOL active = 0;
        ASSERT_EQ(FMOD_DSP_GetActive(dsp, &active), FMOD_OK);
        ASSERT_EQ(active ? FMOD_DSP_Remove(dsp) : FMOD_System_AddDSP(render.system, dsp, nullptr),
                  FMOD_OK);
        float low = 0.0f, high = 0.0f;
        ASSERT_EQ(FMOD_DSP_GetParameterInfo(dsp, 0, nullptr, nullptr, nullptr, 0, &low, &high),
                  FMOD_OK);
        ASSERT_EQ(FMOD_DSP_SetParameter(dsp, 0, low + (high - low) * float(step % 7) / 7.0f),
                  FMOD_OK);
        ASSERT_EQ(FMOD_System_GetSpectrum(render.system, buffer.data(), 512, step % 2, 3), FMOD_OK);
        ASSERT_EQ(FMOD_System_GetWaveData(render.system, buffer.data(), 1024, 0), FMOD_OK);
        if (step % 50 == 49) {
            // Released while (perhaps) attached, and replaced.
            ASSERT_EQ(FMOD_DSP_Release(dsp), FMOD_OK);
            units[step % units.size()] = makeUnit(render.system, types[step % units.size()]);
        }
        render.update();
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    EXPECT_TRUE(render.playing(channel));
}

} // namespace
