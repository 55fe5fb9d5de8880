// The test-media helpers are the yardstick for every other test: a wrong frequency meter or a
// lenient WAV reader would let real faults through, so they are pinned here against signals and
// files built by hand.
#include "test_media.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>
#include <zip.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using namespace testmedia;

namespace {

std::vector<float> sine(double hz, int rate, double seconds, double amplitude = 0.5,
                        double phase = 0.0) {
    std::vector<float> out(static_cast<size_t>(std::lround(seconds * rate)));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] =
            float(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate + phase));
    return out;
}

std::vector<uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

// ---- hand-made WAV files ----

void le16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void le32(std::vector<uint8_t>& out, uint32_t v) {
    le16(out, v & 0xFFFF);
    le16(out, v >> 16);
}
void chunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
    out.insert(out.end(), id, id + 4);
    le32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1)
        out.push_back(0);
}
std::vector<uint8_t> fmtBody(unsigned tag, unsigned channels, uint32_t rate, unsigned bits) {
    std::vector<uint8_t> body;
    le16(body, tag);
    le16(body, channels);
    le32(body, rate);
    le32(body, rate * channels * bits / 8);
    le16(body, channels * bits / 8);
    le16(body, bits);
    return body;
}
std::vector<uint8_t> riff(const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    le32(out, uint32_t(chunks.size() + 4));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}
fs::path writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = mediaDir() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
std::vector<uint8_t> wav16(const std::vector<int16_t>& samples, unsigned channels,
                           uint32_t rate = 8000) {
    std::vector<uint8_t> data;
    for (int16_t s : samples)
        le16(data, uint16_t(s));
    std::vector<uint8_t> chunks;
    chunk(chunks, "fmt ", fmtBody(1, channels, rate, 16));
    chunk(chunks, "data", data);
    return riff(chunks);
}

// ---- reference PS-ADPCM decoder, written from the format's filter table ----

std::vector<float> decodeVagBody(const std::vector<uint8_t>& body, int* endFlags, int* lastFlag) {
    static const int c0[5] = {0, 60, 115, 98, 122};
    static const int c1[5] = {0, 0, -52, -55, -60};
    std::vector<float> out;
    int h1 = 0, h2 = 0;
    *endFlags = 0;
    for (size_t at = 0; at + 16 <= body.size(); at += 16) {
        const int predictor = body[at] >> 4, shift = body[at] & 15;
        if (body[at + 1] & 1)
            ++*endFlags;
        *lastFlag = body[at + 1];
        for (int i = 0; i < 28; ++i) {
            const int byte = body[at + 2 + i / 2];
            int nibble = (i & 1) ? byte >> 4 : byte & 15;
            if (nibble >= 8)
                nibble -= 16;
            int s =
                ((nibble << 12) >> shift) + ((h1 * c0[predictor] + h2 * c1[predictor] + 32) >> 6);
            s = std::clamp(s, -32768, 32767);
            h2 = h1;
            h1 = s;
            out.push_back(float(s / 32768.0));
        }
    }
    return out;
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Where each chunk's body starts in an AIFF or AIFC file, by chunk id.
std::map<std::string, size_t> aiffChunks(const std::vector<uint8_t>& bytes) {
    std::map<std::string, size_t> chunks;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = be32(bytes, at + 4);
        chunks.emplace(std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4), at + 8);
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// ---- FFmpeg probe of a generated file ----

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

FormatPtr probe(const fs::path& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return nullptr;
    FormatPtr context(raw);
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return nullptr;
    return context;
}

std::string tag(AVFormatContext* context, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(context->metadata, key, nullptr, 0);
    for (unsigned i = 0; !entry && i < context->nb_streams; ++i)
        entry = av_dict_get(context->streams[i]->metadata, key, nullptr, 0);
    return entry ? entry->value : "";
}

struct RenderedModule {
    double reportedSeconds = 0;
    std::string type, title, warnings;
    std::string log; // what libopenmpt said while loading
    int channels = 0;
    std::vector<float> mono;
};

// Renders a module to the end; the frame cap keeps a looping module from hanging the test.
RenderedModule renderModule(const fs::path& path, int rate) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream log;
    openmpt::module module(in, log);
    RenderedModule rendered;
    rendered.reportedSeconds = module.get_duration_seconds();
    rendered.type = module.get_metadata("type");
    rendered.title = module.get_metadata("title");
    rendered.warnings = module.get_metadata("warnings");
    rendered.log = log.str();
    rendered.channels = module.get_num_channels();
    std::vector<float>& mono = rendered.mono;
    std::vector<float> block(4096);
    const size_t cap = size_t(rate) * 1200;
    while (mono.size() < cap) {
        const size_t got = module.read(rate, block.size(), block.data());
        if (got == 0)
            break;
        mono.insert(mono.end(), block.begin(), block.begin() + long(got));
    }
    return rendered;
}

} // namespace

// ---- measurement ----

// Clean synthetic tones come out far better than the promised tenth of a hertz; the margin is
// what real decoder output (dither, codec noise) eats.
TEST(TestMediaMeasureFrequency, FindsSteadyTonesWithinAHundredthOfAHertz) {
    for (int rate : {22050, 44100, 48000}) {
        for (double hz : {55.0, 440.0, 997.3, 1000.0, 4321.7, 9000.0}) {
            for (double phase : {0.0, 1.1}) {
                EXPECT_NEAR(measureFrequency(sine(hz, rate, 1.0, 0.5, phase), rate), hz, 0.01)
                    << rate << " Hz rate, phase " << phase;
            }
        }
    }
}

TEST(TestMediaMeasureFrequency, IgnoresNoiseDcOffsetAndWeakerTones) {
    const int rate = 44100;
    std::vector<float> mixed = sine(1234.5, rate, 1.0, 0.4);
    const std::vector<float> weaker = sine(3000.0, rate, 1.0, 0.1);
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> noise(-0.02f, 0.02f);
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] += weaker[i] + noise(generator) + 0.2f;
    EXPECT_NEAR(measureFrequency(mixed, rate), 1234.5, 0.1);
}

TEST(TestMediaMeasureFrequency, AnswersZeroForSilenceOrTooLittleInput) {
    EXPECT_EQ(measureFrequency({}, 44100), 0.0);
    EXPECT_EQ(measureFrequency(std::vector<float>(4, 0.5f), 44100), 0.0);
    EXPECT_EQ(measureFrequency(std::vector<float>(44100, 0.0f), 44100), 0.0);
}

TEST(TestMediaLevels, RmsAndPeakOfASine) {
    const auto tone = sine(1000.0, 48000, 1.0, 0.5);
    EXPECT_NEAR(rms(tone), 0.5 / std::sqrt(2.0), 1e-3);
    EXPECT_NEAR(peak(tone), 0.5, 1e-3);
    EXPECT_EQ(rms({}), 0.0);
    EXPECT_EQ(peak({-0.75f, 0.25f}), 0.75);
}

TEST(TestMediaSpuriousLevel, PureToneIsFarBelowAnyFaultWeLookFor) {
    EXPECT_LT(spuriousLevelDb(sine(1000.0, 44100, 1.0), 44100, 1000.0), -110.0);
    // Short pieces still have a usable floor.
    EXPECT_LT(spuriousLevelDb(sine(1000.0, 44100, 0.25), 44100, 1000.0), -90.0);
}

TEST(TestMediaSpuriousLevel, MeasuresAHarmonicAndAnAliasAtTheirTrueLevel) {
    const int rate = 44100;
    auto tone = sine(1000.0, rate, 1.0, 0.5);
    const auto harmonic = sine(3000.0, rate, 1.0, 0.005); // -40 dB
    const auto alias = sine(17000.0, rate, 1.0, 0.05);    // -20 dB
    auto withHarmonic = tone;
    for (size_t i = 0; i < tone.size(); ++i)
        withHarmonic[i] += harmonic[i];
    EXPECT_NEAR(spuriousLevelDb(withHarmonic, rate, 1000.0), -40.0, 0.5);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] += alias[i];
    EXPECT_NEAR(spuriousLevelDb(tone, rate, 1000.0), -20.0, 0.5);
}

TEST(TestMediaSpuriousLevel, SilenceOrTheWrongToneIsNeverClean) {
    EXPECT_TRUE(std::isinf(spuriousLevelDb(std::vector<float>(44100, 0.0f), 44100, 1000.0)));
    EXPECT_GT(spuriousLevelDb(sine(2000.0, 44100, 1.0), 44100, 1000.0), 60.0);
}

// ---- readWav ----

TEST(TestMediaReadWav, ReadsHandWrittenPcm16WithExtraChunks) {
    std::vector<uint8_t> data;
    for (int16_t s : {int16_t(0), int16_t(16384), int16_t(-32768), int16_t(32767)})
        le16(data, uint16_t(s));
    std::vector<uint8_t> chunks;
    chunk(chunks, "LIST", {'I', 'N', 'F', 'O', 'x'}); // odd size: padded
    chunk(chunks, "fmt ", fmtBody(1, 2, 22050, 16));
    chunk(chunks, "data", data);
    const WavData wav = readWav(writeFile("hand16.wav", riff(chunks)));
    EXPECT_EQ(wav.sampleRate, 22050);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.formatTag, 1);
    ASSERT_EQ(wav.frames(), 2u);
    EXPECT_EQ(wav.samples, (std::vector<float>{0.0f, 0.5f, -1.0f, 32767.0f / 32768.0f}));
    EXPECT_EQ(channelOf(wav, 1), (std::vector<float>{0.5f, 32767.0f / 32768.0f}));
    EXPECT_EQ(channelOf(wav, 0, 1), (std::vector<float>{-1.0f}));
    EXPECT_TRUE(channelOf(wav, 2).empty());
}

TEST(TestMediaReadWav, ScalesEveryDepthAndFloat) {
    struct Case {
        unsigned tag, bits;
        std::vector<uint8_t> data;
        std::vector<float> expected;
    };
    float half = 0.5f, minusQuarter = -0.25f;
    std::vector<uint8_t> floats(8);
    std::memcpy(&floats[0], &half, 4);
    std::memcpy(&floats[4], &minusQuarter, 4);
    const std::vector<Case> cases = {
        {1, 8, {128, 192, 0, 255}, {0.0f, 0.5f, -1.0f, 127.0f / 128.0f}},
        {1, 24, {0x00, 0x00, 0x40, 0x00, 0x00, 0x80}, {0.5f, -1.0f}},
        {1, 32, {0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x20}, {-0.5f, 0.25f}},
        {3, 32, floats, {0.5f, -0.25f}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmtBody(c.tag, 1, 44100, c.bits));
        chunk(chunks, "data", c.data);
        const WavData wav = readWav(writeFile("depth.wav", riff(chunks)));
        EXPECT_EQ(wav.bitsPerSample, int(c.bits));
        EXPECT_EQ(wav.samples, c.expected) << c.bits << " bits, tag " << c.tag;
    }
}

TEST(TestMediaReadWav, TakesTheSubFormatOfAnExtensibleHeader) {
    std::vector<uint8_t> format = fmtBody(0xFFFE, 1, 48000, 24);
    le16(format, 22);                   // extension size
    le16(format, 24);                   // valid bits
    le32(format, 4);                    // channel mask
    le16(format, 1);                    // sub-format: PCM
    format.insert(format.end(), 14, 0); // rest of the GUID
    std::vector<uint8_t> chunks;
    chunk(chunks, "fmt ", format);
    chunk(chunks, "data", {0x00, 0x00, 0x40});
    const WavData wav = readWav(writeFile("extensible.wav", riff(chunks)));
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.samples, std::vector<float>{0.5f});
}

TEST(TestMediaReadWav, RejectsBrokenHeadersAndSizes) {
    const std::vector<uint8_t> good = wav16({1, 2, 3, 4}, 2);
    ASSERT_NO_THROW(readWav(writeFile("good.wav", good)));

    std::map<std::string, std::vector<uint8_t>> bad;
    bad["empty"] = {};
    bad["not riff"] = good;
    bad["not riff"][0] = 'X';
    bad["not wave"] = good;
    bad["not wave"][8] = 'X';
    bad["riff size too big"] = good;
    bad["riff size too big"][4] += 2;
    bad["truncated data"] = std::vector<uint8_t>(good.begin(), good.end() - 2);
    bad["trailing bytes"] = good;
    bad["trailing bytes"].push_back(0);
    {
        auto chunks = std::vector<uint8_t>(good.begin() + 12, good.end());
        // data chunk claims more than there is, RIFF size kept consistent with the file
        chunks[chunks.size() - 8 - 4] = 12;
        bad["data size past end"] = riff(chunks);
    }
    {
        std::vector<uint8_t> chunks;
        chunk(chunks, "data", {0, 0, 0, 0});
        bad["no format"] = riff(chunks);
    }
    {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmtBody(1, 2, 8000, 16));
        bad["no data"] = riff(chunks);
    }
    {
        auto format = fmtBody(1, 2, 8000, 16);
        format[12] = 3; // block align
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", format);
        chunk(chunks, "data", {0, 0, 0, 0});
        bad["block align"] = riff(chunks);
    }
    {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmtBody(1, 1, 8000, 12));
        chunk(chunks, "data", {0, 0});
        bad["12 bits"] = riff(chunks);
    }
    {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmtBody(2, 1, 8000, 16)); // ADPCM
        chunk(chunks, "data", {0, 0});
        bad["compressed"] = riff(chunks);
    }
    {
        std::vector<uint8_t> chunks;
        chunk(chunks, "fmt ", fmtBody(1, 2, 8000, 16));
        chunk(chunks, "data", {0, 0, 0}); // not whole frames
        bad["partial frame"] = riff(chunks);
    }
    for (const auto& [name, bytes] : bad)
        EXPECT_THROW(readWav(writeFile("bad.wav", bytes)), std::runtime_error) << name;
    EXPECT_THROW(readWav(mediaDir() / "missing.wav"), std::runtime_error);
}

// ---- ffmpeg tones ----

TEST(TestMediaTone, WavToneHasTheAskedFrequencyLevelAndLength) {
    const fs::path path = makeTone("tone.wav", 1000.0, 1.5, 48000, 2, {}, 0.25);
    ASSERT_FALSE(path.empty());
    const WavData wav = readWav(path);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.frames(), 72000u);
    EXPECT_EQ(fs::file_size(path), 44u + 72000u * 4u); // others cut files at known offsets
    const auto left = channelOf(wav, 0);
    EXPECT_NEAR(measureFrequency(left, 48000), 1000.0, 0.1);
    EXPECT_NEAR(peak(left), 0.25, 0.01);
    EXPECT_EQ(channelOf(wav, 1), left);
    EXPECT_LT(spuriousLevelDb(left, 48000, 1000.0), -60.0);
}

TEST(TestMediaTone, EachExtensionGivesItsCodec) {
    const std::map<std::string, AVCodecID> codecs = {
        {"mp3", AV_CODEC_ID_MP3},       {"mp2", AV_CODEC_ID_MP2},
        {"wav", AV_CODEC_ID_PCM_S16LE}, {"aiff", AV_CODEC_ID_PCM_S16BE},
        {"wma", AV_CODEC_ID_WMAV2},     {"ogg", AV_CODEC_ID_VORBIS},
        {"flac", AV_CODEC_ID_FLAC},     {"aifc", AV_CODEC_ID_PCM_S16LE},
    };
    for (const auto& [ext, codec] : codecs) {
        const fs::path path = makeTone("codec." + ext, 440.0, 2.0, 44100, 1);
        ASSERT_FALSE(path.empty()) << ext;
        const FormatPtr context = probe(path);
        ASSERT_TRUE(context) << ext;
        ASSERT_GE(context->nb_streams, 1u);
        const AVCodecParameters* stream = context->streams[0]->codecpar;
        EXPECT_EQ(stream->codec_id, codec) << ext;
        EXPECT_EQ(stream->sample_rate, 44100) << ext;
        EXPECT_EQ(stream->ch_layout.nb_channels, 1) << ext;
        EXPECT_NEAR(double(context->duration) / AV_TIME_BASE, 2.0, 0.1) << ext;
    }
}

TEST(TestMediaVideo, EachExtensionGivesItsCodecsSizeAndLength) {
    const std::map<std::string, std::pair<AVCodecID, AVCodecID>> codecs = {
        {"avi", {AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3}},
        {"wmv", {AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2}},
        {"mpg", {AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2}},
        {"ogm", {AV_CODEC_ID_THEORA, AV_CODEC_ID_VORBIS}},
    };
    for (const auto& [ext, pair] : codecs) {
        const fs::path path = makeVideo("clip." + ext, 1.0, 160, 120);
        ASSERT_FALSE(path.empty()) << ext;
        const FormatPtr context = probe(path);
        ASSERT_TRUE(context) << ext;
        std::map<AVMediaType, const AVCodecParameters*> streams;
        for (unsigned i = 0; i < context->nb_streams; ++i)
            streams[context->streams[i]->codecpar->codec_type] = context->streams[i]->codecpar;
        ASSERT_EQ(streams.size(), 2u) << ext;
        EXPECT_EQ(streams[AVMEDIA_TYPE_VIDEO]->codec_id, pair.first) << ext;
        EXPECT_EQ(streams[AVMEDIA_TYPE_VIDEO]->width, 160) << ext;
        EXPECT_EQ(streams[AVMEDIA_TYPE_VIDEO]->height, 120) << ext;
        EXPECT_EQ(streams[AVMEDIA_TYPE_AUDIO]->codec_id, pair.second) << ext;
        EXPECT_NEAR(double(context->duration) / AV_TIME_BASE, 1.0, 0.15) << ext;
    }
    EXPECT_TRUE(makeVideo("clip.mkv", 1.0).empty());
}

TEST(TestMediaTone, AifcIsTheCompressedAiffFormWithItsCompressionType) {
    const fs::path path = makeTone("form.aifc", 440.0, 0.5, 44100, 2);
    ASSERT_FALSE(path.empty());
    const auto bytes = fileBytes(path);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FORM");
    EXPECT_EQ(be32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "AIFC");
    const auto chunks = aiffChunks(bytes);
    ASSERT_TRUE(chunks.count("FVER")); // the compressed form's version chunk is required
    ASSERT_TRUE(chunks.count("COMM") && chunks.count("SSND"));
    const size_t common = chunks.at("COMM");
    ASSERT_GE(be32(bytes, common - 4), 22u); // a compressed form's common chunk is longer
    EXPECT_EQ(std::string(bytes.begin() + long(common) + 18, bytes.begin() + long(common) + 22),
              "sowt");
    EXPECT_EQ(be32(bytes, chunks.at("SSND") - 4), 8u + 22050u * 4u); // offset, block size, data

    // The plain form stays plain.
    const auto plain = fileBytes(makeTone("form.aiff", 440.0, 0.5, 44100, 2));
    ASSERT_GE(plain.size(), 12u);
    EXPECT_EQ(std::string(plain.begin() + 8, plain.begin() + 12), "AIFF");
}

TEST(TestMediaTone, RawIsAlwaysCdFormatPcm) {
    const fs::path path = makeTone("tone.raw", 440.0, 1.0, 22050, 1);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::file_size(path), 44100u * 2 * 2);
}

TEST(TestMediaTone, TaggedToneCarriesTitleArtistAlbum) {
    for (const std::string ext : {"mp3", "ogg", "flac", "mp2", "aiff", "aifc"}) {
        const fs::path path =
            makeTaggedTone("tagged." + ext, 440.0, 1.0, "夜の曲", "Artist Name", "アルバム");
        ASSERT_FALSE(path.empty()) << ext;
        const FormatPtr context = probe(path);
        ASSERT_TRUE(context) << ext;
        EXPECT_EQ(tag(context.get(), "title"), "夜の曲") << ext;
        EXPECT_EQ(tag(context.get(), "artist"), "Artist Name") << ext;
        EXPECT_EQ(tag(context.get(), "album"), "アルバム") << ext;
    }
}

TEST(TestMediaTone, Mp2AndAiffCarryTheirTagsAsId3v2) {
    const fs::path mp2 = makeTaggedTone("id3.mp2", 440.0, 1.0, "Title", "Artist", "Album");
    ASSERT_FALSE(mp2.empty());
    const auto stream = fileBytes(mp2);
    ASSERT_GE(stream.size(), 10u);
    EXPECT_EQ(std::string(stream.begin(), stream.begin() + 3), "ID3");
    const FormatPtr context = probe(mp2);
    ASSERT_TRUE(context);
    EXPECT_EQ(context->streams[0]->codecpar->codec_id, AV_CODEC_ID_MP2); // still layer II
    EXPECT_NEAR(double(context->duration) / AV_TIME_BASE, 1.0, 0.1);

    const fs::path aiff = makeTaggedTone("id3.aiff", 440.0, 1.0, "Title", "Artist", "Album");
    ASSERT_FALSE(aiff.empty());
    const auto chunks = aiffChunks(fileBytes(aiff));
    EXPECT_TRUE(chunks.count("ID3 "));
}

TEST(TestMediaTone, FailedEncodeAnswersEmptyPath) {
    EXPECT_TRUE(makeTone("zero.wav", 440.0, 0.0).empty());
    EXPECT_TRUE(makeTone("bad.mp3", 440.0, 1.0, 44100, 2, {"-b:a", "not-a-rate"}).empty());
}

// ---- trackers ----

namespace {

struct TrackerCase {
    std::string type; // as libopenmpt names it
    fs::path (*make)(const std::string&, double);
    int rate;                    // rendered at
    std::vector<double> seconds; // one short, one spanning several orders
    double hz;
};

std::ostream& operator<<(std::ostream& out, const TrackerCase& c) {
    return out << c.type;
}

class TestMediaTrackers : public ::testing::TestWithParam<TrackerCase> {};

} // namespace

TEST_P(TestMediaTrackers, PlaysASteadyNoteForTheAskedTimeThenEnds) {
    const TrackerCase& c = GetParam();
    for (double seconds : c.seconds) {
        SCOPED_TRACE(seconds);
        const fs::path path = c.make("tone" + std::to_string(int(seconds)) + "." + c.type, seconds);
        ASSERT_FALSE(path.empty());
        const RenderedModule module = renderModule(path, c.rate);
        EXPECT_EQ(module.type, c.type);
        EXPECT_EQ(module.channels, 4);
        EXPECT_NEAR(module.reportedSeconds, seconds, 0.15);
        const auto& mono = module.mono;
        EXPECT_NEAR(double(mono.size()) / c.rate, seconds, 0.15);
        ASSERT_GE(mono.size(), size_t(2 * c.rate));
        const auto start = std::vector<float>(mono.begin(), mono.begin() + c.rate);
        const auto end = std::vector<float>(mono.end() - 2 * c.rate, mono.end() - c.rate);
        EXPECT_NEAR(measureFrequency(start, c.rate), c.hz, 0.5);
        EXPECT_NEAR(measureFrequency(end, c.rate), c.hz, 0.5);
        EXPECT_GT(rms(end), 0.05);
    }
}

// A writer that gets a field wrong still often plays; libopenmpt's load warnings and the song
// name it reads back catch that.
TEST_P(TestMediaTrackers, LoadsWithoutWarningsAndWithItsSongName) {
    const TrackerCase& c = GetParam();
    const fs::path path = c.make("named." + c.type, 1.0);
    ASSERT_FALSE(path.empty());
    const RenderedModule module = renderModule(path, c.rate);
    EXPECT_EQ(module.title, kTrackerSongName);
    EXPECT_EQ(module.warnings, "");
    EXPECT_EQ(module.log, "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TestMediaTrackers,
    ::testing::Values(TrackerCase{"mod", &makeMod, 44100, {3.0, 20.0}, kModToneHz},
                      TrackerCase{"xm", &makeXm, 48000, {2.0, 70.0}, kTrackerToneHz},
                      TrackerCase{"s3m", &makeS3m, 44100, {3.0, 40.0}, kTrackerToneHz},
                      TrackerCase{"it", &makeIt, 48000, {2.0, 70.0}, kTrackerToneHz}),
    [](const ::testing::TestParamInfo<TrackerCase>& info) { return info.param.type; });

// ---- VAG ----

TEST(TestMediaVag, HeaderIsBigEndianAndBlocksEndWithTheEndFlag) {
    const fs::path path = makeVag("tone.vag", 1000.0, 1.0, 22050);
    ASSERT_FALSE(path.empty());
    const auto bytes = fileBytes(path);
    ASSERT_GE(bytes.size(), 64u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "VAGp");
    EXPECT_EQ(be32(bytes, 12), bytes.size() - 48);
    EXPECT_EQ(be32(bytes, 16), 22050u);
    EXPECT_EQ((bytes.size() - 48) % 16, 0u);
    EXPECT_EQ((bytes.size() - 48) / 16, (22050u + 27) / 28);

    int endFlags = 0, lastFlag = 0;
    decodeVagBody(std::vector<uint8_t>(bytes.begin() + 48, bytes.end()), &endFlags, &lastFlag);
    EXPECT_EQ(endFlags, 1);
    EXPECT_EQ(lastFlag, 1);
}

TEST(TestMediaVag, DecodesToTheTone) {
    const fs::path path = makeVag("tone44.vag", 440.0, 1.0);
    ASSERT_FALSE(path.empty());
    const auto bytes = fileBytes(path);
    int endFlags = 0, lastFlag = 0;
    const auto pcm =
        decodeVagBody(std::vector<uint8_t>(bytes.begin() + 48, bytes.end()), &endFlags, &lastFlag);
    ASSERT_GE(pcm.size(), 44100u);
    const std::vector<float> second(pcm.begin(), pcm.begin() + 44100);
    EXPECT_NEAR(measureFrequency(second, 44100), 440.0, 0.1);
    EXPECT_NEAR(peak(second), 0.5, 0.03);
    EXPECT_LT(spuriousLevelDb(second, 44100, 440.0), -30.0);
}

// ---- archives and damaged files ----

TEST(TestMediaFiles, ZipHoldsMembersByNameWithTheirBytes) {
    const fs::path tone = makeTone("member.wav", 440.0, 0.5);
    const fs::path text = mediaDir() / "readme.txt";
    std::ofstream(text) << "not audio";
    const fs::path path = makeZip("bundle.zip", {text, tone});
    ASSERT_FALSE(path.empty());

    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(path.c_str(), ZIP_RDONLY, &error), &zip_discard);
    ASSERT_TRUE(archive);
    ASSERT_EQ(zip_get_num_entries(archive.get(), 0), 2);
    EXPECT_STREQ(zip_get_name(archive.get(), 0, 0), "readme.txt");
    EXPECT_STREQ(zip_get_name(archive.get(), 1, 0), "member.wav");
    zip_stat_t stat;
    ASSERT_EQ(zip_stat_index(archive.get(), 1, 0, &stat), 0);
    std::vector<uint8_t> inside(stat.size);
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> member(zip_fopen_index(archive.get(), 1, 0),
                                                              &zip_fclose);
    ASSERT_TRUE(member);
    ASSERT_EQ(zip_fread(member.get(), inside.data(), inside.size()), zip_int64_t(inside.size()));
    EXPECT_EQ(inside, fileBytes(tone));

    const fs::path empty = makeZip("empty.zip", {});
    ASSERT_FALSE(empty.empty());
    std::unique_ptr<zip_t, decltype(&zip_discard)> none(zip_open(empty.c_str(), ZIP_RDONLY, &error),
                                                        &zip_discard);
    ASSERT_TRUE(none);
    EXPECT_EQ(zip_get_num_entries(none.get(), 0), 0);
    EXPECT_TRUE(makeZip("broken.zip", {mediaDir() / "no-such-file"}).empty());
}

TEST(TestMediaFiles, GarbageAndTruncatedFilesHaveTheAskedBytes) {
    const fs::path garbage = makeGarbage("noise.mp3", 5000);
    ASSERT_FALSE(garbage.empty());
    const auto bytes = fileBytes(garbage);
    EXPECT_EQ(bytes.size(), 5000u);
    EXPECT_EQ(fileBytes(makeGarbage("noise.mp3", 5000)), bytes); // same name, same bytes
    EXPECT_NE(fileBytes(makeGarbage("other.mp3", 5000)), bytes);

    const fs::path cut = makeTruncated("cut.mp3", garbage, 1234);
    EXPECT_EQ(fileBytes(cut), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1234));
    EXPECT_EQ(fs::file_size(makeTruncated("whole.mp3", garbage, 99999)), 5000u);
    EXPECT_TRUE(makeTruncated("none.mp3", mediaDir() / "no-such-file", 10).empty());
}

TEST(TestMediaFiles, MediaDirIsOnePrivateFolderPerRun) {
    const fs::path dir = mediaDir();
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_EQ(mediaDir(), dir);
    EXPECT_NE(dir.filename().string().find("sorvel-media-"), std::string::npos);
}
