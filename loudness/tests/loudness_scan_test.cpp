// The loudness scan on generated tones of known loudness, and the cache of its results.
#include "LoudnessCache.h"
#include "LoudnessScan.h"
#include "TempFolder.h"
#include "test_media.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace sorvel;
namespace fs = std::filesystem;

// A stereo 997 Hz tone of amplitude A measures 20 log10(A) LUFS (ITU-R BS.1770's calibration).
fs::path toneAt(const std::string& name, double lufs, double seconds = 6.0,
                const std::vector<std::string>& extra = {}) {
    return testmedia::makeTone(name, 997, seconds, 44100, 2, extra, std::pow(10.0, lufs / 20.0));
}

void waitUntilFinished(const LoudnessScan& scan) {
    while (!scan.finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(LoudnessScan, MeasuresKnownLoudnessAndPeak) {
    // Mono counts its one channel once, as BS.1770 does: 3 dB below a stereo tone.
    for (const auto& [file, channels, expected] :
         {std::tuple{"minus20.flac", 2, -20.0}, std::tuple{"minus30-mono.mp3", 1, -33.01}}) {
        SCOPED_TRACE(file);
        const auto measured = measureLoudness(
            testmedia::makeTone(file, 997, 6.0, 44100, channels, {}, channels == 2 ? 0.1 : 0.0316));
        ASSERT_TRUE(measured);
        EXPECT_NEAR(measured->loudnessLufs, expected, 0.5);
        EXPECT_NEAR(measured->peak, channels == 2 ? 0.1 : 0.0316, 0.005);
    }
    EXPECT_FALSE(measureLoudness(testmedia::makeGarbage("noise.mp3", 4096)));
}

TEST(LoudnessScan, GivesTrackAndAlbumGainsPerFolderAndSkipsTaggedAndBrokenFiles) {
    TempFolder folder;
    const fs::path album = folder / "album";
    fs::create_directories(album);
    auto place = [&](const fs::path& made, const fs::path& to) {
        fs::copy_file(made, to);
        return to;
    };
    const fs::path loud = place(toneAt("scan-a.flac", -20.0), album / "a.flac");
    const fs::path quiet = place(toneAt("scan-b.flac", -26.0), album / "b.flac");
    const fs::path tagged =
        place(toneAt("scan-c.flac", -20.0, 1.0, {"-metadata", "REPLAYGAIN_TRACK_GAIN=-1 dB"}),
              album / "c.flac");
    const fs::path broken = place(testmedia::makeGarbage("scan-d.flac", 2048), album / "d.flac");
    const fs::path single = place(toneAt("scan-e.flac", -23.0), folder / "single.flac");

    LoudnessScan scan({loud, quiet, tagged, loud, broken, single});
    EXPECT_EQ(scan.total(), 5u);
    waitUntilFinished(scan);
    EXPECT_EQ(scan.done(), 5u);

    std::map<fs::path, LoudnessValues> last;
    for (const LoudnessResult& result : scan.takeResults()) {
        EXPECT_EQ(stampOf(result.file), result.stamp);
        last[result.file] = result.values;
    }
    ASSERT_EQ(last.size(), 3u);
    EXPECT_NEAR(*last[loud].trackGainDb, 2.0, 0.5);
    EXPECT_NEAR(*last[quiet].trackGainDb, 8.0, 0.5);
    EXPECT_NEAR(*last[loud].trackPeak, 0.1, 0.01);
    // The album: the two tones' mean power, -22.04 LUFS; its peak the louder one's.
    for (const fs::path& member : {loud, quiet}) {
        ASSERT_TRUE(last[member].albumGainDb);
        EXPECT_NEAR(*last[member].albumGainDb, 4.04, 0.5);
        EXPECT_NEAR(*last[member].albumPeak, 0.1, 0.01);
    }
    EXPECT_NEAR(*last[single].trackGainDb, 5.0, 0.5);
    EXPECT_FALSE(last[single].albumGainDb);
    EXPECT_TRUE(scan.takeResults().empty());
}

TEST(LoudnessCache, KeepsWhatWasMeasuredPerFileVersionAndIgnoresDamage) {
    TempFolder folder;
    const fs::path music = folder.write("music/one.flac", "not really audio");
    const fs::path tabbed = folder.write("music/two\tname.flac", "other");
    LoudnessValues values;
    values.trackGainDb = -6.5;
    values.trackPeak = 0.987654321;
    values.albumGainDb = -3.25;
    LoudnessCache cache;
    cache.put(music, *stampOf(music), values);
    cache.put(tabbed, *stampOf(tabbed), values);
    cache.put(folder / "line\nbreak.flac", *stampOf(music), values);       // cannot be one line
    cache.put(folder / "nothing.flac", *stampOf(music), LoudnessValues{}); // no gain to keep
    const fs::path file = folder / kLoudnessCacheFileName;
    ASSERT_TRUE(cache.save(file));
    const LoudnessCache loaded = LoudnessCache::load(file);
    EXPECT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded.find(folder / "music" / "." / "one.flac"), values);
    EXPECT_EQ(loaded.find(tabbed), values);
    folder.write("music/one.flac", "changed and longer"); // another version: not measured
    EXPECT_FALSE(loaded.find(music));

    const FileStamp stamp = *stampOf(tabbed);
    const std::string good = std::to_string(stamp.size) + "\t" + std::to_string(stamp.modifiedNs) +
                             "\t-6\t0.5\t-\t-\t" + tabbed.string() + "\n";
    const std::vector<std::pair<std::string, size_t>> damaged = {
        {"", 0},
        {std::string("\0\xff\xfe\x01garbage\n\n", 14), 0},
        {"SorvelLoudness 9\n" + good, 0},
        {good, 0},
        {"SorvelLoudness 1\n1\t2\nx\t2\t-6\t0.5\t-\t-\t/a\n1\t2\tnan\t0.5\t-\t-\t/b\n"
         "1\t2\t-6\t-0.5\t-\t-\t/c\n1\t2\t900\t0.5\t-\t-\t/d\n1\t2\t-\t0.5\t-\t-\t/e\n"
         "1\t2\t-6\t0.5\t-\t-\t\n" +
             good + "1\t2\t-6\t0.5\t-3\t",
         1},
    };
    for (const auto& [text, records] : damaged) {
        SCOPED_TRACE(text);
        const LoudnessCache read = LoudnessCache::load(folder.write("damaged.dat", text));
        EXPECT_EQ(read.size(), records);
        EXPECT_EQ(read.find(tabbed).has_value(), records == 1);
    }
    EXPECT_EQ(LoudnessCache::load(folder.path()).size(), 0u); // a folder, not a file
    EXPECT_FALSE(LoudnessCache().save(folder / "no-such-folder" / "cache.dat"));
}

} // namespace
