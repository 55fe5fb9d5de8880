// What the effects do to real audio rendered through the wave writer: each unit changes the
// sound the way it should while on and leaves it exactly as it was once off again; chain order
// follows attach order; speed, pitch and the equalizer presets do what their sliders say.
#include "EqualizerControls.h"
#include "engine_fixture.h"
#include "fx_render.h"

#include <gtest/gtest.h>

namespace {

using namespace fxtest;

constexpr size_t kOnBlock = 22;   // about 0.5 s of plain sound first
constexpr size_t kOffBlock = 100; // then about 1.8 s with the effect
constexpr size_t kBlocks = 150;   // then about 1.2 s after it was switched off

struct EffectCase {
    const char* name;
    std::function<double(double)> signal;
    std::function<void(clsDsp&, int32_t on)> switchIt;
    // Judges the second from 1.0 s to 2.0 s, while the effect is on (processed vs. plain).
    std::function<void(const std::vector<float>& on, const std::vector<float>& plain)> expect;
};

// Energy a few milliseconds after each click, relative to the click's own.
double lateEnergy(const std::vector<float>& x, double fromMs, double toMs) {
    double sum = 0;
    for (size_t click = kRate / 4; click < x.size(); click += kRate) {
        sum += energy(x, click + static_cast<size_t>(fromMs * kRate / 1000),
                      click + static_cast<size_t>(toMs * kRate / 1000));
    }
    return sum;
}

std::vector<EffectCase> effectCases() {
    auto tone = [](double hz) { return [hz](double t) { return 0.5 * sine(hz, t); }; };
    auto kind = [](EffectKind k) {
        return [k](clsDsp& dsp, int32_t on) { dsp.EffectBool(k, on); };
    };
    return {
        {"distortion", tone(441), kind(EffectKind::Distortion),
         [](const auto& on, const auto& plain) {
             EXPECT_LT(testmedia::spuriousLevelDb(plain, kRate, 441), -60);
             EXPECT_GT(testmedia::spuriousLevelDb(on, kRate, 441), -30); // harmonics
         }},
        {"chorus", clicks, kind(EffectKind::Chorus),
         [](const auto& on, const auto& plain) {
             EXPECT_EQ(lateEnergy(plain, 30, 50), 0);
             EXPECT_GT(lateEnergy(on, 30, 50), 0.1);      // copies ~40 ms late
             EXPECT_NEAR(testmedia::peak(on), 0.4, 0.05); // the click at half (dry mix 0.5)
         }},
        {"echo", clicks, kind(EffectKind::Echo),
         [](const auto& on, const auto&) {
             // A repeat 500 ms later, at full strength (wet mix 1).
             EXPECT_NEAR(std::sqrt(lateEnergy(on, 495, 505) / lateEnergy(on, 0, 1)), 1.0, 0.1);
         }},
        {"highpass", tone(200), kind(EffectKind::HighPass),
         [](const auto& on, const auto& plain) {
             EXPECT_LT(toneLevel(on, 200), 0.01 * toneLevel(plain, 200));
         }},
        {"lowpass", [](double t) { return 0.3 * sine(200, t) + 0.3 * sine(16000, t); },
         kind(EffectKind::LowPass),
         [](const auto& on, const auto& plain) {
             EXPECT_LT(toneLevel(on, 16000), 0.15 * toneLevel(plain, 16000));
             EXPECT_NEAR(toneLevel(on, 200), toneLevel(plain, 200), 0.01);
         }},
        {"flange", clicks, kind(EffectKind::Flange),
         [](const auto& on, const auto& plain) {
             EXPECT_EQ(lateEnergy(plain, 0.05, 6), 0);
             EXPECT_GT(lateEnergy(on, 0.05, 6), 0.05); // a copy a few ms late
         }},
        {"compressor", tone(441),
         [](clsDsp& dsp, int32_t on) {
             dsp.CompresserSet(0, -30, 0);
             dsp.CompresserBool(on);
         },
         [](const auto& on, const auto& plain) {
             EXPECT_LT(testmedia::rms(on), 0.2 * testmedia::rms(plain));
         }},
        {"reverb", clicks, kind(EffectKind::Reverb),
         [](const auto& on, const auto& plain) {
             EXPECT_EQ(lateEnergy(plain, 50, 500), 0);
             EXPECT_GT(lateEnergy(on, 50, 500), 0.01); // a tail
         }},
        {"sfxreverb", clicks, [](clsDsp& dsp, int32_t on) { dsp.SfxReverbBool(on); },
         [](const auto& on, const auto& plain) {
             EXPECT_EQ(lateEnergy(plain, 50, 500), 0);
             EXPECT_GT(lateEnergy(on, 50, 500), 0.01);
         }},
    };
}

TEST(AudibleEffects, EachEffectChangesTheSoundWhileOnAndRestoresItWhenOff) {
    for (const EffectCase& c : effectCases()) {
        SCOPED_TRACE(c.name);
        const fs::path file = writeSignal(std::string("fx-") + c.name + ".wav", 3.6, c.signal);
        std::vector<FMOD_RESULT> failures;
        const auto plain = render(file, kBlocks, nullptr);
        const auto processed = render(
            file, kBlocks,
            [&](clsDsp& dsp, size_t block) {
                if (block == kOnBlock) {
                    c.switchIt(dsp, 1);
                } else if (block == kOffBlock) {
                    c.switchIt(dsp, 0);
                }
            },
            &failures);
        EXPECT_TRUE(failures.empty());
        ASSERT_EQ(plain.size(), processed.size());

        auto stretch = [](const std::vector<float>& x, size_t first, size_t last) {
            return std::vector<float>(x.begin() + first, x.begin() + last);
        };
        // A whole second holds whole cycles of every test tone and keeps the clicks at 0.25 s.
        c.expect(stretch(processed, kRate, 2 * kRate), stretch(plain, kRate, 2 * kRate));

        auto maxDifference = [&](size_t first, size_t last) {
            float worst = 0;
            for (size_t i = first; i < last; ++i) {
                worst = std::max(worst, std::abs(processed[i] - plain[i]));
            }
            return worst;
        };
        EXPECT_EQ(maxDifference(0, kOnBlock * kBlock), 0.0f);
        // After the fade out, exactly the plain sound again (tails included: a detached unit
        // keeps nothing).
        EXPECT_LT(maxDifference((kOffBlock + 3) * kBlock, plain.size()), 1e-6f);
    }
}

// Correlation of the 100 ms after the first click with the 100 ms after its echo: 1 when the
// chorus ran before the echo (the echo repeats the chorused click as it was), lower when the
// chorus came after and met the repeat at another point of its sweep.
double echoLikeness(const std::vector<float>& x) {
    const size_t a = kRate / 4, b = a + kRate / 2, n = kRate / 10;
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
        ab += double(x[a + i]) * x[b + i];
        aa += double(x[a + i]) * x[a + i];
        bb += double(x[b + i]) * x[b + i];
    }
    return ab / std::sqrt(aa * bb);
}

TEST(AudibleEffects, ChainRunsInAttachOrder) {
    const fs::path file = writeSignal("fx-order.wav", 1.0, clicks);
    auto setUp = [](clsDsp& dsp) {
        // Full depth: the copies' delays sweep widely; at 0.8 Hz the sweep is elsewhere when the
        // repeat comes 500 ms later.
        dsp.ChorusSet(6, 0, 0);
        dsp.EchoSet(1, 10, 0); // a single repeat
        dsp.ChorusBool(1);
        dsp.EchoBool(1);
    };
    const auto chorusThenEcho = render(file, 40, [&](clsDsp& dsp, size_t block) {
        if (block == 0) {
            setUp(dsp);
        }
    });
    const auto echoThenChorus = render(file, 40, [&](clsDsp& dsp, size_t block) {
        if (block == 0) {
            setUp(dsp);
            dsp.ChorusBool(0);
            dsp.ChorusBool(1); // moves to the end, after the echo
        }
    });
    EXPECT_GT(echoLikeness(chorusThenEcho), 0.99);
    EXPECT_LT(echoLikeness(echoThenChorus), 0.8);
}

TEST(AudibleEffects, SpeedAndPitchAndFrequency) {
    const fs::path file =
        writeSignal("fx-rate.wav", 2.0, [](double t) { return 0.5 * sine(441, t); });
    auto measure = [&](const std::function<void(clsDsp&)>& apply) {
        const auto out = render(file, 200, [&](clsDsp& dsp, size_t block) {
            if (block == 0) {
                apply(dsp);
            }
        });
        std::vector<float> steady(out.begin() + kRate / 5, out.begin() + kRate / 5 + kRate / 2);
        size_t length = out.size();
        while (length > 0 && std::abs(out[length - 1]) < 1e-3f) {
            --length;
        }
        return std::pair{testmedia::measureFrequency(steady, kRate), length / double(kRate)};
    };
    const auto [plainHz, plainSeconds] = measure([](clsDsp&) {});
    EXPECT_NEAR(plainHz, 441, 1);
    EXPECT_NEAR(plainSeconds, 2.0, 0.01);

    // Speed 100: twice the tempo, same pitch (the shifter adds one FFT size of delay).
    const auto [speedHz, speedSeconds] = measure([](clsDsp& dsp) { dsp.SpeedON(1, 100); });
    EXPECT_NEAR(speedHz, 441, 3);
    EXPECT_NEAR(speedSeconds, 1.0 + 1024.0 / kRate, 0.02);
    // Speed -100: half the tempo.
    const auto [slowHz, slowSeconds] = measure([](clsDsp& dsp) { dsp.SpeedON(1, -100); });
    EXPECT_NEAR(slowHz, 441, 3);
    EXPECT_NEAR(slowSeconds, 4.0 + 1024.0 / kRate, 0.02);
    // Pitch +12: an octave up, same length.
    const auto [pitchHz, pitchSeconds] = measure([](clsDsp& dsp) { dsp.PitchShiftON(1, 12); });
    EXPECT_NEAR(pitchHz, 882, 3);
    EXPECT_NEAR(pitchSeconds, 2.0 + 1024.0 / kRate, 0.02);
    // Frequency 50: both at once, by half again.
    const auto [rateHz, rateSeconds] = measure([](clsDsp& dsp) { dsp.FreqencyON(1, 50); });
    EXPECT_NEAR(rateHz, 661.5, 1);
    EXPECT_NEAR(rateSeconds, 2.0 / 1.5, 0.01);
}

TEST(AudibleEffects, EqualizerPresetsTiltTheSpectrumAsTheirValuesSay) {
    const double tones[] = {60, 1000, 8000};
    const fs::path file = writeSignal("fx-eq.wav", 7.0, [&](double t) {
        return 0.2 * (sine(tones[0], t) + sine(tones[1], t) + sine(tones[2], t));
    });
    const int presets[] = {0, 3, 4, 6, 1}; // Normal, Base Boost, Treble Boost, Total Reduce, Rock
    constexpr size_t kSegment = 43;        // blocks per preset
    enginetest::FakeMessageBox messageBox;
    enginetest::FakeFileDialog fileDialog;
    std::unique_ptr<EqualizerControls> controls;
    const auto plain = render(file, kSegment * 6, nullptr);
    const auto processed = render(file, kSegment * 6, [&](clsDsp& dsp, size_t block) {
        if (block == 0) {
            controls = std::make_unique<EqualizerControls>(dsp, testmedia::mediaDir(), messageBox,
                                                           fileDialog);
            controls->useEqualizer().SetValue(1);
        }
        if (block % kSegment == 0 && block / kSegment < std::size(presets)) {
            controls->SelectPreset(presets[block / kSegment]);
        }
        if (block == kSegment * 6 - 1) {
            controls.reset();
        }
    });
    for (size_t p = 0; p < std::size(presets); ++p) {
        SCOPED_TRACE(p);
        const size_t first = p * kSegment * kBlock + kRate / 4;
        std::array<double, 3> gain{};
        for (size_t t = 0; t < 3; ++t) {
            auto part = [&](const std::vector<float>& x) {
                return std::vector<float>(x.begin() + first, x.begin() + first + kRate / 2);
            };
            gain[t] = toneLevel(part(processed), tones[t]) / toneLevel(part(plain), tones[t]);
        }
        switch (presets[p]) {
        case 0: // flat
            for (double g : gain) {
                EXPECT_NEAR(g, 1.0, 0.01);
            }
            break;
        case 3: // bass up, treble as it was
            EXPECT_GT(gain[0], 1.4);
            EXPECT_NEAR(gain[2], 1.0, 0.03);
            break;
        case 4: // treble up, bass as it was
            EXPECT_NEAR(gain[0], 1.0, 0.03);
            EXPECT_GT(gain[2], 1.3);
            break;
        case 6: // everything down
            for (double g : gain) {
                EXPECT_LT(g, 0.75);
            }
            break;
        case 1: // the rock smile: both ends up, the middle down
            EXPECT_GT(gain[0], 1.2);
            EXPECT_LT(gain[1], 0.95);
            EXPECT_GT(gain[2], 1.15);
            break;
        }
    }
}

} // namespace
