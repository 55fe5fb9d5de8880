// Loud input through every processing unit at the edges of its parameter ranges, at every output
// rate and speaker layout: the output stays finite, stays within a sane multiple of the gain the
// settings ask for, and dies away once the input stops (a frozen reverb and an echo that does
// not decay ring on instead, without growing).
#include "dsp/biquad_design.h"
#include "dsp/soft_limit.h"
#include "dsp_fixture.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <random>
#include <span>
#include <sstream>

using namespace dsptest;
using namespace soundlib;

namespace {

enum class Signal { Noise, Square };

// A stereo file at `rate` (the output rate, so that no resampling softens it): independent
// full-scale white noise on each side, or a full-scale 100 Hz square wave on both.
std::filesystem::path loudFile(Signal signal, int rate, double seconds) {
    const std::string name =
        std::string("stress_") + (signal == Signal::Noise ? "noise_" : "square_") +
        std::to_string(rate) + "_" + std::to_string(static_cast<int>(seconds * 1000)) + ".wav";
    const auto path = testmedia::mediaDir() / name;
    if (std::filesystem::exists(path)) {
        return path;
    }
    const auto frames = static_cast<size_t>(seconds * rate);
    std::vector<int16_t> data(frames * 2);
    std::mt19937 random(7);
    for (size_t i = 0; i < frames; ++i) {
        if (signal == Signal::Noise) {
            data[2 * i] = static_cast<int16_t>(static_cast<int>(random() % 65535) - 32767);
            data[2 * i + 1] = static_cast<int16_t>(static_cast<int>(random() % 65535) - 32767);
        } else {
            const bool high = (i * 200 / static_cast<size_t>(rate)) % 2 == 0;
            data[2 * i] = data[2 * i + 1] = high ? 32767 : -32767;
        }
    }
    return playbacktest::writePcm16(name, data, rate, 2);
}

struct Ranges {
    std::vector<float> minimum, maximum, defaults;
};

// What the flat calls publish for a type: each parameter's range and default.
const Ranges& rangesOf(FMOD_DSP_TYPE type) {
    static std::map<FMOD_DSP_TYPE, Ranges> known;
    if (const auto found = known.find(type); found != known.end()) {
        return found->second;
    }
    playbacktest::RenderedSystem render;
    const FMOD_DSP dsp = makeUnit(render.system, type);
    int count = 0;
    EXPECT_EQ(FMOD_DSP_GetNumParameters(dsp, &count), FMOD_OK);
    Ranges ranges;
    for (int i = 0; i < count; ++i) {
        float low = 0.0f, high = 0.0f, value = 0.0f;
        EXPECT_EQ(FMOD_DSP_GetParameterInfo(dsp, i, nullptr, nullptr, nullptr, 0, &low, &high),
                  FMOD_OK);
        EXPECT_EQ(FMOD_DSP_GetParameter(dsp, i, &value, nullptr, 0), FMOD_OK);
        ranges.minimum.push_back(low);
        ranges.maximum.push_back(high);
        ranges.defaults.push_back(value);
    }
    return known[type] = ranges;
}

struct Format {
    int rate;
    FMOD_SPEAKERMODE layout;
};

constexpr int kRates[] = {8000, 22050, 44100, 48000, 96000, 192000};
constexpr FMOD_SPEAKERMODE kLayouts[] = {FMOD_SPEAKERMODE_MONO, FMOD_SPEAKERMODE_STEREO,
                                         FMOD_SPEAKERMODE_5POINT1};

// Consecutive numbers walk through all 18 pairings of rate and layout.
Format formatNumber(size_t n) {
    return {kRates[n % 6], kLayouts[(n + n / 6) % 3]};
}

std::string describe(const std::vector<float>& values) {
    std::ostringstream text;
    for (size_t i = 0; i < values.size(); ++i) {
        text << (i ? ", " : "") << values[i];
    }
    return text.str();
}

constexpr double kWindowSeconds = 0.05;

struct Rendered {
    size_t nonFinite = 0;
    size_t subnormal = 0;
    double inputPeak = 0.0;    // while the input plays
    std::vector<double> tail;  // peak of each window from the input's end on
    std::vector<float> values; // the setting the unit had at the end
};

// Plays `seconds` of the loud signal through one unit set to `values`, then `tailSeconds` of
// silence. `eachBlock` (when given) may change the unit before each block the input plays in.
Rendered render(FMOD_DSP_TYPE type, std::vector<float> values, Signal signal, Format format,
                double seconds, double tailSeconds,
                const std::function<void(FMOD_DSP, int, std::vector<float>&)>& eachBlock = {}) {
    playbacktest::RenderSettings settings;
    settings.sampleRate = format.rate;
    settings.speakerMode = format.layout;
    playbacktest::RenderedSystem system(settings);
    const FMOD_DSP dsp = makeUnit(system.system, type);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(FMOD_DSP_SetParameter(dsp, static_cast<int>(i), values[i]), FMOD_OK);
    }
    EXPECT_EQ(FMOD_System_AddDSP(system.system, dsp, nullptr), FMOD_OK);
    // The float wave writer clips at full scale; a last unit passing only its dry sound at 1/64
    // (a power of two, so exactly) shows what went beyond it.
    constexpr float kShown = 64.0f;
    EXPECT_EQ(FMOD_System_AddDSP(system.system,
                                 makeUnit(system.system, FMOD_DSP_TYPE_ECHO,
                                          {{1, 0.0f}, {3, 1.0f / kShown}, {4, 0.0f}}),
                                 nullptr),
              FMOD_OK);
    system.update();
    system.play(system.open(loudFile(signal, format.rate, seconds), 0x48, false));
    const auto inputFrames = static_cast<size_t>(seconds * format.rate);
    const size_t inputBlocks = (inputFrames + kBlockFrames - 1) / kBlockFrames;
    for (size_t block = 0; block < inputBlocks; ++block) {
        if (eachBlock) {
            eachBlock(dsp, static_cast<int>(block), values);
        }
        system.update();
    }
    system.update(static_cast<int>(tailSeconds * format.rate / kBlockFrames) + 1);
    const auto wav = system.finish();

    Rendered result;
    result.values = values;
    const auto channels = static_cast<size_t>(wav.channels);
    const auto window = static_cast<size_t>(kWindowSeconds * format.rate);
    for (size_t frame = kBlockFrames; frame < wav.frames(); ++frame) {
        const size_t played = frame - kBlockFrames;
        double peak = 0.0;
        for (const float written : std::span(wav.samples).subspan(frame * channels, channels)) {
            if (!std::isfinite(written)) {
                ++result.nonFinite;
                continue;
            }
            result.subnormal += written != 0.0f && std::fabs(written) < FLT_MIN ? 1 : 0;
            peak = std::max(peak, std::fabs(written) * double(kShown));
        }
        if (played < inputFrames) {
            result.inputPeak = std::max(result.inputPeak, peak);
            continue;
        }
        const size_t w = (played - inputFrames) / window;
        if (w >= result.tail.size()) {
            result.tail.resize(w + 1, 0.0);
        }
        result.tail[w] = std::max(result.tail[w], peak);
    }
    return result;
}

// What a setting asks of the sound, worked out from the parameters' meaning alone.
struct Expected {
    double gain = 1.0;  // the linear gain asked for: the output stays under 16 times it
    double delay = 0.0; // s the tail may ring at full level after the input ends
    double decay = 0.0; // s it then takes to fall by 60 dB (0: gone at once)
    bool holds = false; // rings on without decaying (but never grows)
};

double fromMillibels(double mb) {
    return std::pow(10.0, mb / 2000.0);
}

// Time for a second-order resonance at `hz` with quality `q` to fall 60 dB at `rate`: the slower
// of its poles, real ones included (a wide, deep band has one far below its centre), once the
// bilinear transform has mapped them (near the top edge that stretches the ring).
double ringSeconds(double hz, double q, int rate) {
    const double corner = std::tan(std::numbers::pi * hz / rate);
    const std::complex<double> root = std::sqrt(std::complex<double>(1.0 / (4.0 * q * q) - 1.0));
    double radius = 0.0;
    for (const double sign : {1.0, -1.0}) {
        const std::complex<double> pole = corner * (-1.0 / (2.0 * q) + sign * root);
        radius = std::max(radius, std::abs((1.0 + pole) / (1.0 - pole)));
    }
    return std::log(1000.0) / -std::log(radius) / rate;
}

Expected expectedOf(FMOD_DSP_TYPE type, const std::vector<float>& v, int rate) {
    Expected e;
    switch (type) {
    case FMOD_DSP_TYPE_LOWPASS:
    case FMOD_DSP_TYPE_HIGHPASS:
        e.decay = ringSeconds(std::min(double(v[0]), 0.49 * rate), v[1] * std::sqrt(0.5), rate);
        break;
    case FMOD_DSP_TYPE_ECHO:
        e.delay = v[0] / 1000.0;
        e.holds = v[1] >= 1.0f;
        e.decay = v[1] > 0.0f && v[1] < 1.0f ? e.delay * 3.0 / -std::log10(v[1]) : 0.0;
        break;
    case FMOD_DSP_TYPE_FLANGE:
        e.delay = 0.006;
        break;
    case FMOD_DSP_TYPE_PARAMEQ: {
        const double a = std::sqrt(double(v[2]));
        const double q = 0.5 / std::sinh(std::numbers::ln2 / 2.0 * v[1]);
        e.gain = std::max(1.0, double(v[2]));
        e.decay = ringSeconds(std::min(double(v[0]), 0.45 * rate), q * a, rate); // the poles' Q
        break;
    }
    case FMOD_DSP_TYPE_PITCHSHIFT:
        e.delay = 2.0 * v[1] / rate + 0.01;
        break;
    case FMOD_DSP_TYPE_CHORUS: {
        // The longest way round the loop, and (the top of the range stopping just short of
        // ringing for ever) a loop gain of at most 0.97.
        const double pass = 2.0 * v[4] / 1000.0 + 0.002;
        e.delay = pass;
        e.decay = v[7] > 0.0f ? pass * 3.0 / -std::log10(std::min(0.97, double(v[7]))) : 0.0;
        break;
    }
    case FMOD_DSP_TYPE_REVERB:
        // Freeverb: combs up to 40 ms fed back by 0.7 + 0.28 room.
        e.holds = v[5] >= 0.5f;
        e.delay = 0.05;
        e.decay = 0.04 * 3.0 / -std::log10(0.7 + 0.28 * v[0]);
        break;
    case FMOD_DSP_TYPE_COMPRESSOR:
        e.gain = std::pow(10.0, v[3] / 20.0);
        break;
    case FMOD_DSP_TYPE_SFXREVERB:
        e.gain =
            fromMillibels(v[0]) + fromMillibels(v[1]) * (fromMillibels(v[6]) + fromMillibels(v[8]));
        e.delay = v[7] + v[9] + 0.07;
        e.decay = v[4] * std::max(1.0f, v[5]);
        break;
    default:
        break;
    }
    return e;
}

constexpr double kSilence = 1e-5; // -100 dB
constexpr double kLongestTail = 1.0;

// Enough tail to fall from a loud ring to silence, within reason.
double tailFor(const Expected& e) {
    const double fall = e.decay * std::log10(160.0 * e.gain / kSilence) / 3.0;
    return std::clamp(e.delay + fall + 0.1, 0.3, kLongestTail);
}

void checkSound(const Rendered& r, const Expected& e, const std::string& what,
                double loudestGain = 1.0) {
    SCOPED_TRACE(what);
    EXPECT_EQ(r.nonFinite, 0u);
    EXPECT_EQ(r.subnormal, 0u);
    const double bound = 16.0 * std::max({1.0, e.gain, loudestGain});
    const double tailPeak = r.tail.empty() ? 0.0 : *std::max_element(r.tail.begin(), r.tail.end());
    EXPECT_LT(std::max(r.inputPeak, tailPeak), bound);
    if (e.holds) {
        EXPECT_LE(tailPeak, r.inputPeak * 1.05 + kSilence); // rings on, but never grows
        return;
    }
    // From `delay` on the tail stays under a 60 dB per `decay` fall from the loudest output
    // (with 20 dB and half the time again to spare: a reverb's decay time is nominal), and
    // under the silence floor once that fall has got there.
    for (size_t w = 0; w < r.tail.size(); ++w) {
        const double t = static_cast<double>(w) * kWindowSeconds - e.delay - kWindowSeconds;
        if (t <= 0.0) {
            continue;
        }
        const double fall = e.decay > 0.0 ? std::pow(10.0, -2.0 * t / e.decay) : 0.0;
        const double allowed = std::max(kSilence, 10.0 * std::max(r.inputPeak, 1.0) * fall);
        if (r.tail[w] > allowed) {
            ADD_FAILURE() << "still " << r.tail[w] << " at " << t << " s past the expected ring"
                          << " (allowed " << allowed << ")";
            return;
        }
    }
}

const FMOD_DSP_TYPE kTypes[] = {
    FMOD_DSP_TYPE_LOWPASS,    FMOD_DSP_TYPE_HIGHPASS,   FMOD_DSP_TYPE_ECHO,
    FMOD_DSP_TYPE_FLANGE,     FMOD_DSP_TYPE_DISTORTION, FMOD_DSP_TYPE_PARAMEQ,
    FMOD_DSP_TYPE_PITCHSHIFT, FMOD_DSP_TYPE_CHORUS,     FMOD_DSP_TYPE_REVERB,
    FMOD_DSP_TYPE_COMPRESSOR, FMOD_DSP_TYPE_SFXREVERB};

std::string typeName(const testing::TestParamInfo<FMOD_DSP_TYPE>& info) {
    switch (info.param) {
    case FMOD_DSP_TYPE_LOWPASS:
        return "LowPass";
    case FMOD_DSP_TYPE_HIGHPASS:
        return "HighPass";
    case FMOD_DSP_TYPE_ECHO:
        return "Echo";
    case FMOD_DSP_TYPE_FLANGE:
        return "Flange";
    case FMOD_DSP_TYPE_DISTORTION:
        return "Distortion";
    case FMOD_DSP_TYPE_PARAMEQ:
        return "EqualizerBand";
    case FMOD_DSP_TYPE_PITCHSHIFT:
        return "PitchShifter";
    case FMOD_DSP_TYPE_CHORUS:
        return "Chorus";
    case FMOD_DSP_TYPE_REVERB:
        return "Reverb";
    case FMOD_DSP_TYPE_COMPRESSOR:
        return "Compressor";
    default:
        return "SfxReverb";
    }
}

constexpr double kInputSeconds = 1.2;

class UnitStress : public testing::TestWithParam<FMOD_DSP_TYPE> {};

TEST_P(UnitStress, EachParameterAtItsEdgesLeavesTheSoundFiniteBoundedAndDying) {
    const FMOD_DSP_TYPE type = GetParam();
    const Ranges& ranges = rangesOf(type);
    // Each parameter at its minimum and at its maximum with the others at their defaults, then
    // all at their minimum and all at their maximum.
    std::vector<std::vector<float>> settings;
    for (size_t i = 0; i < ranges.defaults.size(); ++i) {
        for (const auto& edge : {ranges.minimum, ranges.maximum}) {
            auto values = ranges.defaults;
            values[i] = edge[i];
            settings.push_back(values);
        }
    }
    settings.push_back(ranges.minimum);
    settings.push_back(ranges.maximum);
    std::sort(settings.begin(), settings.end());
    settings.erase(std::unique(settings.begin(), settings.end()), settings.end());
    size_t n = static_cast<size_t>(type); // each type starts its walk elsewhere
    for (const auto& values : settings) {
        for (const Signal signal : {Signal::Noise, Signal::Square}) {
            const Format format = formatNumber(n++);
            const Expected expected = expectedOf(type, values, format.rate);
            const auto result =
                render(type, values, signal, format, kInputSeconds, tailFor(expected));
            checkSound(result, expected,
                       "setting " + describe(values) + " at " + std::to_string(format.rate) +
                           " Hz, layout " + std::to_string(format.layout) +
                           (signal == Signal::Noise ? ", noise" : ", square"));
        }
    }
}

TEST_P(UnitStress, SettingsJumpingBetweenTheirEdgesEveryBlockStayFiniteAndBounded) {
    const FMOD_DSP_TYPE type = GetParam();
    const Ranges& ranges = rangesOf(type);
    for (size_t r = 0; r < std::size(kRates); ++r) {
        const Format format = {kRates[r], kLayouts[(r + static_cast<size_t>(type)) % 3]};
        const Signal signal = r % 2 == 0 ? Signal::Noise : Signal::Square;
        std::mt19937 coin(static_cast<unsigned>(type * 100 + r));
        const auto result = render(
            type, ranges.defaults, signal, format, kInputSeconds, kLongestTail,
            [&](FMOD_DSP dsp, int, std::vector<float>& values) {
                for (size_t i = 0; i < values.size(); ++i) {
                    values[i] = coin() % 2 ? ranges.maximum[i] : ranges.minimum[i];
                    ASSERT_EQ(FMOD_DSP_SetParameter(dsp, static_cast<int>(i), values[i]), FMOD_OK);
                }
            });
        // The tail rings as the last setting has it; the level may have gone as high as the
        // loudest setting allows.
        checkSound(result, expectedOf(type, result.values, format.rate),
                   "jumping, last " + describe(result.values) + " at " +
                       std::to_string(format.rate) + " Hz, layout " + std::to_string(format.layout),
                   expectedOf(type, ranges.maximum, format.rate).gain);
    }
}

INSTANTIATE_TEST_SUITE_P(Stress, UnitStress, testing::ValuesIn(kTypes), typeName);

// The faults the sweep above found, each pinned where it showed most clearly.

TEST(UnitStressFaults, ResonantFiltersSweptAcrossTheRangeStayAtTheirStaticResonance) {
    // The cutoff jumping between the ends of its range every block and the resonance every
    // other one: the direct-form filters rose to 62 (high-pass) and 29 (low-pass) times the
    // square wave at 22.05 kHz, 40 and 29 at 8 kHz.
    for (const FMOD_DSP_TYPE type : {FMOD_DSP_TYPE_HIGHPASS, FMOD_DSP_TYPE_LOWPASS}) {
        const float lowest = rangesOf(type).minimum[0];
        for (const int rate : {8000, 22050}) {
            const auto result =
                render(type, {5000.0f, 10.0f}, Signal::Square, {rate, FMOD_SPEAKERMODE_STEREO}, 1.0,
                       0.3, [&](FMOD_DSP dsp, int block, std::vector<float>&) {
                           FMOD_DSP_SetParameter(dsp, 0, block % 2 ? lowest : 22000.0f);
                           FMOD_DSP_SetParameter(dsp, 1, block % 4 < 2 ? 10.0f : 1.0f);
                       });
            EXPECT_LT(result.inputPeak, 8.0) << type << " at " << rate;
        }
    }
}

TEST(UnitStressFaults, EchoWithoutDecayHoldsItsRepeatsWithoutGrowing) {
    // 10 ms repeats that never fade: every pass added the square wave again, 200 times over in
    // two seconds.
    const auto result = render(FMOD_DSP_TYPE_ECHO, {10.0f, 1.0f, 0.0f, 1.0f, 1.0f}, Signal::Square,
                               {44100, FMOD_SPEAKERMODE_STEREO}, 2.0, 1.0);
    EXPECT_LT(result.inputPeak, 6.0);
    ASSERT_GE(result.tail.size(), 18u);
    EXPECT_GT(result.tail[17], 0.5 * result.tail[1]); // still there a second on
    EXPECT_LE(result.tail[17], result.tail[1]);       // and no louder
}

TEST(UnitStressFaults, ChorusAtFullFeedbackStaysBounded) {
    // All at maximum the three taps fed back built the square wave up 36 times.
    const Ranges& ranges = rangesOf(FMOD_DSP_TYPE_CHORUS);
    const auto result = render(FMOD_DSP_TYPE_CHORUS, ranges.maximum, Signal::Square,
                               {48000, FMOD_SPEAKERMODE_STEREO}, 2.0, 0.1);
    // Now each tap holds at most the input plus the loop's ceiling of twice full scale.
    EXPECT_LT(result.inputPeak, 10.0);
}

TEST(UnitStressFaults, WidestBandAtTheTopEdgeDiesAwayAtOnce) {
    // Five octaves around 22 kHz (0.45 of a 44.1 kHz rate) put a pole within 1e-6 of 1: the
    // tail stood at -62 dB, falling 0.4 dB a second.
    const auto result = render(FMOD_DSP_TYPE_PARAMEQ, {22000.0f, 5.0f, 3.0f}, Signal::Noise,
                               {44100, FMOD_SPEAKERMODE_STEREO}, 1.0, 0.5);
    ASSERT_GE(result.tail.size(), 8u);
    EXPECT_LT(*std::max_element(result.tail.begin() + 2, result.tail.end()), kSilence);
}

TEST(UnitStressFaults, ShortDullDecayAfterALongOneLetsTheTailDie) {
    // A long hall, loud, switched to 0.1 s decay at HF ratio 0.1 as the input ends: the loss
    // filters' pole landed on 1, and the late tail stood as a constant (2.3 at 44.1 kHz, 0.58
    // at 192 kHz) for ever.
    for (const int rate : {44100, 192000}) {
        auto values = rangesOf(FMOD_DSP_TYPE_SFXREVERB).defaults;
        values[1] = 0.0f;    // room
        values[8] = 2000.0f; // reverb
        values[4] = 20.0f;   // decay time
        const int lastBlock = static_cast<int>(1.0 * rate / kBlockFrames) - 1;
        const auto result =
            render(FMOD_DSP_TYPE_SFXREVERB, values, Signal::Noise, {rate, FMOD_SPEAKERMODE_STEREO},
                   1.0, 1.0, [&](FMOD_DSP dsp, int block, std::vector<float>&) {
                       if (block == lastBlock) {
                           FMOD_DSP_SetParameter(dsp, 4, 0.1f);
                           FMOD_DSP_SetParameter(dsp, 5, 0.1f);
                       }
                   });
        ASSERT_GE(result.tail.size(), 19u) << rate;
        EXPECT_GT(result.tail[0], 0.1) << rate;
        EXPECT_LT(result.tail[8], 1e-3) << rate;      // -60 dB well within 0.5 s
        EXPECT_LT(result.tail[18], kSilence) << rate; // and silent within a second
    }
}

// The arithmetic behind the fixes.

TEST(UnitStressFaults, StateVariableFormAnswersAsTheCookbook) {
    for (const double fs : {8000.0, 44100.0, 192000.0}) {
        for (const double hz : {20.0, 1000.0, 0.4 * fs}) {
            for (const double f : {10.0, 300.0, hz, 0.3 * fs, 0.48 * fs}) {
                const double q = resonanceToQ(7.0);
                EXPECT_NEAR(svfMagnitude(svfLowPass(hz, q, fs), f, fs),
                            biquadMagnitude(lowPassCoefficients(hz, q, fs), f, fs), 1e-6)
                    << fs << " " << hz << " " << f;
                EXPECT_NEAR(svfMagnitude(svfHighPass(hz, q, fs), f, fs),
                            biquadMagnitude(highPassCoefficients(hz, q, fs), f, fs), 1e-6);
                for (const double gain : {0.05, 3.0}) {
                    EXPECT_NEAR(svfMagnitude(svfPeaking(hz, 1.0, gain, fs), f, fs),
                                biquadMagnitude(peakingCoefficients(hz, 1.0, gain, fs), f, fs),
                                1e-6);
                }
            }
        }
    }
    // A flat band passes the input exactly: nothing of the band is mixed in.
    EXPECT_EQ(svfPeaking(1000.0, 1.0, 1.0, 44100.0).m1, 0.0);
    // Ordinary bands keep the cookbook's Q; only runaway warping near the top is held back.
    EXPECT_NEAR(peakingQ(1000.0, 1.0, 44100.0), 1.4142, 0.01);
    EXPECT_EQ(peakingQ(22000.0, 5.0, 44100.0), kLowestPeakingQ);
}

TEST(UnitStressFaults, SoftLimitIsExactBelowTheKneeAndNeverReachesTheCeiling) {
    for (const float v : {0.0f, 0.5f, -1.0f, 2.0f, -2.0f}) {
        EXPECT_EQ(softLimit(v, 2.0f, 4.0f), v);
    }
    float last = 2.0f;
    for (float v = 2.01f; v < 1e6f; v *= 1.5f) {
        const float limited = softLimit(v, 2.0f, 4.0f);
        EXPECT_GT(limited, last); // still rising
        EXPECT_LT(limited, 4.0f); // never at the ceiling
        EXPECT_LE(limited, v);    // never enlarging
        EXPECT_EQ(softLimit(-v, 2.0f, 4.0f), -limited);
        last = limited;
    }
    // The slope is continuous at the knee.
    EXPECT_NEAR((softLimit(2.001f, 2.0f, 4.0f) - 2.0f) / 0.001f, 1.0f, 0.01f);
}

} // namespace
