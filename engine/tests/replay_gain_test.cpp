// Loudness levelling heard in what the player renders: ReplayGain tags of each tag style in each
// mode, changes while playing, the pre-amp held within full scale, and the scan's results.
#include "engine_fixture.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;

constexpr double kTone = 0.5; // the amplitude levels are measured against

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

fs::path tone(const std::string& name, const std::vector<std::string>& tags,
              double amplitude = kTone, double seconds = 1.5) {
    std::vector<std::string> args;
    for (const std::string& tag : tags) {
        args.insert(args.end(), {"-metadata", tag});
    }
    return testmedia::makeTone(name, 997, seconds, 44100, 2, args, amplitude);
}

// A player writing float samples through the non-real-time wave writer at full volume, so that
// what it writes is the levelled sound itself.
class ReplayGainTest : public EngineTest {
protected:
    ReplayGainTest() {
        setenv("SORVEL_WAVE_OUT", (testmedia::mediaDir() / "rg-unused.wav").c_str(), 1);
    }
    std::string settingsText() const override {
        return "[Etc]\r\n-OutputType=5\r\n-SoundFormat=5\r\n";
    }
    struct Heard {
        std::vector<double> levelsDb; // each step's steady part against kTone
        double flatTops = 0.0; // the share of samples at full scale after one there: clipping
    };
    // Plays `file` on a fresh player, running each step's change and then 25 blocks.
    Heard play(const fs::path& file, const std::vector<std::function<void()>>& steps) {
        static int counter = 0;
        const fs::path wave = testmedia::mediaDir() / ("rg" + std::to_string(++counter) + ".wav");
        setenv("SORVEL_WAVE_OUT", wave.c_str(), 1);
        TearDown();
        SetUp();
        state.volumeLevel = 10;
        player->OpenMedia(file.string());
        std::vector<std::pair<unsigned, unsigned>> spans;
        for (const auto& change : steps) {
            change();
            unsigned from = 0, to = 0;
            FMOD_Channel_GetPosition(state.currentChannel, &from, FMOD_TIMEUNIT_PCM);
            for (int i = 0; i < 25; ++i) {
                player->PlaybackTick();
            }
            FMOD_Channel_GetPosition(state.currentChannel, &to, FMOD_TIMEUNIT_PCM);
            spans.emplace_back(from + 2048, to); // past the gain's glide
        }
        player->Shutdown();
        player.reset();
        const std::vector<float> left = testmedia::channelOf(testmedia::readWav(wave), 0);
        const auto onset = static_cast<size_t>(
            std::find_if(left.begin(), left.end(), [](float v) { return std::abs(v) > 1e-4f; }) -
            left.begin());
        Heard heard;
        for (const auto& [from, to] : spans) {
            const std::vector<float> part(left.begin() + long(onset + from),
                                          left.begin() + long(std::min(onset + to, left.size())));
            heard.levelsDb.push_back(decibels(testmedia::rms(part) * std::sqrt(2.0) / kTone));
        }
        size_t flat = 0;
        for (size_t i = 1; i < left.size(); ++i) {
            flat += std::abs(left[i - 1]) >= 0.9999f && std::abs(left[i]) >= 0.9999f;
        }
        heard.flatTops = double(flat) / double(left.size());
        return heard;
    }
    std::function<void()> set(int32_t mode, int32_t preAmp) {
        return [this, mode, preAmp] { player->setReplayGain(mode, preAmp); };
    }
};

TEST_F(ReplayGainTest, EachModeAndPreAmpTakesEffectOnThePlayingEntry) {
    const fs::path file = tone("rg-modes.flac",
                               {"REPLAYGAIN_TRACK_GAIN=-6.00 dB", "replaygain_album_gain=-3 dB",
                                "REPLAYGAIN_TRACK_PEAK=0.5"},
                               kTone, 4.0);
    const std::vector<std::tuple<int32_t, int32_t, double>> steps = {
        {0, 0, 0.0},     {1, 0, -6.0},           {2, 0, -3.0},
        {1, 3, -3.0},    {2, 12, decibels(2.0)}, // +9 dB asked; the peak of 0.5 allows a doubling
        {7, -20, -18.0}, // no such mode: album stays; the pre-amp stops at -15
    };
    std::vector<std::function<void()>> changes;
    for (const auto& [mode, preAmp, expected] : steps) {
        changes.push_back(set(mode, preAmp));
    }
    const Heard heard = play(file, changes);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_NEAR(heard.levelsDb.at(i), std::get<2>(steps[i]), 0.1) << "step " << i;
    }
}

TEST_F(ReplayGainTest, EveryTagStyleLevelsAndNothingClips) {
    // Each file plays as it is, then levelled: the change in dB (lossy encoders move the level
    // a little themselves).
    const auto change = [this](const fs::path& file, int32_t mode, int32_t preAmp) {
        const Heard heard = play(file, {set(0, 0), set(mode, preAmp)});
        EXPECT_LT(heard.flatTops, 0.01);
        return heard.levelsDb.at(1) - heard.levelsDb.at(0);
    };
    const std::string minus6 = "REPLAYGAIN_TRACK_GAIN=-6 dB";
    struct Case {
        fs::path file;
        int32_t mode, preAmp;
        double expectedDb;
    };
    const std::vector<Case> cases = {
        {tone("rg-id3.mp3", {minus6}), 1, 0, -6.0},
        {tone("rg-vorbis.ogg", {"replaygain_track_gain=-6,00 dB"}), 2, 0, -6.0}, // album: track
        {tone("rg-asf.wma", {minus6}), 1, 0, -6.0},
        {testmedia::makeTone("rg-ape.mp3", 997, 1.5, 44100, 2,
                             {"-metadata", minus6, "-write_apetag", "1", "-write_id3v2", "0"}),
         1, 0, -6.0},
        {tone("rg-bad.flac", {"REPLAYGAIN_TRACK_GAIN=loud"}), 1, 12, 0.0},
        {tone("rg-untagged.flac", {}), 2, 12, 0.0},
        // Full scale, +12 dB asked: with the peak known the gain is held back to nothing;
        // without it the limiter holds the tone at full scale (and it is not clipped).
        {tone("rg-full-peak.flac", {"REPLAYGAIN_TRACK_GAIN=0 dB", "REPLAYGAIN_TRACK_PEAK=1"}, 1.0),
         1, 12, 0.0},
        {tone("rg-full-nopeak.flac", {"REPLAYGAIN_TRACK_GAIN=0 dB"}, 1.0), 1, 12, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        EXPECT_NEAR(change(c.file, c.mode, c.preAmp), c.expectedDb, 0.1);
    }
}

TEST_F(ReplayGainTest, ScanResultsLevelUntaggedFilesAndAreKept) {
    const fs::path plain = tone("rg-scan.flac", {}, 0.1, 2.0); // -20 LUFS: +2 dB to go
    const auto scan = [this, plain] {
        LoudnessScan scan({plain});
        while (!scan.finished()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        player->takeLoudnessResults(scan.takeResults());
    };
    const Heard heard = play(plain, {set(1, 0), scan});
    EXPECT_NEAR(heard.levelsDb.at(1) - heard.levelsDb.at(0), 2.0, 0.5);
    const auto kept = LoudnessCache::load(state.programFolder / kLoudnessCacheFileName).find(plain);
    ASSERT_TRUE(kept);
    EXPECT_NEAR(*kept->trackGainDb, 2.0, 0.5);
}

} // namespace
