// Decoders: every supported format opens with the right shape, its length is exactly what a
// full decode delivers, seeks land on the exact sample, tags come out as UTF-8 under the
// names players ask for, and bad input answers a result code instead of crashing or hanging.
#include "FfmpegDecoder.h"
#include "FfmpegIo.h"
#include "Mpg123Decoder.h"
#include "OpenmptDecoder.h"
#include "decoder.h"
#include "decoder_support.h"
#include "test_media.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace soundlib;
namespace fs = std::filesystem;

namespace {

constexpr double kToneHz = 1000.0;
constexpr double kToneSeconds = 3.0;

struct FormatCase {
    std::string file;
    FMOD_SOUND_TYPE type;
    int rate;
    int sourceChannels;
    std::vector<std::string> extraArgs;
    // Largest sample difference allowed after a seek. Lossy decoders re-prime overlap and
    // noise generators, so they get room; a one-sample offset at 1 kHz still differs by 0.07.
    float seekTolerance;
    // Frames the length may differ from the tone's nominal length (encoder padding).
    int64_t lengthSlack;
};

std::ostream& operator<<(std::ostream& out, const FormatCase& c) {
    return out << c.file;
}

const std::vector<FormatCase>& formatCases() {
    static const std::vector<FormatCase> cases = {
        {"cbr.mp3", FMOD_SOUND_TYPE_MPEG, 44100, 2, {"-b:a", "128k"}, 2e-3f, 0},
        {"vbr.mp3", FMOD_SOUND_TYPE_MPEG, 44100, 2, {"-q:a", "2"}, 2e-3f, 0},
        {"low.mp3", FMOD_SOUND_TYPE_MPEG, 22050, 1, {"-b:a", "32k"}, 2e-3f, 0},
        {"tone.mp2", FMOD_SOUND_TYPE_MPEG, 48000, 2, {}, 2e-3f, 1152},
        {"tone.wav", FMOD_SOUND_TYPE_WAV, 44100, 2, {}, 1e-6f, 0},
        {"mono.wav", FMOD_SOUND_TYPE_WAV, 22050, 1, {}, 1e-6f, 0},
        {"wide.wav", FMOD_SOUND_TYPE_WAV, 48000, 6, {}, 1e-6f, 0},
        {"tone.aiff", FMOD_SOUND_TYPE_AIFF, 44100, 2, {}, 1e-6f, 0},
        {"tone.aifc", FMOD_SOUND_TYPE_AIFF, 44100, 2, {}, 1e-6f, 0},
        {"mono.aifc", FMOD_SOUND_TYPE_AIFF, 22050, 1, {}, 1e-6f, 0},
        {"tone.wma", FMOD_SOUND_TYPE_ASF, 44100, 2, {}, 2e-2f, 4096},
        {"tone.ogg", FMOD_SOUND_TYPE_OGGVORBIS, 44100, 2, {}, 2e-3f, 0},
        {"tone.flac", FMOD_SOUND_TYPE_FLAC, 48000, 2, {}, 1e-6f, 0},
        {"tone.raw", FMOD_SOUND_TYPE_RAW, 44100, 2, {}, 1e-6f, 0},
    };
    return cases;
}

// Each file is made once per run; several tests share it.
fs::path mediaFor(const FormatCase& c) {
    static std::map<std::string, fs::path> made;
    auto found = made.find(c.file);
    if (found == made.end())
        found = made.emplace(c.file, testmedia::makeTone(c.file, kToneHz, kToneSeconds, c.rate,
                                                         c.sourceChannels, c.extraArgs))
                    .first;
    return found->second;
}

std::unique_ptr<Decoder> openOk(const fs::path& path, const DecoderOptions& options = {}) {
    DecoderOpenResult opened = openDecoder(path.string(), options);
    EXPECT_EQ(opened.result, FMOD_OK) << path;
    EXPECT_EQ(opened.result == FMOD_OK, opened.decoder != nullptr);
    return std::move(opened.decoder);
}

FMOD_RESULT openResult(const fs::path& path, const DecoderOptions& options = {}) {
    DecoderOpenResult opened = openDecoder(path.string(), options);
    EXPECT_EQ(opened.result == FMOD_OK, opened.decoder != nullptr);
    return opened.result;
}

// Reads until read() answers 0, in uneven chunks so buffer edges get exercised. The cap
// turns a decoder that never ends into a failure instead of a hang.
std::vector<float> readAll(Decoder& decoder, size_t maxFrames = 10'000'000) {
    const size_t channels = static_cast<size_t>(decoder.channels());
    std::vector<float> out;
    size_t chunk = 1000;
    for (;;) {
        const size_t used = out.size();
        out.resize(used + chunk * channels);
        const size_t got = decoder.read(out.data() + used, chunk);
        out.resize(used + got * channels);
        if (got == 0 || out.size() / channels > maxFrames)
            break;
        chunk = chunk == 1000 ? 4097 : 1000;
    }
    return out;
}

std::vector<float> readFrames(Decoder& decoder, size_t frames) {
    std::vector<float> out(frames * static_cast<size_t>(decoder.channels()));
    size_t done = 0;
    while (done < frames) {
        const size_t got = decoder.read(out.data() + done * decoder.channels(), frames - done);
        if (got == 0)
            break;
        done += got;
    }
    out.resize(done * static_cast<size_t>(decoder.channels()));
    return out;
}

std::vector<float> channelOf(const std::vector<float>& interleaved, int channels, int channel,
                             size_t first, size_t count) {
    std::vector<float> out;
    const size_t frames = interleaved.size() / static_cast<size_t>(channels);
    for (size_t i = first; i < std::min(frames, first + count); ++i)
        out.push_back(interleaved[i * channels + channel]);
    return out;
}

// Largest difference between `got` and `reference` starting at frame `at` (+ `shift`).
float maxDifference(const std::vector<float>& got, const std::vector<float>& reference,
                    int channels, int64_t at) {
    float worst = 0;
    const int64_t frames = static_cast<int64_t>(got.size()) / channels;
    for (int64_t i = 0; i < frames; ++i) {
        const int64_t r = at + i;
        if (r < 0 || r * channels >= static_cast<int64_t>(reference.size()))
            return 1.0f;
        for (int c = 0; c < channels; ++c)
            worst = std::max(worst, std::abs(got[i * channels + c] - reference[r * channels + c]));
    }
    return worst;
}

// An MP3 with no tags at all (no ID3v2, no LAME text), for appending an ID3v1 block.
fs::path untaggedMp3(const std::string& name) {
    return testmedia::makeTone(name, kToneHz, 1.0, 44100, 2,
                               {"-map_metadata", "-1", "-id3v2_version", "0", "-write_id3v1", "0",
                                "-fflags", "+bitexact", "-flags:a", "+bitexact"});
}

void appendId3v1(const fs::path& path, const std::string& title, const std::string& artist,
                 const std::string& album) {
    std::string block(128, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, std::min<size_t>(30, title.size()), title.substr(0, 30));
    block.replace(33, std::min<size_t>(30, artist.size()), artist.substr(0, 30));
    block.replace(63, std::min<size_t>(30, album.size()), album.substr(0, 30));
    block[127] = static_cast<char>(255);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

const DecodedTag* findTag(const Decoder& decoder, const std::string& name) {
    for (const DecodedTag& tag : decoder.tags())
        if (tag.name == name)
            return &tag;
    return nullptr;
}

} // namespace

// ---- every FFmpeg format ----

class FormatDecodeTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDecodeTest, OpensWithSourceShapeAndDecodesTheTone) {
    const FormatCase& c = GetParam();
    const fs::path path = mediaFor(c);
    ASSERT_FALSE(path.empty()) << "ffmpeg could not make " << c.file;
    auto decoder = openOk(path);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->type(), c.type);
    EXPECT_EQ(decoder->sampleRate(), c.rate);
    EXPECT_EQ(decoder->sourceChannels(), c.sourceChannels);
    EXPECT_EQ(decoder->channels(), c.sourceChannels == 1 ? 1 : 2); // wider is mixed to stereo

    const std::vector<float> all = readAll(*decoder);
    const int channels = decoder->channels();
    const size_t rate = static_cast<size_t>(c.rate);
    for (int channel = 0; channel < channels; ++channel) {
        const auto second = channelOf(all, channels, channel, rate, rate);
        ASSERT_EQ(second.size(), rate);
        EXPECT_NEAR(testmedia::measureFrequency(second, c.rate), kToneHz, 1.0) << channel;
        EXPECT_GT(testmedia::rms(second), 0.1) << channel;
    }
    EXPECT_EQ(decoder->read(nullptr, 0), 0u);
}

TEST_P(FormatDecodeTest, LengthIsExactlyWhatAFullDecodeDelivers) {
    const FormatCase& c = GetParam();
    auto decoder = openOk(mediaFor(c));
    ASSERT_TRUE(decoder);
    const uint64_t length = decoder->lengthFrames();
    const auto all = readAll(*decoder);
    EXPECT_EQ(length, all.size() / decoder->channels());
    const int64_t nominal = std::llround(kToneSeconds * c.rate);
    EXPECT_LE(std::abs(static_cast<int64_t>(length) - nominal), c.lengthSlack);

    // The scan that accurate timing forces agrees with the header.
    DecoderOptions accurate;
    accurate.accurateTime = true;
    auto scanned = openOk(mediaFor(c), accurate);
    ASSERT_TRUE(scanned);
    EXPECT_EQ(scanned->lengthFrames(), length);
}

TEST_P(FormatDecodeTest, SeekDeliversTheSamplesAFullDecodeHasThere) {
    const FormatCase& c = GetParam();
    auto decoder = openOk(mediaFor(c));
    ASSERT_TRUE(decoder);
    const int channels = decoder->channels();
    const std::vector<float> reference = readAll(*decoder);
    const int64_t length = static_cast<int64_t>(reference.size()) / channels;
    ASSERT_GT(length, 20000);

    // Backwards after the end, far forward, near the end, a short hop ahead, and the start.
    for (const int64_t target : {length / 3 + 17, 2 * length / 3 + 1001, length - 3000, int64_t{0},
                                 int64_t{5000}, int64_t{5300}, length / 2}) {
        ASSERT_TRUE(decoder->seek(static_cast<uint64_t>(target))) << target;
        const auto got = readFrames(*decoder, 2048);
        ASSERT_EQ(static_cast<int64_t>(got.size()) / channels,
                  std::min<int64_t>(2048, length - target))
            << target;
        const float here = maxDifference(got, reference, channels, target);
        EXPECT_LE(here, c.seekTolerance) << "seek to " << target;
        // No offset hides inside the tolerance: a frame earlier or later matches worse.
        EXPECT_LT(here, maxDifference(got, reference, channels, target + 1)) << target;
        EXPECT_LT(here, maxDifference(got, reference, channels, target - 1)) << target;
    }

    // Past the end: nothing more to read, and the decoder still comes back to the start.
    ASSERT_TRUE(decoder->seek(static_cast<uint64_t>(length) + 10));
    float scratch[64];
    EXPECT_EQ(decoder->read(scratch, 32 / channels), 0u);
    ASSERT_TRUE(decoder->seek(0));
    const auto again = readAll(*decoder);
    EXPECT_EQ(again.size(), reference.size());
    EXPECT_LE(maxDifference(again, reference, channels, 0), c.seekTolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatDecodeTest, ::testing::ValuesIn(formatCases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             std::string name = info.param.file;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// ---- lengths that need a scan ----

TEST(DecoderLength, MpegWithoutEncoderHeaderIsCountedExactly) {
    const fs::path vbr = testmedia::makeTone("noxing.mp3", kToneHz, 2.0, 44100, 2,
                                             {"-q:a", "2", "-write_xing", "0"});
    const fs::path cbr = testmedia::makeTone("noxing_cbr.mp3", kToneHz, 2.0, 44100, 2,
                                             {"-b:a", "96k", "-write_xing", "0"});
    for (const fs::path& path : {vbr, cbr}) {
        for (const bool accurate : {false, true}) {
            DecoderOptions options;
            options.accurateTime = accurate;
            auto decoder = openOk(path, options);
            ASSERT_TRUE(decoder);
            const uint64_t length = decoder->lengthFrames();
            EXPECT_EQ(length, readAll(*decoder).size() / 2) << path << accurate;
            // Without the encoder's note of its delay the decoder keeps it: a little more.
            EXPECT_GE(length, 88200u);
            EXPECT_LE(length, 88200u + 3 * 1152u);
        }
    }
}

TEST(DecoderLength, TruncatedFilesOpenAndEndWhereTheDataEnds) {
    const fs::path wav = testmedia::makeTone("full.wav", kToneHz, 2.0);
    const fs::path mp3 = testmedia::makeTone("full.mp3", kToneHz, 2.0);
    const fs::path flac = testmedia::makeTone("full.flac", kToneHz, 2.0);
    for (const fs::path& source : {wav, mp3, flac}) {
        const fs::path cut = testmedia::makeTruncated("cut_" + source.filename().string(), source,
                                                      fs::file_size(source) / 2);
        auto decoder = openOk(cut);
        ASSERT_TRUE(decoder) << source;
        const size_t frames = readAll(*decoder).size() / decoder->channels();
        EXPECT_GT(frames, 20000u) << source;
        EXPECT_LT(frames, 70000u) << source;
        float scratch[256];
        EXPECT_EQ(decoder->read(scratch, 128), 0u) << source;
        if (source != flac) { // FLAC's header count cannot be checked without decoding
            EXPECT_EQ(decoder->lengthFrames(), frames) << source;
        }
        // Seeking within what is there still works after the early end.
        EXPECT_TRUE(decoder->seek(1000));
        EXPECT_EQ(decoder->read(scratch, 128), 128u) << source;
    }
}

TEST(DecoderSeek, LowBitrateMpegRefillsItsBitReservoirBeforeTheTarget) {
    // Noise at 8 kbit/s keeps the reservoir starved, so after a seek the decoder needs many
    // frames before its output is right again.
    const fs::path path = testmedia::mediaDir() / "starved.mp3";
    ASSERT_TRUE(testmedia::run("ffmpeg -v error -y -f lavfi -i anoisesrc=d=8:a=0.3:r=22050 "
                               "-ac 1 -c:a libmp3lame -b:a 8k " +
                               path.string()));
    auto decoder = openOk(path);
    ASSERT_TRUE(decoder);
    const auto reference = readAll(*decoder);
    ASSERT_EQ(reference.size(), decoder->lengthFrames());
    for (const int64_t target : {int64_t{30000}, int64_t{100003}, int64_t{150000}}) {
        ASSERT_TRUE(decoder->seek(static_cast<uint64_t>(target)));
        const auto got = readFrames(*decoder, 4000);
        ASSERT_EQ(got.size(), 4000u);
        EXPECT_LE(maxDifference(got, reference, 1, target), 1e-6f) << target;
    }
}

TEST(DecoderFormats, MpegWithCoverArtDecodesTheAudioStream) {
    const fs::path tone = testmedia::makeTone("plain.mp3", kToneHz, 1.0);
    const fs::path picture = testmedia::mediaDir() / "cover.png";
    const fs::path withArt = testmedia::mediaDir() / "cover.mp3";
    ASSERT_TRUE(testmedia::run("ffmpeg -v error -y -f lavfi -i testsrc=s=256x256 -frames:v 1 " +
                               picture.string()));
    ASSERT_TRUE(testmedia::run(
        "ffmpeg -v error -y -i " + tone.string() + " -i " + picture.string() +
        " -map 0 -map 1 -c copy -id3v2_version 3 -metadata title=Covered " + withArt.string()));
    auto plain = openOk(tone);
    auto decoder = openOk(withArt);
    ASSERT_TRUE(plain && decoder);
    EXPECT_EQ(decoder->lengthFrames(), plain->lengthFrames());
    EXPECT_EQ(readAll(*decoder), readAll(*plain));
    ASSERT_TRUE(findTag(*decoder, "TITLE"));
    EXPECT_EQ(findTag(*decoder, "TITLE")->value, "Covered");
}

// ---- MPEG audio through libmpg123 ----

// `path` opened by FFmpeg's decoder, as every MPEG file was before libmpg123 took them.
std::unique_ptr<Decoder> openThroughFfmpeg(const fs::path& path) {
    FMOD_RESULT access = FMOD_OK;
    DecoderOpenResult opened =
        FfmpegDecoder::open(FfmpegIo::openFile(path.string(), access), path.string(), {}, false);
    EXPECT_EQ(opened.result, FMOD_OK) << path;
    return std::move(opened.decoder);
}

TEST(DecoderMpeg, Mpg123AndFfmpegAgreeOnLengthSamplesSeeksAndTags) {
    const fs::path tagged = testmedia::mediaDir() / "agree.mp3";
    ASSERT_TRUE(testmedia::run(
        "ffmpeg -v error -y -i " + testmedia::makeTone("agree_src.wav", kToneHz, 1.0).string() +
        " -c:a libmp3lame -b:a 128k -metadata title=T -metadata artist=A -metadata album=B "
        "-metadata genre=Jazz -metadata track=3/9 -metadata date=2024 -metadata comment=C "
        "-metadata custom=X " +
        tagged.string()));
    const fs::path noXing = testmedia::makeTone("agree_noxing.mp3", kToneHz, 1.0, 44100, 2,
                                                {"-b:a", "96k", "-write_xing", "0"});
    const fs::path v1 = untaggedMp3("agree_v1.mp3");
    appendId3v1(v1, "\x93\xfa\x96\x7b", "b", "c");
    std::vector<fs::path> files = {tagged, noXing, v1};
    for (const FormatCase& c : formatCases())
        if (c.type == FMOD_SOUND_TYPE_MPEG)
            files.push_back(mediaFor(c));
    for (const fs::path& path : files) {
        auto mpeg = openOk(path);
        auto ffmpeg = openThroughFfmpeg(path);
        ASSERT_TRUE(mpeg && ffmpeg) << path;
        ASSERT_NE(dynamic_cast<Mpg123Decoder*>(mpeg.get()), nullptr) << path;
        EXPECT_EQ(mpeg->sampleRate(), ffmpeg->sampleRate()) << path;
        EXPECT_EQ(mpeg->channels(), ffmpeg->channels()) << path;
        EXPECT_EQ(mpeg->lengthFrames(), ffmpeg->lengthFrames()) << path;
        // Both synthesise in float; they round differently, far below anything heard.
        const auto ours = readAll(*mpeg);
        const auto theirs = readAll(*ffmpeg);
        ASSERT_EQ(ours.size(), theirs.size()) << path;
        EXPECT_LE(maxDifference(ours, theirs, mpeg->channels(), 0), 1e-4f) << path;
        ASSERT_TRUE(mpeg->seek(20011));
        EXPECT_LE(maxDifference(readFrames(*mpeg, 2000), theirs, mpeg->channels(), 20011), 1e-4f)
            << path;
        const auto listed = [](const Decoder& decoder) {
            std::vector<std::tuple<std::string, std::string, FMOD_TAGTYPE>> tags;
            for (const DecodedTag& tag : decoder.tags())
                tags.emplace_back(tag.name, tag.value, tag.kind);
            std::sort(tags.begin(), tags.end());
            return tags;
        };
        EXPECT_EQ(listed(*mpeg), listed(*ffmpeg)) << path;
    }
}

TEST(DecoderMpeg, Mpg123TakesOnlyFilesThatStartWithTwoFramesAndFfmpegTheRest) {
    const fs::path mp3 = mediaFor(formatCases()[0]); // an ID3v2 tag, then the frames
    std::ifstream in(mp3, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const uint64_t tag = id3v2TagLength(bytes);
    const std::vector<uint8_t> frames(bytes.begin() + static_cast<long>(tag), bytes.end());
    const auto with = [&](std::vector<uint8_t> head, const std::vector<uint8_t>& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return std::make_shared<const std::vector<uint8_t>>(std::move(head));
    };
    std::vector<uint8_t> oneFrameThenNoise(frames.begin(), frames.begin() + 417);
    oneFrameThenNoise.resize(5000, 0x55);
    const struct {
        const char* name;
        std::shared_ptr<const std::vector<uint8_t>> bytes;
        bool claimed;
    } cases[] = {
        {"tagged", with({}, bytes), true},
        {"bare", with({}, frames), true},
        {"after junk", with(std::vector<uint8_t>(700, 0x20), frames), false},
        {"one frame, then noise", with({}, oneFrameThenNoise), false},
        {"empty", with({}, {}), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Mpg123Decoder::claims(*FfmpegIo::fromMemory(c.bytes)), c.claimed) << c.name;

    // A file libmpg123 turns away still plays, through FFmpeg: all of it, the encoder's delay
    // kept since its note is not where it belongs.
    const fs::path junk = testmedia::mediaDir() / "junk_first.mp3";
    std::ofstream(junk, std::ios::binary)
        .write(reinterpret_cast<const char*>(cases[2].bytes->data()),
               static_cast<std::streamsize>(cases[2].bytes->size()));
    auto decoder = openOk(junk);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(dynamic_cast<Mpg123Decoder*>(decoder.get()), nullptr);
    EXPECT_EQ(decoder->type(), FMOD_SOUND_TYPE_MPEG);
    const size_t played = readAll(*decoder).size() / 2;
    EXPECT_EQ(played, decoder->lengthFrames());
    EXPECT_GE(played, openOk(mp3)->lengthFrames());
}

bool mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(library) != std::string::npos)
            return true;
    return false;
}

TEST(DecoderMpeg, PlayingMpegLoadsNeitherFfmpegNorCurl) {
    const fs::path mp3 = mediaFor(formatCases()[0]);
    // The child is this program started afresh, running only this test: nothing opened
    // FFmpeg before it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto decoder = openOk(mp3);
            const bool decoded = decoder && !readAll(*decoder).empty() && decoder->seek(1000);
            const bool light =
                !mapped("libavformat") && !mapped("libavcodec") && !mapped("libcurl");
            std::_Exit(decoded && light ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    // FFmpeg still opens on demand for what libmpg123 does not play.
    EXPECT_TRUE(openOk(mediaFor(formatCases()[11]))); // tone.ogg
}

// ---- VAG and raw PCM ----

TEST(DecoderFormats, VagIsMonoAdpcmWithExactLength) {
    const fs::path path = testmedia::makeVag("tone.vag", kToneHz, 2.0, 32000);
    ASSERT_FALSE(path.empty());
    auto decoder = openOk(path);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->type(), FMOD_SOUND_TYPE_VAG);
    EXPECT_EQ(decoder->sampleRate(), 32000);
    EXPECT_EQ(decoder->channels(), 1);
    const uint64_t length = decoder->lengthFrames();
    const auto all = readAll(*decoder);
    EXPECT_EQ(length, all.size());
    EXPECT_NEAR(static_cast<double>(length), 64000.0, 28.0);
    const std::vector<float> second(all.begin() + 16000, all.begin() + 48000);
    EXPECT_NEAR(testmedia::measureFrequency(second, 32000), kToneHz, 1.0);

    ASSERT_TRUE(decoder->seek(40000));
    const auto got = readFrames(*decoder, 1000);
    ASSERT_EQ(got.size(), 1000u);
    EXPECT_LE(maxDifference(got, all, 1, 40000), 1e-3f);
}

TEST(DecoderFormats, RawIsCdAudioByExtensionInAnyCase) {
    const fs::path made = testmedia::makeTone("lower.raw", 441.0, 1.0);
    ASSERT_FALSE(made.empty());
    const fs::path upper = made.parent_path() / "UPPER.RAW";
    fs::copy_file(made, upper, fs::copy_options::overwrite_existing);
    for (const fs::path& path : {made, upper}) {
        auto decoder = openOk(path);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->type(), FMOD_SOUND_TYPE_RAW);
        EXPECT_EQ(decoder->sampleRate(), 44100);
        EXPECT_EQ(decoder->channels(), 2);
        EXPECT_EQ(decoder->sourceFormat(), FMOD_SOUND_FORMAT_PCM16);
        EXPECT_EQ(decoder->sourceBits(), 16);
        EXPECT_EQ(decoder->lengthFrames(), fs::file_size(path) / 4);
        const auto all = readAll(*decoder);
        EXPECT_EQ(all.size() / 2, fs::file_size(path) / 4);
        EXPECT_NEAR(testmedia::measureFrequency(channelOf(all, 2, 1, 0, 44100), 44100), 441.0, 1.0);
    }
}

TEST(DecoderFormats, SourceFormatReportsPcmWidthAndCompressedAsSixteenBit) {
    const fs::path wav24 =
        testmedia::makeTone("deep.wav", kToneHz, 0.5, 44100, 2, {"-c:a", "pcm_s24le"});
    auto deep = openOk(wav24);
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->sourceFormat(), FMOD_SOUND_FORMAT_PCM24);
    EXPECT_EQ(deep->sourceBits(), 24);
    const fs::path wav8 =
        testmedia::makeTone("shallow.wav", kToneHz, 0.5, 44100, 1, {"-c:a", "pcm_u8"});
    auto shallow = openOk(wav8);
    ASSERT_TRUE(shallow);
    EXPECT_EQ(shallow->sourceFormat(), FMOD_SOUND_FORMAT_PCM8);
    EXPECT_EQ(shallow->sourceBits(), 8);
    auto mp3 = openOk(mediaFor(formatCases()[0]));
    ASSERT_TRUE(mp3);
    EXPECT_EQ(mp3->sourceFormat(), FMOD_SOUND_FORMAT_PCM16);
    EXPECT_EQ(mp3->sourceBits(), 16);
}

// ---- trackers ----

TEST(DecoderTrackers, TheProbeReadsWhatLibopenmptRecommends) {
    EXPECT_GE(OpenmptDecoder::kProbeBytes, openmpt_probe_file_header_get_recommended_size());
}

TEST(DecoderTrackers, ModulesRenderTheirLengthAndEnd) {
    const std::pair<fs::path, FMOD_SOUND_TYPE> modules[] = {
        {testmedia::makeMod("song.mod", 3.0), FMOD_SOUND_TYPE_MOD},
        {testmedia::makeXm("song.xm", 3.0), FMOD_SOUND_TYPE_XM},
        {testmedia::makeS3m("song.s3m", 3.0), FMOD_SOUND_TYPE_S3M},
        {testmedia::makeIt("song.it", 3.0), FMOD_SOUND_TYPE_IT},
    };
    for (const auto& [path, type] : modules) {
        ASSERT_FALSE(path.empty());
        auto decoder = openOk(path);
        ASSERT_TRUE(decoder) << path;
        EXPECT_EQ(decoder->type(), type);
        EXPECT_EQ(decoder->sampleRate(), 44100);
        EXPECT_EQ(decoder->channels(), 2);
        const uint64_t length = decoder->lengthFrames();
        EXPECT_NEAR(static_cast<double>(length), 3.0 * 44100, 0.15 * 44100) << path;
        const auto all = readAll(*decoder);
        EXPECT_EQ(all.size() / 2, length) << path;
        EXPECT_GT(testmedia::rms(channelOf(all, 2, 0, 22050, 44100)), 0.01) << path;
        float scratch[64];
        EXPECT_EQ(decoder->read(scratch, 32), 0u);

        // A seek lands where a full render is (libopenmpt re-renders from the row start).
        ASSERT_TRUE(decoder->seek(length / 2 + 123));
        const auto got = readFrames(*decoder, 4096);
        ASSERT_EQ(got.size(), 4096u * 2);
        EXPECT_LE(maxDifference(got, all, 2, static_cast<int64_t>(length / 2 + 123)), 0.02f)
            << path;
    }
}

TEST(DecoderTrackers, LoopingModuleKeepsPlayingPastItsLength) {
    DecoderOptions looping;
    looping.loop = true;
    for (const fs::path& path :
         {testmedia::makeMod("loop.mod", 1.0), testmedia::makeXm("loop.xm", 1.0),
          testmedia::makeS3m("loop.s3m", 1.0), testmedia::makeIt("loop.it", 1.0)}) {
        auto decoder = openOk(path, looping);
        ASSERT_TRUE(decoder) << path;
        const size_t length = static_cast<size_t>(decoder->lengthFrames());
        ASSERT_GT(length, 0u) << path;
        const auto all = readFrames(*decoder, length * 3);
        EXPECT_EQ(all.size(), length * 3 * 2) << path;
        // Still the note on the third time round, not silence after the end.
        EXPECT_GT(testmedia::rms(channelOf(all, 2, 0, length * 2 + length / 4, length / 2)), 0.01)
            << path;
    }
}

TEST(DecoderTrackers, ModuleIsFoundByContentUnderAnotherName) {
    const std::pair<fs::path, FMOD_SOUND_TYPE> modules[] = {
        {testmedia::makeMod("real.mod", 1.0), FMOD_SOUND_TYPE_MOD},
        {testmedia::makeXm("real.xm", 1.0), FMOD_SOUND_TYPE_XM},
        {testmedia::makeS3m("real.s3m", 1.0), FMOD_SOUND_TYPE_S3M},
        {testmedia::makeIt("real.it", 1.0), FMOD_SOUND_TYPE_IT},
    };
    for (const auto& [path, type] : modules) {
        for (const char* other : {"module.bin", "module"}) {
            const fs::path renamed = path.parent_path() / other;
            fs::copy_file(path, renamed, fs::copy_options::overwrite_existing);
            auto decoder = openOk(renamed);
            ASSERT_TRUE(decoder) << path;
            EXPECT_EQ(decoder->type(), type) << path << " as " << other;
            EXPECT_NEAR(static_cast<double>(decoder->lengthFrames()), 44100.0, 0.15 * 44100)
                << path << " as " << other;
        }
    }
}

TEST(DecoderTrackers, ModuleTypeComesFromItsContentNotAMisleadingExtension) {
    const std::tuple<fs::path, const char*, FMOD_SOUND_TYPE> misnamed[] = {
        {testmedia::makeIt("it_named.s3m", 1.0), "it_named.s3m", FMOD_SOUND_TYPE_IT},
        {testmedia::makeS3m("s3m_named.it", 1.0), "s3m_named.it", FMOD_SOUND_TYPE_S3M},
        {testmedia::makeXm("xm_named.mod", 1.0), "xm_named.mod", FMOD_SOUND_TYPE_XM},
        {testmedia::makeMod("mod_named.xm", 1.0), "mod_named.xm", FMOD_SOUND_TYPE_MOD},
    };
    for (const auto& [path, name, type] : misnamed) {
        ASSERT_FALSE(path.empty()) << name;
        auto decoder = openOk(path);
        ASSERT_TRUE(decoder) << name;
        EXPECT_EQ(decoder->type(), type) << name;
        EXPECT_GT(readAll(*decoder).size(), 40000u * 2) << name;
    }
}

// ---- zip archives ----

TEST(DecoderZip, FirstAudioMemberIsDecoded) {
    const fs::path text = testmedia::mediaDir() / "readme.txt";
    std::ofstream(text) << "not audio\n";
    const fs::path wav = testmedia::makeTone("member.wav", kToneHz, 1.0);
    const fs::path mp3 = mediaFor(formatCases()[0]);
    auto zipped = openOk(testmedia::makeZip("audio.zip", {text, wav, mp3}));
    ASSERT_TRUE(zipped);
    EXPECT_EQ(zipped->type(), FMOD_SOUND_TYPE_WAV);
    EXPECT_EQ(zipped->lengthFrames(), 44100u);
    const auto all = readAll(*zipped);
    EXPECT_EQ(all.size(), 44100u * 2);
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(all, 2, 0, 0, 44100), 44100), kToneHz, 1.0);

    // From memory, seeking and the MPEG length rules work as they do on disk.
    auto fromZip = openOk(testmedia::makeZip("mp3.zip", {mp3}));
    auto fromDisk = openOk(mp3);
    ASSERT_TRUE(fromZip && fromDisk);
    EXPECT_EQ(fromZip->type(), FMOD_SOUND_TYPE_MPEG);
    EXPECT_EQ(fromZip->lengthFrames(), fromDisk->lengthFrames());
    ASSERT_TRUE(fromZip->seek(50000) && fromDisk->seek(50000));
    EXPECT_EQ(readFrames(*fromZip, 1000), readFrames(*fromDisk, 1000));

    auto module = openOk(testmedia::makeZip("mod.zip", {text, testmedia::makeMod("z.mod", 1.0)}));
    ASSERT_TRUE(module);
    EXPECT_EQ(module->type(), FMOD_SOUND_TYPE_MOD);
}

TEST(DecoderZip, ArchiveWithoutAudioIsAFormatError) {
    const fs::path text = testmedia::mediaDir() / "notes.txt";
    std::ofstream(text) << "still not audio\n";
    const fs::path garbage = testmedia::makeGarbage("noise.mp3", 50000);
    EXPECT_EQ(openResult(testmedia::makeZip("text.zip", {text, garbage})), FMOD_ERR_FORMAT);
    EXPECT_EQ(openResult(testmedia::makeZip("empty.zip", {})), FMOD_ERR_FORMAT);
    EXPECT_EQ(openResult(testmedia::makeGarbage("broken.zip", 3000)), FMOD_ERR_FORMAT);
}

// ---- bad input ----

TEST(DecoderErrors, MissingUnreadableAndUnsupportedFilesAnswerResultCodes) {
    EXPECT_EQ(openResult(testmedia::mediaDir() / "nothing-here.mp3"), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(openResult(testmedia::mediaDir() / "no-folder" / "x.wav"), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(openResult(testmedia::mediaDir()), FMOD_ERR_FILE_BAD);

    // A named pipe would block a plain open() until someone writes to it.
    const fs::path pipe = testmedia::mediaDir() / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(openResult(pipe), FMOD_ERR_FORMAT);

    const fs::path empty = testmedia::mediaDir() / "empty.wav";
    std::ofstream{empty};
    EXPECT_EQ(openResult(empty), FMOD_ERR_FORMAT);

    // Garbage under every name a decoder might claim it by.
    for (const char* name : {"noise.mp3", "noise.bin", "noise.ogg", "noise.wav", "noise.flac",
                             "noise.wma", "noise.mod", "noise.xm", "noise.it", "noise.s3m"}) {
        EXPECT_EQ(openResult(testmedia::makeGarbage(name, 200000)), FMOD_ERR_FORMAT) << name;
    }
    // Something FFmpeg reads but this library does not play: a picture.
    const fs::path picture = testmedia::mediaDir() / "picture.png";
    ASSERT_TRUE(testmedia::run("ffmpeg -v error -y -f lavfi -i color=c=red:s=32x32 -frames:v 1 " +
                               picture.string()));
    EXPECT_EQ(openResult(picture), FMOD_ERR_FORMAT);
}

TEST(DecoderErrors, OpenErrorsMapToNotFoundOrBadFile) {
    EXPECT_EQ(resultForOpenError(ENOENT), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(resultForOpenError(ENOTDIR), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(resultForOpenError(EACCES), FMOD_ERR_FILE_BAD);
    EXPECT_EQ(resultForOpenError(EPERM), FMOD_ERR_FILE_BAD);
    EXPECT_EQ(resultForOpenError(EIO), FMOD_ERR_FILE_BAD);
}

TEST(DecoderErrors, UnreadableFileAnswersFileBad) {
    const fs::path locked = testmedia::makeTone("locked.wav", kToneHz, 0.2);
    fs::permissions(locked, fs::perms::none);
    if (std::ifstream(locked).good())
        GTEST_SKIP() << "running with rights that read any file";
    EXPECT_EQ(openResult(locked), FMOD_ERR_FILE_BAD);
}

// ---- tags ----

TEST(DecoderTags, TitleArtistAlbumRoundTripInEveryTaggedFormat) {
    struct TagCase {
        std::string file;
        // Unset: the kind is left open (an ID3v2 tag inside AIFF comes out as UNKNOWN so far).
        std::optional<FMOD_TAGTYPE> kind;
        std::string artistName;
    };
    const TagCase cases[] = {
        {"tags.mp3", FMOD_TAGTYPE_ID3V2, "ARTIST"},
        {"tags.ogg", FMOD_TAGTYPE_VORBISCOMMENT, "ARTIST"},
        {"tags.flac", FMOD_TAGTYPE_VORBISCOMMENT, "ARTIST"},
        {"tags.wma", FMOD_TAGTYPE_ASF, "AUTHOR"},
        {"tags.wav", FMOD_TAGTYPE_UNKNOWN, "ARTIST"},
        {"tags.mp2", FMOD_TAGTYPE_ID3V2, "ARTIST"},
        {"tags.aiff", std::nullopt, "ARTIST"},
        {"tags.aifc", std::nullopt, "ARTIST"},
    };
    const std::string title = "夜明けの歌 (Dawn)";
    for (const TagCase& c : cases) {
        const fs::path path =
            testmedia::makeTaggedTone(c.file, kToneHz, 0.5, title, "Sorvel Band", "First Album");
        ASSERT_FALSE(path.empty()) << c.file;
        auto decoder = openOk(path);
        ASSERT_TRUE(decoder) << c.file;
        const DecodedTag* titleTag = findTag(*decoder, "TITLE");
        const DecodedTag* artist = findTag(*decoder, c.artistName);
        const DecodedTag* album = findTag(*decoder, "ALBUM");
        ASSERT_TRUE(titleTag && artist && album) << c.file;
        EXPECT_EQ(titleTag->value, title) << c.file;
        EXPECT_EQ(artist->value, "Sorvel Band") << c.file;
        EXPECT_EQ(album->value, "First Album") << c.file;
        // A player picks the artist's name by the title's kind.
        if (c.kind) {
            EXPECT_EQ(titleTag->kind, *c.kind) << c.file;
        }
        EXPECT_EQ(artist->kind, titleTag->kind) << c.file;
    }
}

TEST(DecoderTags, Id3v1InCp932BecomesUtf8) {
    const fs::path path = untaggedMp3("v1.mp3");
    ASSERT_FALSE(path.empty());
    auto plain = openOk(path);
    ASSERT_TRUE(plain);
    const uint64_t length = plain->lengthFrames();
    plain.reset();
    // 日本語 / テスト in CP932, album in ASCII.
    appendId3v1(path, "\x93\xfa\x96\x7b\x8c\xea", "\x83\x65\x83\x58\x83\x67", "Album One");
    auto decoder = openOk(path);
    ASSERT_TRUE(decoder);
    const DecodedTag* title = findTag(*decoder, "TITLE");
    const DecodedTag* artist = findTag(*decoder, "ARTIST");
    const DecodedTag* album = findTag(*decoder, "ALBUM");
    ASSERT_TRUE(title && artist && album);
    EXPECT_EQ(title->value, "日本語");
    EXPECT_EQ(artist->value, "テスト");
    EXPECT_EQ(album->value, "Album One");
    EXPECT_EQ(title->kind, FMOD_TAGTYPE_ID3V1);
    // The tag is not audio.
    EXPECT_EQ(decoder->lengthFrames(), length);
    EXPECT_EQ(readAll(*decoder).size() / 2, length);

    // UTF-8 text in ID3v1 is kept as it is.
    const fs::path utf8 = untaggedMp3("v1utf8.mp3");
    appendId3v1(utf8, "Ünïcødé", "b", "c");
    auto kept = openOk(utf8);
    ASSERT_TRUE(kept);
    ASSERT_TRUE(findTag(*kept, "TITLE"));
    EXPECT_EQ(findTag(*kept, "TITLE")->value, "Ünïcødé");
}

TEST(DecoderTags, Id3v1FillsOnlyWhatId3v2LeftOut) {
    const fs::path path =
        testmedia::makeTaggedTone("both.mp3", kToneHz, 0.5, "V2 Title", "V2 Artist", "");
    ASSERT_FALSE(path.empty());
    appendId3v1(path, "V1 Title", "V1 Artist", "\x83\x41\x83\x8b\x83\x6f\x83\x80"); // アルバム
    auto decoder = openOk(path);
    ASSERT_TRUE(decoder);
    const DecodedTag* title = findTag(*decoder, "TITLE");
    const DecodedTag* album = findTag(*decoder, "ALBUM");
    ASSERT_TRUE(title && album);
    EXPECT_EQ(title->value, "V2 Title");
    EXPECT_EQ(title->kind, FMOD_TAGTYPE_ID3V2);
    EXPECT_EQ(album->value, "アルバム");
    EXPECT_EQ(album->kind, FMOD_TAGTYPE_ID3V1);
    int titles = 0;
    for (const DecodedTag& tag : decoder->tags())
        titles += tag.name == "TITLE";
    EXPECT_EQ(titles, 1);
}

// ---- shared arithmetic ----

TEST(DecoderSupport, ExtensionsAreLowerCasedAndOnlyFromTheName) {
    EXPECT_EQ(lowerExtension("/a/b/Song.MP3"), "mp3");
    EXPECT_EQ(lowerExtension("/a.dir/file"), "");
    EXPECT_EQ(lowerExtension(".hidden"), "");
    EXPECT_EQ(lowerExtension("x.tar.Zip"), "zip");
}

TEST(DecoderSupport, Id3v2LengthCountsHeaderBodyAndFooter) {
    const uint8_t plain[10] = {'I', 'D', '3', 4, 0, 0x00, 0, 0, 0x02, 0x01}; // 257 bytes
    EXPECT_EQ(id3v2TagLength(plain), 267u);
    const uint8_t footer[10] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 10};
    EXPECT_EQ(id3v2TagLength(footer), 30u);
    const uint8_t badSize[10] = {'I', 'D', '3', 4, 0, 0, 0x80, 0, 0, 0};
    EXPECT_EQ(id3v2TagLength(badSize), 0u);
    const uint8_t notTag[10] = {'T', 'A', 'G'};
    EXPECT_EQ(id3v2TagLength(notTag), 0u);
}

TEST(DecoderSupport, InfoFrameGivesFramesAndEncoderDelay) {
    // MPEG-1 layer III, 128 kbit/s, 44100 Hz, joint stereo: the tag follows 32 bytes of side
    // information.
    std::vector<uint8_t> frame(417, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = 0x64;
    size_t at = 36;
    const auto put = [&](std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes)
            frame[at++] = b;
    };
    put({'I', 'n', 'f', 'o', 0, 0, 0, 0x03}); // frames and bytes present
    put({0, 0, 0, 100});                      // 100 frames
    put({0, 0, 0xA3, 0x10});                  // 41744 bytes
    put({'L', 'A', 'M', 'E', '3', '.', '1', '0', '0'});
    at += 1 + 1 + 4 + 2 + 2 + 1 + 1;
    put({0x24, 0x04, 0x38}); // delay 576, padding 1080
    const auto info = parseMpegInfoFrame(frame);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->sampleRate, 44100);
    EXPECT_EQ(info->samplesPerFrame, 1152);
    EXPECT_EQ(info->frames, 100u);
    EXPECT_EQ(info->bytes, 41744u);
    EXPECT_TRUE(info->hasEncoderDelay);
    EXPECT_EQ(info->startPadding, 576);
    EXPECT_EQ(info->endPadding, 1080);
    // 115200 coded, minus 576 + 529 at the start and 1080 - 529 at the end.
    EXPECT_EQ(mpegOutputFrames(*info), 115200u - 1105u - 551u);
    EXPECT_TRUE(mpegInfoMatchesFile(*info, 41744));
    EXPECT_FALSE(mpegInfoMatchesFile(*info, 20000));          // cut off
    EXPECT_FALSE(mpegInfoMatchesFile(*info, 41744 * 2));      // two streams joined
    EXPECT_TRUE(mpegInfoMatchesFile(*info, 41744 + 128 + 5)); // a little trailing data

    MpegInfoFrame small = *info;
    small.endPadding = 100; // padding inside the decoder's delay trims nothing at the end
    EXPECT_EQ(mpegOutputFrames(small), 115200u - 1105u);
    small.hasEncoderDelay = false;
    EXPECT_EQ(mpegOutputFrames(small), 115200u);

    frame[36] = 'X'; // neither Xing nor Info
    EXPECT_FALSE(parseMpegInfoFrame(frame));
    frame[1] = 0xFD; // layer II never carries the tag
    EXPECT_FALSE(parseMpegInfoFrame(frame));
}

TEST(DecoderSupport, MpegFrameHeadersGiveStreamAndLength) {
    struct Case {
        uint8_t bytes[4];
        int version, layer, rate, length;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 3, 3, 44100, 417}, // MPEG-1 III 128k
        {{0xFF, 0xFB, 0x92, 0x64}, 3, 3, 44100, 418}, // padded
        {{0xFF, 0xF3, 0x40, 0xC4}, 2, 3, 22050, 104}, // MPEG-2 III 32k
        {{0xFF, 0xE3, 0x10, 0xC4}, 0, 3, 11025, 52},  // MPEG-2.5 III 8k
        {{0xFF, 0xFD, 0xA4, 0x04}, 3, 2, 48000, 576}, // MPEG-1 II 192k
        {{0xFF, 0xFF, 0xC0, 0x00}, 3, 1, 44100, 416}, // MPEG-1 I 384k
        {{0xFF, 0xFB, 0x00, 0x64}, 0, 0, 0, 0},       // free format
        {{0xFF, 0xFB, 0xF0, 0x64}, 0, 0, 0, 0},       // bad bit rate
        {{0xFF, 0xFB, 0x9C, 0x64}, 0, 0, 0, 0},       // reserved rate
        {{0xFF, 0xF9, 0x90, 0x64}, 0, 0, 0, 0},       // reserved layer
        {{'I', 'D', '3', 4}, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const MpegFrameHeader header = parseMpegFrameHeader(c.bytes);
        EXPECT_EQ(header.bytes, c.length) << c.length;
        if (c.length > 0) {
            EXPECT_EQ(header.version, c.version) << c.length;
            EXPECT_EQ(header.layer, c.layer) << c.length;
            EXPECT_EQ(header.sampleRate, c.rate) << c.length;
        }
    }
    const MpegFrameHeader first = parseMpegFrameHeader(cases[0].bytes);
    EXPECT_TRUE(sameMpegStream(first, parseMpegFrameHeader(cases[1].bytes)));
    EXPECT_FALSE(sameMpegStream(first, parseMpegFrameHeader(cases[2].bytes)));
    EXPECT_FALSE(sameMpegStream(first, parseMpegFrameHeader(cases[6].bytes)));
}

TEST(DecoderSupport, WmaFrameArithmetic) {
    EXPECT_EQ(wmaFrameLength(44100, false), 2048);
    EXPECT_EQ(wmaFrameLength(22050, false), 1024);
    EXPECT_EQ(wmaFrameLength(32000, true), 1024);
    EXPECT_EQ(wmaFrameLength(32000, false), 2048);
    EXPECT_EQ(wmaFrameLength(8000, false), 512);

    bool carried = false;
    EXPECT_EQ(wmaSuperframeFrames(0x05, false, carried), 1); // no reservoir: one frame each
    EXPECT_EQ(wmaSuperframeFrames(0x13, true, carried), 2);  // the first lacks a carried start
    EXPECT_TRUE(carried);
    EXPECT_EQ(wmaSuperframeFrames(0x23, true, carried), 3);
    carried = false;
    EXPECT_EQ(wmaSuperframeFrames(0x00, true, carried), 0); // rejected: the reservoir resets
    EXPECT_FALSE(carried);

    EXPECT_EQ(wmaOutputFrames(44, 2048), 43u * 2048u);
    EXPECT_EQ(wmaOutputFrames(1, 2048), 0u);
}

TEST(DecoderSupport, RoundingToMultiplesGoesToTheNearest) {
    EXPECT_EQ(roundToMultiple(1023, 2048), 0);
    EXPECT_EQ(roundToMultiple(1025, 2048), 2048);
    EXPECT_EQ(roundToMultiple(-1025, 2048), -2048);
    EXPECT_EQ(roundToMultiple(-3, 2048), 0);
    EXPECT_EQ(roundToMultiple(4096 + 22, 2048), 4096);
}

TEST(DecoderSupport, TagNamesAreUpperCaseWithTheArtistUnderItsFormatsName) {
    EXPECT_EQ(decoderTagName("title", false), "TITLE");
    EXPECT_EQ(decoderTagName("artist", false), "ARTIST");
    EXPECT_EQ(decoderTagName("author", false), "ARTIST");
    EXPECT_EQ(decoderTagName("artist", true), "AUTHOR");
    EXPECT_EQ(decoderTagName("album", true), "ALBUM");
    EXPECT_EQ(decoderTagName("WM/Year", true), "WM/YEAR");
}
