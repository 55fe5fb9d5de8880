// WAVE header layout and size limits: players reject files whose sizes or fields disagree.
#include "wav_header.h"

#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace soundlib;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}
bool idAt(const std::vector<uint8_t>& b, size_t at, const char* id) {
    return std::memcmp(&b[at], id, 4) == 0;
}

} // namespace

TEST(WavHeader, FormatForMapsMixerFormatsToTagsAndBits) {
    const auto pcm8 = wavFormatFor(FMOD_SOUND_FORMAT_PCM8, 22050, 1);
    ASSERT_TRUE(pcm8);
    EXPECT_EQ(pcm8->formatTag, 1);
    EXPECT_EQ(pcm8->bitsPerSample, 8);
    EXPECT_EQ(pcm8->blockAlign(), 1);
    const auto pcm24 = wavFormatFor(FMOD_SOUND_FORMAT_PCM24, 96000, 6);
    ASSERT_TRUE(pcm24);
    EXPECT_EQ(pcm24->formatTag, 1);
    EXPECT_EQ(pcm24->blockAlign(), 18);
    const auto flt = wavFormatFor(FMOD_SOUND_FORMAT_PCMFLOAT, 48000, 2);
    ASSERT_TRUE(flt);
    EXPECT_EQ(flt->formatTag, 3);
    EXPECT_EQ(flt->bitsPerSample, 32);
}

TEST(WavHeader, FormatForRejectsWhatAHeaderCannotHold) {
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_NONE, 48000, 2));
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_MPEG, 48000, 2));
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_PCM16, 0, 2));
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_PCM16, 48000, 0));
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_PCM32, 48000, 20000));  // blockAlign > 16 bits
    EXPECT_FALSE(wavFormatFor(FMOD_SOUND_FORMAT_PCM32, 2000000000, 8)); // byte rate > 32 bits
}

TEST(WavHeader, PcmHeaderIsTheCanonical44Bytes) {
    const WavFormat format{1, 2, 44100, 16};
    const auto h = makeWavHeader(format, 4000);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(wavHeaderSize(format), 44u);
    EXPECT_TRUE(idAt(h, 0, "RIFF"));
    EXPECT_EQ(le32(h, 4), 36u + 4000u);
    EXPECT_TRUE(idAt(h, 8, "WAVE"));
    EXPECT_TRUE(idAt(h, 12, "fmt "));
    EXPECT_EQ(le32(h, 16), 16u);
    EXPECT_EQ(le16(h, 20), 1);
    EXPECT_EQ(le16(h, 22), 2);
    EXPECT_EQ(le32(h, 24), 44100u);
    EXPECT_EQ(le32(h, 28), 44100u * 4);
    EXPECT_EQ(le16(h, 32), 4);
    EXPECT_EQ(le16(h, 34), 16);
    EXPECT_TRUE(idAt(h, 36, "data"));
    EXPECT_EQ(le32(h, 40), 4000u);
}

TEST(WavHeader, FloatHeaderCarriesCbSizeAndFrameCount) {
    const WavFormat format{3, 2, 48000, 32};
    const auto h = makeWavHeader(format, 800);
    ASSERT_EQ(h.size(), 58u);
    EXPECT_EQ(le32(h, 4), 50u + 800u);
    EXPECT_EQ(le32(h, 16), 18u);
    EXPECT_EQ(le16(h, 20), 3);
    EXPECT_EQ(le16(h, 36), 0); // cbSize
    EXPECT_TRUE(idAt(h, 38, "fact"));
    EXPECT_EQ(le32(h, 42), 4u);
    EXPECT_EQ(le32(h, 46), 100u); // 800 bytes / 8 per frame
    EXPECT_TRUE(idAt(h, 50, "data"));
    EXPECT_EQ(le32(h, 54), 800u);
}

TEST(WavHeader, OddDataCountsThePadByteInTheRiffSize) {
    const WavFormat format{1, 1, 8000, 8};
    const auto h = makeWavHeader(format, 5);
    EXPECT_EQ(le32(h, 4), 36u + 5u + 1u);
    EXPECT_EQ(le32(h, 40), 5u);
}

TEST(WavHeader, LargestDataKeepsWholeFramesAndA32BitRiffSize) {
    for (const WavFormat format : {WavFormat{1, 2, 44100, 16}, WavFormat{1, 1, 44100, 24},
                                   WavFormat{3, 6, 48000, 32}, WavFormat{1, 1, 8000, 8}}) {
        const uint32_t max = maxWavDataBytes(format);
        EXPECT_EQ(max % format.blockAlign(), 0u);
        const uint64_t riff = wavHeaderSize(format) - 8 + uint64_t(max) + (max & 1u);
        EXPECT_LE(riff, std::numeric_limits<uint32_t>::max());
        // At most a frame and the pad byte are left unused.
        EXPECT_GT(riff + format.blockAlign() + 1, std::numeric_limits<uint32_t>::max());
        EXPECT_EQ(le32(makeWavHeader(format, max), 4), riff);
    }
}
