// Audio CD: a CUE/BIN image made here (three tone tracks of different pitch and length) played
// as a drive through libcdio-paranoia, and the drive list's naming and failures.
#include "cd/cd_drives.h"
#include "cd/cd_toc.h"
#include "cd_image.h"
#include "playback_fixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

using namespace playbacktest;
using testmedia::channelOf;

namespace {

using cdtest::ImageDrives;
using cdtest::kFramesPerSector;
using cdtest::kTracks;
using cdtest::makeDataDiscImage;
using cdtest::makeDiscImage;
using cdtest::toneSample;
using cdtest::ToneTrack;

constexpr FMOD_MODE kCdMode = 0x20C8;        // open-only stream, software: playing a track
constexpr FMOD_MODE kCdListingMode = 0x20A8; // the same, hardware: listing a drive's tracks

int driveCount(FMOD_SYSTEM system) {
    int count = -1;
    EXPECT_EQ(FMOD_System_GetNumCDROMDrives(system, &count), FMOD_OK);
    return count;
}

// The machine's own drives come first; images follow them.
int realDrives(FMOD_SYSTEM system) {
    const ImageDrives none("");
    return driveCount(system);
}

std::string driveName(int index) {
    return {static_cast<char>('D' + index), ':'};
}

// As the player opens a drive: FMOD_System_CreateSound with an open-only stream mode.
FMOD_RESULT openDrive(FMOD_SYSTEM system, const std::string& name, FMOD_SOUND* sound,
                      FMOD_MODE mode = kCdMode) {
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    return FMOD_System_CreateSound(system, name.c_str(), mode, &info, sound);
}

std::string tagText(FMOD_SOUND sound, const char* name) {
    FMOD_TAG tag{};
    if (FMOD_Sound_GetTag(sound, name, 0, &tag) != FMOD_OK) {
        return "";
    }
    return static_cast<const char*>(tag.data);
}

TEST(CdTableOfContents, AudioTracksRunToTheNextTrackLessTheSessionGap) {
    const std::vector<soundlib::TocTrack> toc = {{1, 0, true}, {2, 1000, true}, {3, 30000, false}};
    const auto spans = soundlib::audioTrackSpans(toc, 40000);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].sectors, 1000u);
    EXPECT_EQ(spans[1].number, 2);
    EXPECT_EQ(spans[1].sectors, 30000u - 1000u - 11400u);
    const std::vector<soundlib::TocTrack> data = {{1, 0, false}, {2, 5000, true}};
    const auto afterData = soundlib::audioTrackSpans(data, 9000);
    ASSERT_EQ(afterData.size(), 1u);
    EXPECT_EQ(afterData[0].sectors, 4000u);
}

TEST(CdDriveNames, DrivesAndImagesGetLettersInOrder) {
    const auto drives = soundlib::nameCdDrives({"/dev/sr0", "/dev/sr1"}, "a.cue::b.nrg:");
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[0].name, "D:");
    EXPECT_FALSE(drives[0].image);
    EXPECT_EQ(drives[2].name, "F:");
    EXPECT_EQ(drives[2].device, "a.cue");
    EXPECT_TRUE(drives[3].image);
    EXPECT_EQ(soundlib::findCdDrive(drives, "g:"), &drives[3]);
    EXPECT_EQ(soundlib::findCdDrive(drives, "/dev/sr1"), &drives[1]);
    EXPECT_EQ(soundlib::findCdDrive(drives, "H:"), nullptr);
    std::string many;
    for (int i = 0; i < 30; ++i) {
        many += "x" + std::to_string(i) + ".cue:";
    }
    EXPECT_EQ(soundlib::nameCdDrives({}, many).back().name, "Z:");
    EXPECT_TRUE(soundlib::isCdDriveName("e:"));
    EXPECT_FALSE(soundlib::isCdDriveName("E:\\"));
}

TEST(CdPlayback, ImageDrivesListTheirNamesAndTracks) {
    const auto cue = makeDiscImage("listed");
    RenderedSystem render;
    const int base = realDrives(render.system);
    const ImageDrives images(cue.string() + ":" + (testmedia::mediaDir() / "gone.cue").string());
    ASSERT_EQ(driveCount(render.system), base + 2);

    char name[255], scsi[255], device[255];
    ASSERT_EQ(FMOD_System_GetCDROMDriveName(render.system, base, name, 255, scsi, 255, device, 255),
              FMOD_OK);
    EXPECT_EQ(std::string(name), driveName(base));
    EXPECT_EQ(std::string(scsi), "Disc image");
    EXPECT_EQ(std::string(device), cue.string());
    char small[2];
    EXPECT_EQ(FMOD_System_GetCDROMDriveName(render.system, base, small, 2, nullptr, 0, nullptr, 0),
              FMOD_OK);
    EXPECT_EQ(std::string(small), driveName(base).substr(0, 1)); // cut to fit, zero-ended
    EXPECT_EQ(
        FMOD_System_GetCDROMDriveName(render.system, base + 2, name, 255, scsi, 255, device, 255),
        FMOD_ERR_INVALID_PARAM);

    FMOD_SOUND disc = 0;
    ASSERT_EQ(openDrive(render.system, driveName(base), &disc, kCdListingMode), FMOD_OK);
    int count = 0;
    EXPECT_EQ(FMOD_Sound_GetNumSubSounds(disc, &count), FMOD_OK);
    ASSERT_EQ(count, 3);
    FMOD_SOUND_TYPE type = FMOD_SOUND_TYPE_UNKNOWN;
    EXPECT_EQ(FMOD_Sound_GetFormat(disc, &type, nullptr, nullptr, nullptr), FMOD_OK);
    EXPECT_EQ(type, FMOD_SOUND_TYPE_CDDA);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        FMOD_SOUND track = 0;
        ASSERT_EQ(FMOD_Sound_GetSubSound(disc, i, &track), FMOD_OK);
        unsigned int frames = 0;
        EXPECT_EQ(FMOD_Sound_GetLength(track, &frames, FMOD_TIMEUNIT_PCM), FMOD_OK);
        EXPECT_EQ(frames, kTracks[i].sectors * kFramesPerSector);
        int channels = 0, bits = 0;
        EXPECT_EQ(FMOD_Sound_GetFormat(track, &type, nullptr, &channels, &bits), FMOD_OK);
        EXPECT_EQ(type, FMOD_SOUND_TYPE_CDDA);
        EXPECT_EQ(channels, 2);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(tagText(track, "TITLE"), "Song " + std::to_string(i + 1));
        EXPECT_EQ(tagText(track, "ARTIST"), "Singer " + std::to_string(i + 1));
        EXPECT_EQ(tagText(track, "ALBUM"), "Test Disc");
        // The same part comes back while it lives.
        FMOD_SOUND again = 0;
        EXPECT_EQ(FMOD_Sound_GetSubSound(disc, i, &again), FMOD_OK);
        EXPECT_EQ(again, track);
    }
    FMOD_SOUND none = 0;
    EXPECT_EQ(FMOD_Sound_GetSubSound(disc, 3, &none), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Sound_GetSubSound(disc, -1, &none), FMOD_ERR_INVALID_PARAM);

    // Parts go with their disc.
    FMOD_SOUND first = 0;
    ASSERT_EQ(FMOD_Sound_GetSubSound(disc, 0, &first), FMOD_OK);
    const FMOD_CHANNEL channel = render.play(first);
    render.update(2);
    EXPECT_EQ(FMOD_Sound_Release(disc), FMOD_OK);
    unsigned int length = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(first, &length, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
    EXPECT_FALSE(render.playing(channel));
}

TEST(CdPlayback, EachTrackPlaysItsToneForItsExactLength) {
    const auto cue = makeDiscImage("tones");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        RenderedSystem render;
        const int base = realDrives(render.system);
        const ImageDrives images(cue.string());
        FMOD_SOUND disc = 0, track = 0;
        ASSERT_EQ(openDrive(render.system, driveName(base), &disc), FMOD_OK);
        ASSERT_EQ(FMOD_Sound_GetSubSound(disc, i, &track), FMOD_OK);
        const FMOD_CHANNEL channel = render.play(track);
        render.renderToEnd(channel, 500);
        EXPECT_FALSE(render.playing(channel));
        const auto wav = render.finish();
        const double frames = kTracks[i].sectors * kFramesPerSector;
        EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), frames, 20.0);
        EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 2048, 32768), 44100),
                    kTracks[i].frequency, 0.5);
        // Every sample arrives untouched (16-bit to float is exact at the disc's own rate).
        for (size_t f = 0; f < 3000; f += 7) {
            ASSERT_EQ(wav.samples[f * 2] * 32768.0f, toneSample(kTracks[i], f)) << f;
            ASSERT_EQ(wav.samples[f * 2 + 1] * 32768.0f, -toneSample(kTracks[i], f)) << f;
        }
    }
}

TEST(CdPlayback, SeekingLandsOnTheExactFrame) {
    const auto cue = makeDiscImage("seek");
    RenderedSystem render;
    const int base = realDrives(render.system);
    const ImageDrives images(cue.string());
    FMOD_SOUND disc = 0, track = 0;
    ASSERT_EQ(openDrive(render.system, std::string(1, char('d' + base)) + ":", &disc), FMOD_OK);
    ASSERT_EQ(FMOD_Sound_GetSubSound(disc, 1, &track), FMOD_OK);
    const FMOD_CHANNEL channel = render.play(track, true);
    render.update(2);
    const uint32_t target = 50003; // inside a sector, not on its edge
    EXPECT_EQ(FMOD_Channel_SetPosition(channel, target, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
    render.update(3);
    unsigned int position = 0;
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, target + 3 * 1024);
    const auto wav = render.finish();
    const size_t start = 2 * 1024; // after the two paused blocks
    ASSERT_GT(wav.frames(), start + 2048);
    for (size_t f = 0; f < 2048; ++f) {
        ASSERT_EQ(wav.samples[(start + f) * 2] * 32768.0f, toneSample(kTracks[1], target + f)) << f;
    }
}

TEST(CdPlayback, MissingDrivesDiscsAndUnreadableSectorsAreReported) {
    RenderedSystem render;
    const int base = realDrives(render.system);
    FMOD_SOUND sound = 0;
    if (base == 0) {
        const ImageDrives none("");
        EXPECT_EQ(openDrive(render.system, "D:", &sound), FMOD_ERR_CDDA_NODEVICES);
        EXPECT_EQ(FMOD_System_EjectCDROMDrive(render.system, "D:"), FMOD_ERR_CDDA_NODEVICES);
    }
    const auto cue = makeDiscImage("broken");
    const auto iso = makeDataDiscImage("data");
    const auto missing = testmedia::mediaDir() / "missing.cue";
    const ImageDrives images(cue.string() + ":" + missing.string() + ":" + iso.string());
    EXPECT_EQ(openDrive(render.system, driveName(base + 1), &sound), FMOD_ERR_CDDA_NODISC);
    EXPECT_EQ(openDrive(render.system, driveName(base + 2), &sound), FMOD_ERR_CDDA_NOAUDIO);
    EXPECT_EQ(openDrive(render.system, driveName(base + 3), &sound), FMOD_ERR_CDDA_INVALID_DEVICE);
    EXPECT_EQ(FMOD_System_EjectCDROMDrive(render.system, driveName(base).c_str()),
              FMOD_ERR_UNSUPPORTED);
    EXPECT_EQ(FMOD_System_EjectCDROMDrive(render.system, driveName(base + 3).c_str()),
              FMOD_ERR_CDDA_INVALID_DEVICE);

    // The image loses its last sectors after its table of contents was read: the track ends
    // early, and nothing waits on the failed reads.
    FMOD_SOUND disc = 0, track = 0;
    ASSERT_EQ(openDrive(render.system, driveName(base), &disc), FMOD_OK);
    std::filesystem::resize_file(testmedia::mediaDir() / "broken.bin", uint64_t{290} * 2352);
    ASSERT_EQ(FMOD_Sound_GetSubSound(disc, 2, &track), FMOD_OK);
    const FMOD_CHANNEL channel = render.play(track);
    render.renderToEnd(channel, 500);
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();
    EXPECT_LT(soundingFrames(wav), size_t{75} * kFramesPerSector);
}

} // namespace
