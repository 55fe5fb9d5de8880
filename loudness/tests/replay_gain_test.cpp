// Reading gains and peaks from tag text, and the level each mode and pre-amp gives.
#include "replay_gain.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace sorvel;

TEST(ReplayGain, GainTextIsReadRobustlyAndNonsenseIsRefused) {
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {"-6.00 dB", -6.0},        {"+3.5dB", 3.5},
        {"  -6,5 DB ", -6.5},      {"-6", -6.0},
        {"2.25 db", 2.25},         {"0", 0.0},
        {"-60 dB", -60.0},         {"", std::nullopt},
        {"dB", std::nullopt},      {"abc", std::nullopt},
        {"-6 dB x", std::nullopt}, {"nan", std::nullopt},
        {"inf dB", std::nullopt},  {"1e3", std::nullopt},
        {"-61 dB", std::nullopt},  {"--6", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseGainDb(text), expected);
    }
    const std::vector<std::pair<std::string, std::optional<double>>> peaks = {
        {"0.988831", 0.988831}, {"1.2", 1.2},           {" 0,5 ", 0.5},
        {"0", std::nullopt},    {"-0.5", std::nullopt}, {"0.5 dB", std::nullopt},
        {"101", std::nullopt},
    };
    for (const auto& [text, expected] : peaks) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parsePeak(text), expected);
    }
}

TEST(ReplayGain, TagsAreFoundWhateverTheirCaseAndBadOnesAreSkipped) {
    const LoudnessValues values = replayGainFromTags({
        {"TITLE", "-3 dB"},
        {"replaygain_track_gain", "broken"},
        {"Replaygain_Track_Gain", "-6.00 dB"},
        {"REPLAYGAIN_TRACK_GAIN", "-9.00 dB"}, // the first valid one wins
        {"REPLAYGAIN_TRACK_PEAK", "0.5"},
        {"replaygain_album_gain", "-3 dB"},
        {"REPLAYGAIN_ALBUM_PEAK", "0.75"},
    });
    EXPECT_EQ(values.trackGainDb, -6.0);
    EXPECT_EQ(values.trackPeak, 0.5);
    EXPECT_EQ(values.albumGainDb, -3.0);
    EXPECT_EQ(values.albumPeak, 0.75);

    // Opus: Q7.8 against -23 LUFS; ReplayGain's own tags win where both are there.
    const LoudnessValues opus = replayGainFromTags({{"R128_TRACK_GAIN", "-2560"}});
    EXPECT_EQ(opus.trackGainDb, -5.0);
    EXPECT_FALSE(opus.albumGainDb);
    EXPECT_EQ(replayGainFromTags({{"R128_TRACK_GAIN", "256"}, {"REPLAYGAIN_TRACK_GAIN", "1 dB"}})
                  .trackGainDb,
              1.0);
    EXPECT_FALSE(replayGainFromTags({{"R128_TRACK_GAIN", "-1.5"}}).hasGain());
}

TEST(ReplayGain, FactorFollowsModePreAmpAndPeak) {
    const auto values = [](std::optional<double> track, std::optional<double> trackPeak,
                           std::optional<double> album, std::optional<double> albumPeak) {
        return LoudnessValues{track, trackPeak, album, albumPeak};
    };
    const LoudnessValues both = values(-6, 0.5, -3, 0.9);
    const double doubling = 20 * std::log10(2.0);
    struct Case {
        const char* name;
        LoudnessValues values;
        ReplayGainMode mode;
        double preAmp, expectedDb;
    };
    const std::vector<Case> cases = {
        {"off", both, ReplayGainMode::Off, 5, 0},
        {"track", both, ReplayGainMode::Track, 0, -6},
        {"album", both, ReplayGainMode::Album, 0, -3},
        {"album falls back to track", values(-6, {}, {}, {}), ReplayGainMode::Album, 4, -2},
        {"nothing known", {}, ReplayGainMode::Track, 10, 0},
        {"peak limits", values(12, 0.5, {}, {}), ReplayGainMode::Track, 0, doubling},
        {"track peak guards the album", values(0, 0.5, 12, {}), ReplayGainMode::Album, 0, doubling},
        {"no peak: the ceiling", values(30, {}, {}, {}), ReplayGainMode::Track, 0, 24.08},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(20 * std::log10(replayGainFactor(c.values, c.mode, c.preAmp)), c.expectedDb,
                    0.01);
    }
    EXPECT_EQ(replayGainModeOf(2), ReplayGainMode::Album);
    EXPECT_FALSE(replayGainModeOf(3));
}

} // namespace
