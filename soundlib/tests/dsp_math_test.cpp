// The arithmetic under the units: the Fourier transform, the quick trigonometry, the filter
// designs, parameter checks and the output snapshot.
#include "SpectrumTap.h"
#include "dsp/RealFft.h"
#include "dsp/SfxReverbUnit.h"
#include "dsp/biquad_design.h"
#include "dsp/dsp_catalog.h"
#include "dsp/fast_math.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

using namespace soundlib;

namespace {

TEST(RealFft, MatchesTheDirectTransformAndInvertsBack) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (const size_t n : {8u, 16u, 32u, 64u, 256u, 512u, 1024u, 2048u, 4096u}) {
        SCOPED_TRACE(n);
        std::vector<float> x(n), re(n / 2 + 1), im(n / 2 + 1), back(n);
        for (float& v : x) {
            v = uniform(random);
        }
        RealFft fft(n);
        fft.forward(x.data(), re.data(), im.data());
        double worst = 0.0;
        for (size_t k = 0; k <= n / 2; k += (n > 256 ? 37 : 1)) {
            std::complex<double> sum = 0.0;
            for (size_t t = 0; t < n; ++t) {
                sum += double(x[t]) * std::polar(1.0, -2.0 * std::numbers::pi * double(k * t) / n);
            }
            worst = std::max(worst, std::abs(sum - std::complex<double>(re[k], im[k])));
        }
        EXPECT_LT(worst, 1e-4 * std::sqrt(double(n)));
        EXPECT_EQ(im[0], 0.0f);
        EXPECT_EQ(im[n / 2], 0.0f);
        fft.inverse(re.data(), im.data(), back.data());
        for (size_t t = 0; t < n; ++t) {
            ASSERT_NEAR(back[t] / float(n), x[t], 1e-5f) << t;
        }
    }
}

TEST(FastMath, AnglesSinesAndCosinesStayWithinTheirErrorBounds) {
    double worstAngle = 0.0, worstSine = 0.0;
    for (int i = 0; i < 20000; ++i) {
        const double a = -std::numbers::pi + 2.0 * std::numbers::pi * i / 20000.0;
        const float radius = 0.001f + float(i % 13);
        const float y = radius * float(std::sin(a)), x = radius * float(std::cos(a));
        worstAngle = std::max(worstAngle, double(std::fabs(fastAtan2(y, x) - std::atan2(y, x))));
        float s = 0, c = 0;
        fastSinCos(float(a), s, c);
        worstSine = std::max({worstSine, std::fabs(s - std::sin(a)), std::fabs(c - std::cos(a))});
    }
    EXPECT_LT(worstAngle, 2e-5);
    EXPECT_LT(worstSine, 2e-6);
    EXPECT_EQ(fastAtan2(0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(wrapPhase(7.0f), 7.0f - kTwoPi, 1e-6f);
    EXPECT_NEAR(wrapPhase(-4.0f), -4.0f + kTwoPi, 1e-6f);
}

TEST(FilterDesign, CookbookShapesHoldTheirDefiningPoints) {
    const double fs = 48000.0;
    const auto low = lowPassCoefficients(1000.0, resonanceToQ(1.0), fs);
    EXPECT_NEAR(biquadMagnitude(low, 1000.0, fs), std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(biquadMagnitude(low, 1.0, fs), 1.0, 1e-6);
    const auto high = highPassCoefficients(1000.0, resonanceToQ(10.0), fs);
    EXPECT_NEAR(biquadMagnitude(high, 1000.0, fs), 10.0 * std::sqrt(0.5), 1e-4);
    const auto band = peakingCoefficients(32.0, 1.0, 3.0, fs);
    EXPECT_NEAR(biquadMagnitude(band, 32.0, fs), 3.0, 1e-4);
    // Half the dB gain half an octave either side.
    EXPECT_NEAR(20.0 * std::log10(biquadMagnitude(band, 32.0 * std::sqrt(2.0), fs)),
                10.0 * std::log10(3.0), 0.05);
    // Cutoffs beyond the top edge stay stable.
    const auto top = lowPassCoefficients(30000.0, 1.0, 44100.0);
    EXPECT_LT(std::fabs(top.a2), 1.0);
}

TEST(FilterDesign, LossFilterTiltsByTheAskedRatio) {
    const double fs = 44100.0;
    for (const double ratio : {0.9, 0.5, 0.1}) {
        const double p = onePoleTiltCoefficient(ratio, 5000.0, fs);
        const std::complex<double> z = std::polar(1.0, -2.0 * std::numbers::pi * 5000.0 / fs);
        EXPECT_NEAR(std::abs((1.0 - p) / (1.0 - p * z)), ratio, 1e-9) << ratio;
        EXPECT_GT(p, 0.0);
        EXPECT_LT(p, 1.0);
    }
    EXPECT_EQ(onePoleTiltCoefficient(1.0, 5000.0, fs), 0.0);
}

TEST(DspCatalog, ParametersTakeOnlyValuesOfTheirKind) {
    const DspDescription* pitch = findDspDescription(FMOD_DSP_TYPE_PITCHSHIFT);
    ASSERT_NE(pitch, nullptr);
    EXPECT_TRUE(parameterAccepts(pitch->parameters[0], 0.5f));
    EXPECT_TRUE(parameterAccepts(pitch->parameters[0], 2.0f));
    EXPECT_FALSE(parameterAccepts(pitch->parameters[0], 2.0001f));
    EXPECT_FALSE(parameterAccepts(pitch->parameters[0], std::nanf("")));
    EXPECT_FALSE(parameterAccepts(pitch->parameters[1], 768.0f));
    EXPECT_TRUE(parameterAccepts(pitch->parameters[2], 3.0f));
    EXPECT_FALSE(parameterAccepts(pitch->parameters[2], 3.5f));
    EXPECT_EQ(findDspDescription(FMOD_DSP_TYPE_NORMALIZE), nullptr);
}

TEST(SpectrumTap, ReadsTheLatestSamplesOfOneChannelAcrossTheWrap) {
    SpectrumTap tap(2);
    std::vector<float> block(2 * 1000);
    float next = 1.0f;
    std::vector<float> out(16384);
    tap.latest(1, 4, out.data());
    EXPECT_EQ(out[0], 0.0f);
    for (int round = 0; round < 50; ++round) { // 50000 frames: the ring wraps
        for (size_t i = 0; i < 1000; ++i) {
            block[2 * i] = next;
            block[2 * i + 1] = -next;
            next += 1.0f;
        }
        tap.write(block.data(), 1000);
        if (round == 0) {
            // Only 1000 frames so far: the rest reads as silence.
            tap.latest(0, 1500, out.data());
            EXPECT_EQ(out[499], 0.0f);
            EXPECT_EQ(out[500], 1.0f);
            EXPECT_EQ(out[1499], 1000.0f);
        }
    }
    tap.latest(1, 16384, out.data());
    for (size_t i = 0; i < 16384; ++i) {
        ASSERT_EQ(out[i], -(50000.0f - 16383.0f + float(i))) << i;
    }
}

} // namespace

// The units take pairs of frames, runs of four and chunks of their own: a block cut into odd
// pieces must come out as it does whole, whatever the pieces' ends meet.
TEST(UnitBlocks, OddPiecesGiveWhatTheWholeBlockGives) {
    const std::vector<std::pair<FMOD_DSP_TYPE, std::vector<std::pair<int, float>>>> cases = {
        {FMOD_DSP_TYPE_PARAMEQ, {{0, 60.0f}, {2, 2.5f}}},
        {FMOD_DSP_TYPE_LOWPASS, {{0, 900.0f}, {1, 4.0f}}},
        {FMOD_DSP_TYPE_ECHO, {{0, 10.0f}, {1, 1.0f}}}, // shorter than a piece, held at full
        {FMOD_DSP_TYPE_ECHO, {{0, 100.0f}, {1, 0.7f}}},
        {FMOD_DSP_TYPE_FLANGE, {}},
        {FMOD_DSP_TYPE_CHORUS, {{7, 0.9f}}},
        {FMOD_DSP_TYPE_REVERB, {}},
        {FMOD_DSP_TYPE_SFXREVERB, {{7, 0.0f}, {9, 0.0f}, {11, 0.0f}}}, // lines shorter than a chunk
    };
    constexpr size_t kFrames = 3000;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> uniform(-1.5f, 1.5f); // loud, past the loops' knees
    std::vector<float> input(kFrames * 2);
    for (float& v : input) {
        v = uniform(random);
    }
    for (const auto& [type, settings] : cases) {
        SCOPED_TRACE(type);
        auto run = [&](const std::vector<size_t>& pieces) {
            auto unit = findDspDescription(type)->create();
            for (const auto& [index, value] : settings) {
                unit->setParameter(index, value);
            }
            unit->prepare(8000, 2, 1024);
            std::vector<float> samples = input;
            size_t done = 0;
            for (size_t i = 0; done < kFrames; ++i) {
                const size_t n = std::min(pieces[i % pieces.size()], kFrames - done);
                unit->process(samples.data() + 2 * done, n, 2);
                done += n;
            }
            return samples;
        };
        const auto whole = run({1024});
        const auto pieces = run({1, 3, 7, 250, 2, 513});
        for (size_t i = 0; i < whole.size(); ++i) {
            ASSERT_NEAR(pieces[i], whole[i], 1e-5f * (1.0f + std::fabs(whole[i]))) << i;
        }
    }
}
