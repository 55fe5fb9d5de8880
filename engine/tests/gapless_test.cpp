// Gapless playback through the player: entries that continue one ramp are written as one, what
// was readied for the next entry goes unheard when the course changes, a random draw is made
// once, and a hand-over leaves the player as opening the entry would have.
#include "engine_fixture.h"
#include "playback_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

using namespace enginetest;
using playbacktest::rampValue;
using playbacktest::writeRamp;
namespace fs = std::filesystem;

namespace {

constexpr size_t kRate = 44100;

class GaplessTest : public EngineTest {
protected:
    std::string settingsText() const override { return "[Etc]\r\n-OutputType=5\r\n"; }
    void SetUp() override {
        static int runs = 0;
        wave = testmedia::mediaDir() / ("gapless" + std::to_string(++runs) + ".wav");
        setenv("SORVEL_WAVE_OUT", wave.c_str(), 1);
        EngineTest::SetUp();
        state.volumeLevel = 10;
    }
    // A fresh player writing a new wave file, with gapless playback on or off.
    void restart(bool gapless) {
        TearDown();
        player.reset();
        state = PlayerState{};
        playlistView = FakePlaylistView{};
        notifier = FakeNotifier{};
        SetUp();
        state.gaplessPlayback = gapless;
    }
    testmedia::WavData written() {
        player->Shutdown();
        player.reset();
        return testmedia::readWav(wave);
    }
    int channelsPlaying() {
        int channels = 0;
        FMOD_System_GetChannelsPlaying(state.soundSystem, &channels);
        return channels;
    }

    fs::path wave;
};

TEST_F(GaplessTest, EntriesThatContinueOneRampAreWrittenAsOne) {
    constexpr size_t kHead = kRate + 100; // ends inside a block
    const fs::path head = writeRamp("ramp_head.wav", kHead);
    const fs::path tail = writeRamp("ramp_tail.wav", 30000, kRate, kHead);
    struct Case {
        const char* name;
        bool gapless;
        uint8_t loopMode;
        int32_t volumeLevel;       // set once the next entry is readied
        std::vector<size_t> heard; // where each entry heard starts on the ramp
        size_t checkedFrom;        // the first entry is louder until the volume changes
        size_t difference;         // the first frame that differs from those entries
    };
    const size_t none = SIZE_MAX;
    for (const Case& c :
         std::vector<Case>{{"loop off", true, 0, 10, {0, kHead}, 0, none},
                           {"loop all wraps round", true, 2, 10, {0, kHead, 0}, 0, none},
                           {"repeat one", true, 1, 10, {0, 0}, 0, none},
                           {"turned down meanwhile", true, 0, 5, {0, kHead}, kHead, none},
                           {"without gapless playback", false, 0, 10, {0, kHead}, 0, kHead}}) {
        SCOPED_TRACE(c.name);
        restart(c.gapless);
        addToList({head, tail});
        state.loopMode = c.loopMode;
        player->playlist().PlayEntryAt(1);
        tickUntil([&] { return channelsPlaying() == 2; }, 3);
        player->SetVolumeLevel(c.volumeLevel);
        std::vector<int16_t> ramp;
        for (const size_t first : c.heard) {
            for (size_t i = 0; i < (first == 0 ? kHead : 30000); ++i) {
                ramp.push_back(rampValue(first + i));
            }
        }
        tickUntil([] { return false; }, static_cast<int>(ramp.size() / 1024 + 8));
        const testmedia::WavData wav = written();
        ASSERT_GE(wav.frames(), ramp.size());
        size_t difference = none;
        for (size_t i = c.checkedFrom; i < ramp.size() && difference == none; ++i) {
            const float want = std::nearbyint(ramp[i] * c.volumeLevel / 10.0f) / 32768.0f;
            difference = wav.samples[2 * i] != want || wav.samples[2 * i + 1] != -want ? i : none;
        }
        EXPECT_EQ(difference, c.difference);
    }
}

TEST_F(GaplessTest, WhatWasReadiedGoesUnheardWhenTheCourseChangesAndADrawIsMadeOnce) {
    const std::vector<fs::path> files = {writeRamp("course_1.wav", 4 * kRate),
                                         writeRamp("course_2.wav", kRate, kRate, 5000),
                                         writeRamp("course_3.wav", kRate, kRate, 9000)};
    struct Case {
        const char* name;
        std::function<void()> act;
        int channels;                 // playing right after it
        std::vector<int32_t> entries; // the current ones from then until the list stops
    };
    const std::vector<Case> cases = {
        {"Stop", [&] { player->TransportCommand(kStop); }, 0, {1}},
        {"Next", [&] { player->TransportCommand(kNext); }, 1, {2, 3, 1}},
        {"seek into the last seconds", [&] { player->SeekTo(3500); }, 1, {1, 2, 3, 1}},
        {"loop all",
         [&] { player->TransportCommand(kRepeatLoop), player->TransportCommand(kRepeatLoop); },
         1,
         {}},
        {"the next row removed", [&] { player->playlist().remove(2); }, 1, {1, 2, 1}},
        {"the list cleared", [&] { player->playlist().clear(); }, 1, {1}},
        {"random order, drawn once", [&] { player->TransportCommand(kRandom); }, 1, {1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart(true);
        addToList(files);
        int draws = 0;
        player->playlist().setRandomSource([&] { return ++draws == 1 ? 0.9 : 0.1; });
        player->playlist().PlayEntryAt(1);
        ASSERT_TRUE(tickUntil([&] { return channelsPlaying() == 2; }));
        c.act();
        EXPECT_EQ(channelsPlaying(), c.channels);
        if (state.randomMode != 0) {
            ASSERT_TRUE(tickUntil([&] { return state.currentIndex != 1; }));
            EXPECT_EQ(std::vector<int32_t>({1, state.currentIndex}), c.entries);
            EXPECT_EQ(draws, 1);
        } else if (state.loopMode == 2) {
            ASSERT_TRUE(tickUntil([&] { return channelsPlaying() == 2; })); // readied anew
        } else {
            EXPECT_EQ(entriesUntilStopped(), c.entries);
        }
    }
}

// What the player shows once an entry has taken over, as far as it does not follow the clock.
std::string observed(const PlayerState& s, const FakePlaylistView& view) {
    std::string text = std::to_string(s.currentIndex) + "/" + std::to_string(s.entryCount) + "|" +
                       s.titleText + "|" + s.lengthText + "|" + std::to_string(s.lengthMs) + "|" +
                       std::to_string(s.seekBarLengthMs) + "|" + std::to_string(s.stoppedFlag) +
                       std::to_string(s.isNetStream) + std::to_string(s.isVideo) +
                       std::to_string(s.cdMode) + "|" + std::to_string(view.highlighted);
    for (const PlaylistEntry& e : s.playlistEntries) {
        text += "|" + e.path + "," + e.title + "," + e.artist + "," + e.album + "," + e.timeText +
                "," + std::to_string(e.lengthMs) + "," + std::to_string(e.seekStepMs);
    }
    float volume = 0, pan = 0, frequency = 0;
    int priority = 0;
    FMOD_Channel_GetVolume(s.currentChannel, &volume);
    FMOD_Channel_GetPan(s.currentChannel, &pan);
    FMOD_Channel_GetFrequency(s.currentChannel, &frequency);
    FMOD_Channel_GetPriority(s.currentChannel, &priority);
    return text + "|" + std::to_string(volume) + "," + std::to_string(pan) + "," +
           std::to_string(frequency) + "," + std::to_string(priority);
}

TEST_F(GaplessTest, AHandOverLeavesThePlayerAsOpeningTheEntryWould) {
    const std::vector<fs::path> files = {
        testmedia::makeTaggedTone("state_1.mp3", 440, 0.7, "Morning", "Singer", "LP"),
        writeRamp("state_2.wav", kRate / 2), writeRamp("state_3.wav", kRate)};
    auto run = [&](bool gapless) {
        restart(gapless);
        addToList(files);
        state.loopMode = 2;
        player->SetVolumeLevel(7);
        player->SetPanPosition(-3);
        player->playlist().PlayEntryAt(1);
        std::vector<std::string> seen;
        for (int32_t index = state.currentIndex;
             seen.size() < 4 && tickUntil([&] { return state.currentIndex != index; });) {
            index = state.currentIndex;
            seen.push_back(observed(state, playlistView));
        }
        // The notices, each once in a row.
        auto& notices = notifier.sent;
        notices.erase(std::unique(notices.begin(), notices.end()), notices.end());
        for (const auto& [text, playing] : notices)
            seen.push_back(text + std::to_string(playing));
        return seen;
    };
    const std::vector<std::string> withGap = run(false);
    EXPECT_EQ(withGap.size() > 4 ? run(true) : std::vector<std::string>{}, withGap);
}

} // namespace
