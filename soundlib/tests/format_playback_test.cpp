// Every supported file format, opened through the flat calls and played to its end through the
// non-real-time wave writer; and the resamplers measured on a converted tone.
#include "playback_fixture.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>

using namespace playbacktest;
using testmedia::channelOf;

namespace {

struct FormatCase {
    std::string name;
    // Made when the case runs, so listing or filtering the tests encodes nothing.
    std::function<std::filesystem::path()> make;
    FMOD_MODE mode;
    FMOD_SOUND_TYPE type;
    double frequency; // of the steady tone
    double seconds;   // of the tone
    double tolerance; // frames of difference allowed between length and what sounded
};

std::ostream& operator<<(std::ostream& out, const FormatCase& c) {
    return out << c.name;
}

std::vector<FormatCase> formatCases() {
    using testmedia::kModToneHz;
    using testmedia::kTrackerToneHz;
    using testmedia::makeTone;
    // Two seconds of 1 kHz in the format the name's extension picks.
    const auto tone = [](std::string file) { return [file] { return makeTone(file, 1000, 2.0); }; };
    // Three seconds of a tracker's note.
    const auto module = [](auto* make, std::string file) {
        return [make, file] { return make(file, 3.0); };
    };
    return {
        {"wav", tone("f.wav"), 0x48, FMOD_SOUND_TYPE_WAV, 1000, 2.0, 2},
        {"aiff", tone("f.aiff"), 0x48, FMOD_SOUND_TYPE_AIFF, 1000, 2.0, 2},
        {"aifc", tone("f.aifc"), 0x48, FMOD_SOUND_TYPE_AIFF, 1000, 2.0, 2},
        {"flac", tone("f.flac"), 0x48, FMOD_SOUND_TYPE_FLAC, 1000, 2.0, 2},
        {"raw", tone("f.raw"), 0x48, FMOD_SOUND_TYPE_RAW, 1000, 2.0, 2},
        {"ogg", tone("f.ogg"), 0x48, FMOD_SOUND_TYPE_OGGVORBIS, 1000, 2.0, 64},
        {"mp3", tone("f.mp3"), 0x48, FMOD_SOUND_TYPE_MPEG, 1000, 2.0, 64},
        {"mp3_vbr_no_xing",
         [] {
             return makeTone("fvbr.mp3", 1000, 2.0, 44100, 2, {"-q:a", "2", "-write_xing", "0"});
         },
         0x4049, FMOD_SOUND_TYPE_MPEG, 1000, 2.0, 1200},
        {"mp2", tone("f.mp2"), 0x48, FMOD_SOUND_TYPE_MPEG, 1000, 2.0, 1200},
        {"wma", tone("f.wma"), 0x48, FMOD_SOUND_TYPE_ASF, 1000, 2.0, 2048},
        {"vag", [] { return testmedia::makeVag("f.vag", 1000, 2.0); }, 0x48, FMOD_SOUND_TYPE_VAG,
         1000, 2.0, 28},
        {"mod", module(&testmedia::makeMod, "f.mod"), 0x4049, FMOD_SOUND_TYPE_MOD, kModToneHz, 3.0,
         4096},
        {"xm", module(&testmedia::makeXm, "f.xm"), 0x4049, FMOD_SOUND_TYPE_XM, kTrackerToneHz, 3.0,
         4096},
        {"s3m", module(&testmedia::makeS3m, "f.s3m"), 0x4049, FMOD_SOUND_TYPE_S3M, kTrackerToneHz,
         3.0, 4096},
        {"it", module(&testmedia::makeIt, "f.it"), 0x4049, FMOD_SOUND_TYPE_IT, kTrackerToneHz, 3.0,
         4096},
        {"zip", [] { return testmedia::makeZip("f.zip", {makeTone("fzip.wav", 1000, 2.0)}); }, 0x48,
         FMOD_SOUND_TYPE_WAV, 1000, 2.0, 2},
    };
}

class FormatPlayback : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatPlayback, PlaysToItsExactLengthAtItsPitchThenStops) {
    const FormatCase& c = GetParam();
    const std::filesystem::path file = c.make();
    ASSERT_FALSE(file.empty()) << "could not make the " << c.name << " file";
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(file, c.mode);
    ASSERT_NE(sound, 0u);
    FMOD_SOUND_TYPE type = FMOD_SOUND_TYPE_UNKNOWN;
    EXPECT_EQ(FMOD_Sound_GetFormat(sound, &type, nullptr, nullptr, nullptr), FMOD_OK);
    EXPECT_EQ(type, c.type);
    unsigned int lengthPcm = 0, lengthMs = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthPcm, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthMs, FMOD_TIMEUNIT_MS), FMOD_OK);
    float rate = 0;
    EXPECT_EQ(FMOD_Sound_GetDefaults(sound, &rate, nullptr, nullptr, nullptr), FMOD_OK);
    ASSERT_GT(rate, 0.0f);
    EXPECT_EQ(lengthMs,
              static_cast<unsigned int>(uint64_t{lengthPcm} * 1000 / static_cast<uint64_t>(rate)));
    EXPECT_NEAR(lengthMs, c.seconds * 1000.0, 60.0);
    const FMOD_CHANNEL channel = render.play(sound);
    render.renderToEnd(channel);
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();
    // What sounded ends where the length said it would.
    const double expected = static_cast<double>(lengthPcm) * 44100.0 / rate;
    EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), expected, c.tolerance);
    const auto second = channelOf(wav, 0, 8192, 44100);
    EXPECT_NEAR(testmedia::measureFrequency(second, 44100), c.frequency, 1.0);
    EXPECT_GT(testmedia::rms(second), 0.01);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatPlayback, ::testing::ValuesIn(formatCases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             return info.param.name;
                         });

TEST(FormatPlayback, TagsComeOutUnderCommonNamesAsText) {
    struct TagCase {
        std::string file;
        std::string artistName;
        // Unset: the kind is left open (an ID3v2 tag inside AIFF comes out as UNKNOWN so far).
        std::optional<FMOD_TAGTYPE> kind;
    };
    const std::vector<TagCase> cases = {
        {"t.mp3", "ARTIST", FMOD_TAGTYPE_ID3V2},
        {"t.ogg", "ARTIST", FMOD_TAGTYPE_VORBISCOMMENT},
        {"t.flac", "ARTIST", FMOD_TAGTYPE_VORBISCOMMENT},
        {"t.wma", "AUTHOR", FMOD_TAGTYPE_ASF},
        {"t.mp2", "ARTIST", FMOD_TAGTYPE_ID3V2},
        {"t.aiff", "ARTIST", std::nullopt},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.file);
        const auto path =
            testmedia::makeTaggedTone(c.file, 440, 0.5, "曲名 Title", "Artist 歌手", "Album");
        RenderedSystem render;
        const FMOD_SOUND sound = render.open(path);
        int count = 0, updated = 0;
        EXPECT_EQ(FMOD_Sound_GetNumTags(sound, &count, &updated), FMOD_OK);
        EXPECT_GE(count, 3);
        EXPECT_EQ(updated, count);

        FMOD_TAG tag{};
        ASSERT_EQ(FMOD_Sound_GetTag(sound, "TITLE", -1, &tag), FMOD_OK);
        if (c.kind) {
            EXPECT_EQ(tag.type, *c.kind);
        }
        const FMOD_TAGTYPE titleKind = tag.type;
        EXPECT_EQ(tag.datatype, FMOD_TAGDATATYPE_STRING);
        EXPECT_STREQ(static_cast<const char*>(tag.data), "曲名 Title");
        EXPECT_EQ(tag.datalen, std::strlen("曲名 Title") + 1);
        // Handed out once as new: asking for the next new TITLE finds none.
        EXPECT_EQ(FMOD_Sound_GetTag(sound, "TITLE", -1, &tag), FMOD_ERR_TAGNOTFOUND);
        EXPECT_EQ(FMOD_Sound_GetTag(sound, "TITLE", 0, &tag), FMOD_OK);

        ASSERT_EQ(FMOD_Sound_GetTag(sound, c.artistName.c_str(), -1, &tag), FMOD_OK);
        EXPECT_STREQ(static_cast<const char*>(tag.data), "Artist 歌手");
        EXPECT_EQ(tag.type, titleKind); // a player picks the artist's name by the title's kind
        ASSERT_EQ(FMOD_Sound_GetTag(sound, "ALBUM", -1, &tag), FMOD_OK);
        EXPECT_STREQ(static_cast<const char*>(tag.data), "Album");
        EXPECT_EQ(FMOD_Sound_GetNumTags(sound, &count, &updated), FMOD_OK);
        EXPECT_EQ(updated, count - 3);
        EXPECT_EQ(FMOD_Sound_GetTag(sound, "NOSUCHTAG", 0, &tag), FMOD_ERR_TAGNOTFOUND);
    }
}

// A module has no tag block: its song name is its title, and it names no artist.
TEST(FormatPlayback, AnEmbeddedCoverComesOutAsAPictureTagOfItsBytes) {
    const std::filesystem::path picture = testmedia::mediaDir() / "cover-source.png";
    ASSERT_TRUE(testmedia::run("ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i "
                               "color=c=red:s=8x8 -frames:v 1 " +
                               picture.string()));
    std::ifstream in(picture, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (const char* name : {"covered.mp3", "covered.flac", "uncovered.mp3"}) {
        SCOPED_TRACE(name);
        const bool covered = std::string(name).starts_with("covered");
        std::filesystem::path path = testmedia::makeTaggedTone(std::string("plain-") + name, 440,
                                                               0.5, "Title", "Artist", "Album");
        if (covered) {
            path = testmedia::withCoverPicture(path, picture, name);
            ASSERT_FALSE(path.empty());
        }
        RenderedSystem render;
        const FMOD_SOUND sound = render.open(path);
        FMOD_TAG tag{};
        if (covered) {
            ASSERT_EQ(FMOD_Sound_GetTag(sound, "PICTURE", 0, &tag), FMOD_OK);
            EXPECT_EQ(tag.datatype, FMOD_TAGDATATYPE_BINARY);
            EXPECT_EQ(std::string(static_cast<const char*>(tag.data), tag.datalen), bytes);
        } else {
            EXPECT_EQ(FMOD_Sound_GetTag(sound, "PICTURE", 0, &tag), FMOD_ERR_TAGNOTFOUND);
        }
        // The text tags are there as before.
        ASSERT_EQ(FMOD_Sound_GetTag(sound, "TITLE", 0, &tag), FMOD_OK);
        EXPECT_STREQ(static_cast<const char*>(tag.data), "Title");
    }
}

TEST(FormatPlayback, ModulesReportTheirSongNameAsTitle) {
    const std::pair<std::string, std::filesystem::path> modules[] = {
        {"mod", testmedia::makeMod("title.mod", 1.0)},
        {"xm", testmedia::makeXm("title.xm", 1.0)},
        {"s3m", testmedia::makeS3m("title.s3m", 1.0)},
        {"it", testmedia::makeIt("title.it", 1.0)},
    };
    for (const auto& [name, path] : modules) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(path.empty());
        RenderedSystem render;
        const FMOD_SOUND sound = render.open(path, 0x4049);
        ASSERT_NE(sound, 0u);
        FMOD_TAG tag{};
        ASSERT_EQ(FMOD_Sound_GetTag(sound, "TITLE", -1, &tag), FMOD_OK);
        EXPECT_STREQ(tag.name, "TITLE");
        EXPECT_EQ(tag.datatype, FMOD_TAGDATATYPE_STRING);
        EXPECT_STREQ(static_cast<const char*>(tag.data), testmedia::kTrackerSongName);
        EXPECT_EQ(tag.datalen, std::strlen(testmedia::kTrackerSongName) + 1);
        ASSERT_EQ(FMOD_Sound_GetTag(sound, "TITLE", 0, &tag), FMOD_OK);
        EXPECT_STREQ(static_cast<const char*>(tag.data), testmedia::kTrackerSongName);
        EXPECT_EQ(FMOD_Sound_GetTag(sound, "TITLE", 1, &tag), FMOD_ERR_TAGNOTFOUND);
        EXPECT_EQ(FMOD_Sound_GetTag(sound, "ARTIST", 0, &tag), FMOD_ERR_TAGNOTFOUND);
    }
}

TEST(OutputFormats, EverySampleFormatIsWrittenAtItsDepth) {
    const auto path = writeRamp("formats_ramp.wav", 4096);
    const std::vector<std::pair<FMOD_SOUND_FORMAT, int>> formats = {
        {FMOD_SOUND_FORMAT_PCM8, 8},
        {FMOD_SOUND_FORMAT_PCM16, 16},
        {FMOD_SOUND_FORMAT_PCM24, 24},
        {FMOD_SOUND_FORMAT_PCM32, 32},
        {FMOD_SOUND_FORMAT_PCMFLOAT, 32}};
    for (const auto& [format, bits] : formats) {
        SCOPED_TRACE(bits);
        RenderSettings settings;
        settings.format = format;
        RenderedSystem render(settings);
        const FMOD_CHANNEL channel = render.play(render.open(path));
        render.renderToEnd(channel);
        const auto wav = render.finish();
        EXPECT_EQ(wav.bitsPerSample, bits);
        EXPECT_EQ(wav.formatTag, format == FMOD_SOUND_FORMAT_PCMFLOAT ? 3 : 1);
        const double step = format == FMOD_SOUND_FORMAT_PCM8 ? 1.0 / 128 : 1.0 / 32768;
        for (size_t i = 0; i < 4096; i += 97) {
            EXPECT_NEAR(wav.samples[i * 2], rampValue(i) / 32768.0, step) << i;
        }
    }
}

TEST(OutputFormats, SpeakerModesSetTheWrittenChannelCount) {
    const auto path = testmedia::makeTone("speakers.wav", 1000, 0.3);
    const std::vector<std::pair<FMOD_SPEAKERMODE, int>> modes = {
        {FMOD_SPEAKERMODE_MONO, 1},    {FMOD_SPEAKERMODE_STEREO, 2},
        {FMOD_SPEAKERMODE_QUAD, 4},    {FMOD_SPEAKERMODE_5POINT1, 6},
        {FMOD_SPEAKERMODE_7POINT1, 8}, {FMOD_SPEAKERMODE_PROLOGIC, 2}};
    for (const auto& [mode, channels] : modes) {
        SCOPED_TRACE(mode);
        RenderSettings settings;
        settings.speakerMode = mode;
        RenderedSystem render(settings);
        const FMOD_CHANNEL channel = render.play(render.open(path));
        render.renderToEnd(channel);
        const auto wav = render.finish();
        EXPECT_EQ(wav.channels, channels);
        // The music is in the front pair (or the one speaker); the rest stay silent.
        EXPECT_NEAR(testmedia::peak(channelOf(wav, 0, 1000, 8000)), channels == 1 ? 0.5 : 0.5,
                    0.02);
        for (int extra = 2; extra < channels; ++extra) {
            EXPECT_EQ(testmedia::peak(channelOf(wav, extra)), 0.0);
        }
    }
}

// The mixer's interpolators at a step of 22050/48000: a 48 kHz file played at a frequency of
// 22050 Hz on a 48 kHz output, its tone made so that it sounds at 1 kHz. The tone stays put and
// the images the interpolator leaves stay below each method's figure. (A file at another rate
// than the output is converted before the mixer, so the frequency is what makes the step.)
TEST(Resamplers, EachKeepsAToneInPlaceWithBoundedImages) {
    constexpr double kStep = 22050.0 / 48000.0;
    const auto path =
        testmedia::makeTone("resample.wav", 1000 / kStep, 1.5 * kStep, 48000, 1, {}, 0.5);
    const std::vector<std::pair<FMOD_DSP_RESAMPLER, double>> limits = {
        {FMOD_DSP_RESAMPLER_NOINTERP, -20.0},
        {FMOD_DSP_RESAMPLER_LINEAR, -45.0},
        {FMOD_DSP_RESAMPLER_CUBIC, -60.0},
        {FMOD_DSP_RESAMPLER_SPLINE, -70.0},
    };
    double previous = 0.0;
    for (const auto& [method, limit] : limits) {
        SCOPED_TRACE(method);
        RenderSettings settings;
        settings.sampleRate = 48000;
        settings.resampler = method;
        RenderedSystem render(settings);
        const FMOD_CHANNEL channel = render.play(render.open(path), true);
        ASSERT_EQ(FMOD_Channel_SetFrequency(channel, 22050.0f), FMOD_OK);
        ASSERT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
        render.renderToEnd(channel);
        const auto wav = render.finish();
        const auto left = channelOf(wav, 0, 4800, 48000);
        EXPECT_NEAR(testmedia::measureFrequency(left, 48000), 1000.0, 0.2);
        const double spurious = testmedia::spuriousLevelDb(left, 48000, 1000.0);
        RecordProperty("spurious_db_" + std::to_string(method), std::to_string(spurious));
        std::printf("resampler %d: images %.1f dB\n", method, spurious);
        EXPECT_LT(spurious, limit);
        if (method != FMOD_DSP_RESAMPLER_NOINTERP) {
            EXPECT_LT(spurious, previous) << "each method should be cleaner than the one before";
        }
        previous = spurious;
        // Length follows the step: the file played at 22050 Hz lasts 1.5 s (plus the few
        // frames the widest interpolator reaches past the last sample).
        EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 72000.0, 8.0);
    }
}

} // namespace
