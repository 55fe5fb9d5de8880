// Float-to-stored-sample conversion: clipping, rounding and byte layout at the edges of each
// format, where off-by-one scaling and wrap-around faults hide.
#include "sample_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace soundlib;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The integer a stored sample holds, decoded independently of the code under test.
int64_t storedInt(FMOD_SOUND_FORMAT format, const uint8_t* p) {
    switch (format) {
    case FMOD_SOUND_FORMAT_PCM8:
        return int64_t(p[0]) - 128; // unsigned, 128 = silence
    case FMOD_SOUND_FORMAT_PCM16:
        return int16_t(uint16_t(p[0] | p[1] << 8));
    case FMOD_SOUND_FORMAT_PCM24: {
        int64_t v = p[0] | p[1] << 8 | p[2] << 16;
        return v >= 0x800000 ? v - 0x1000000 : v;
    }
    case FMOD_SOUND_FORMAT_PCM32:
        return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                       uint32_t(p[3]) << 24);
    default:
        ADD_FAILURE() << "not an integer format";
        return 0;
    }
}

std::vector<int64_t> convertToInts(FMOD_SOUND_FORMAT format, const std::vector<float>& in) {
    const size_t bytes = bytesPerSample(format);
    std::vector<uint8_t> out(in.size() * bytes);
    convertFromFloat(format, in.data(), in.size(), out.data());
    std::vector<int64_t> values;
    for (size_t i = 0; i < in.size(); ++i)
        values.push_back(storedInt(format, &out[i * bytes]));
    return values;
}

struct IntFormatCase {
    FMOD_SOUND_FORMAT format;
    int bits;
};

class IntegerConversion : public ::testing::TestWithParam<IntFormatCase> {
protected:
    double step() const { return std::ldexp(1.0, -(GetParam().bits - 1)); }
    int64_t maxInt() const { return (int64_t{1} << (GetParam().bits - 1)) - 1; }
    int64_t minInt() const { return -(int64_t{1} << (GetParam().bits - 1)); }
};

} // namespace

TEST(SampleConversion, BytesPerSampleCoversStoredFormatsOnly) {
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_PCM8), 1u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_PCM16), 2u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_PCM24), 3u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_PCM32), 4u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_PCMFLOAT), 4u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_NONE), 0u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_MPEG), 0u);
    EXPECT_EQ(bytesPerSample(FMOD_SOUND_FORMAT_IMAADPCM), 0u);
}

TEST_P(IntegerConversion, FullScaleAndBeyondClipToTheEnds) {
    const auto values =
        convertToInts(GetParam().format, {1.0f, -1.0f, 1.5f, -2.0f, 1e30f, -1e30f, kInf, -kInf});
    EXPECT_EQ(values[0], maxInt());
    EXPECT_EQ(values[1], minInt());
    EXPECT_EQ(values[2], maxInt());
    EXPECT_EQ(values[3], minInt());
    EXPECT_EQ(values[4], maxInt());
    EXPECT_EQ(values[5], minInt());
    EXPECT_EQ(values[6], maxInt());
    EXPECT_EQ(values[7], minInt());
}

TEST_P(IntegerConversion, TinyValuesRoundToNearestStep) {
    const float s = static_cast<float>(step());
    const auto values =
        convertToInts(GetParam().format, {0.0f, -0.0f, 0.4f * s, -0.4f * s, 0.6f * s, -0.6f * s,
                                          1.4f * s, 1.6f * s, 1e-30f, -1e-30f});
    const std::vector<int64_t> expected{0, 0, 0, 0, 1, -1, 1, 2, 0, 0};
    EXPECT_EQ(values, expected);
}

TEST_P(IntegerConversion, MidScaleValuesAreExact) {
    const auto values = convertToInts(GetParam().format, {0.5f, -0.5f, 0.25f, -0.75f});
    const int64_t half = -minInt() / 2;
    const std::vector<int64_t> expected{half, -half, half / 2, -3 * half / 2};
    EXPECT_EQ(values, expected);
}

TEST_P(IntegerConversion, NaNBecomesSilence) {
    EXPECT_EQ(convertToInts(GetParam().format, {kNaN, -kNaN}), (std::vector<int64_t>{0, 0}));
}

TEST_P(IntegerConversion, RampReadsBackWithinHalfAStep) {
    std::vector<float> ramp;
    for (int i = -1000; i <= 1000; ++i)
        ramp.push_back(static_cast<float>(i) / 1000.0f);
    const auto values = convertToInts(GetParam().format, ramp);
    const double largest = 1.0 - step(); // what +1.0 and anything just below it clip to
    for (size_t i = 0; i < ramp.size(); ++i) {
        const double back = static_cast<double>(values[i]) * step();
        ASSERT_NEAR(back, std::min<double>(ramp[i], largest), step() / 2 + 1e-12)
            << "sample " << ramp[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, IntegerConversion,
                         ::testing::Values(IntFormatCase{FMOD_SOUND_FORMAT_PCM8, 8},
                                           IntFormatCase{FMOD_SOUND_FORMAT_PCM16, 16},
                                           IntFormatCase{FMOD_SOUND_FORMAT_PCM24, 24},
                                           IntFormatCase{FMOD_SOUND_FORMAT_PCM32, 32}),
                         [](const auto& info) { return "Pcm" + std::to_string(info.param.bits); });

TEST(SampleConversion, StoresLittleEndianBytes) {
    const float in[] = {-1.0f, 1.0f};
    uint8_t pcm8[2], pcm16[4], pcm24[6], pcm32[8];
    convertFromFloat(FMOD_SOUND_FORMAT_PCM8, in, 2, pcm8);
    convertFromFloat(FMOD_SOUND_FORMAT_PCM16, in, 2, pcm16);
    convertFromFloat(FMOD_SOUND_FORMAT_PCM24, in, 2, pcm24);
    convertFromFloat(FMOD_SOUND_FORMAT_PCM32, in, 2, pcm32);
    EXPECT_EQ(std::vector<uint8_t>(pcm8, pcm8 + 2), (std::vector<uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(pcm16, pcm16 + 4),
              (std::vector<uint8_t>{0x00, 0x80, 0xFF, 0x7F}));
    EXPECT_EQ(std::vector<uint8_t>(pcm24, pcm24 + 6),
              (std::vector<uint8_t>{0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(std::vector<uint8_t>(pcm32, pcm32 + 8),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(SampleConversion, Pcm8SilenceIsTheMidpoint) {
    const float in[] = {0.0f, 0.5f, -0.5f};
    uint8_t out[3];
    convertFromFloat(FMOD_SOUND_FORMAT_PCM8, in, 3, out);
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[1], 192);
    EXPECT_EQ(out[2], 64);
}

TEST(SampleConversion, FloatClipsToFullScaleAndKeepsEverythingInside) {
    const std::vector<float> in{1.0f,  -1.0f, 1.5f,   -3.0f,      kInf,
                                -kInf, kNaN,  1e-30f, -0.123456f, 0.99999994f};
    const std::vector<float> expected{1.0f,  -1.0f, 1.0f,   -1.0f,      1.0f,
                                      -1.0f, 0.0f,  1e-30f, -0.123456f, 0.99999994f};
    std::vector<uint8_t> out(in.size() * 4);
    convertFromFloat(FMOD_SOUND_FORMAT_PCMFLOAT, in.data(), in.size(), out.data());
    for (size_t i = 0; i < in.size(); ++i) {
        const uint32_t bits = uint32_t(out[4 * i]) | uint32_t(out[4 * i + 1]) << 8 |
                              uint32_t(out[4 * i + 2]) << 16 | uint32_t(out[4 * i + 3]) << 24;
        float value;
        std::memcpy(&value, &bits, 4);
        EXPECT_EQ(value, expected[i]) << "input " << in[i];
    }
}

TEST(SampleConversion, WritesExactlyTheRequestedSamples) {
    const float in[] = {0.5f, 0.5f, 0.5f};
    std::vector<uint8_t> out(16, 0xAB);
    convertFromFloat(FMOD_SOUND_FORMAT_PCM24, in, 2, out.data());
    EXPECT_EQ(out[6], 0xAB) << "wrote past two 3-byte samples";
    convertFromFloat(FMOD_SOUND_FORMAT_MPEG, in, 3, out.data() + 8);
    EXPECT_EQ(out[8], 0xAB) << "an unknown format must not write";
}
