// Video entries: opening, the transport and the tick drive the video window through its
// interface, here a fake whose clock the test moves.
#include "OutputDrivers.h"
#include "engine_fixture.h"

#include <algorithm>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

class VideoEntry : public EngineTest {
protected:
    VideoEntry() { withVideoWindow = true; }

    // A file with a video extension: the fake plays whatever exists.
    fs::path clip(const std::string& name) {
        const fs::path path = state.programFolder / name;
        writeAll(path, "video");
        return path;
    }
    int count(const std::string& call) const {
        return static_cast<int>(std::count(video.calls.begin(), video.calls.end(), call));
    }
};

TEST_F(VideoEntry, OpeningBeyondTheListGrowsItAndFillsTheEntryReadyToStart) {
    const auto tone = testmedia::makeTone("before-video.wav", 440, 1.0);
    addToList({tone});
    player->playlist().PlayEntryAt(1);
    ASSERT_NE(state.currentSound, 0u);
    state.playlistEntries[1].title = "kept";

    state.currentIndex = 4;
    const fs::path movie = clip("movie.avi");
    player->OpenMedia(movie.string());

    EXPECT_TRUE(state.isVideo);
    EXPECT_EQ(state.currentSound, 0u);
    EXPECT_EQ(state.currentChannel, 0u);
    ASSERT_GE(state.playlistEntries.size(), 5u);
    EXPECT_EQ(state.entryCount, 4);
    EXPECT_EQ(state.playlistEntries[1].title, "kept");
    const PlaylistEntry& entry = state.playlistEntries[4];
    EXPECT_EQ(entry.path, movie.string());
    EXPECT_EQ(entry.title, "");
    EXPECT_EQ(entry.artist, "");
    EXPECT_EQ(entry.album, "");
    EXPECT_EQ(entry.lengthMs, 3000);
    EXPECT_EQ(entry.timeText, "00:03");
    EXPECT_EQ(entry.seekStepMs, 5);
    EXPECT_EQ(state.lengthMs, 3000u);
    EXPECT_EQ(state.seekBarLengthMs, 3000u);
    EXPECT_EQ(state.lengthText, "00:03");
    EXPECT_EQ(state.titleText, "4. movie.avi");
    EXPECT_FALSE(state.stoppedFlag);
    EXPECT_EQ(video.presented, 1);
    EXPECT_EQ(video.volume, -1250); // level 5
    EXPECT_EQ(video.balance, 0);
    // Loaded, not started: the next tick starts it.
    EXPECT_EQ(video.calls, std::vector<std::string>{"Load"});
    EXPECT_FALSE(video.isRunning);

    // The open dialog's direct-play slot on an empty list.
    state.playlistEntries.clear();
    state.entryCount = 0;
    state.currentIndex = 0;
    player->OpenMedia(clip("direct.wmv").string());
    ASSERT_EQ(state.playlistEntries.size(), 1u);
    EXPECT_EQ(state.entryCount, 0);
    EXPECT_EQ(state.playlistEntries[0].timeText, "00:03");
}

TEST_F(VideoEntry, TheTickStartsTheVideoAndRunsItAgainAfterItsEnd) {
    const auto tone = testmedia::makeTone("after-video.wav", 440, 0.2);
    addToList({clip("loop.mpg"), tone});
    player->playlist().PlayEntryAt(1);
    player->PlaybackTick();
    EXPECT_TRUE(video.isRunning);
    // A video just started may read 0 a little longer: the tick does not toggle it off.
    player->PlaybackTick();
    EXPECT_TRUE(video.isRunning);
    EXPECT_EQ(count("Run"), 1);

    video.position = 1.5;
    player->PlaybackTick();
    EXPECT_EQ(state.positionMs, 1500);
    EXPECT_EQ(count("Pause"), 0);

    video.position = video.duration;
    video.calls.clear();
    player->PlaybackTick();
    EXPECT_EQ(video.calls, (std::vector<std::string>{"Seek", "Stop"}));
    EXPECT_EQ(video.position, 0.0);
    EXPECT_FALSE(player->TickCanRest()) << "the next tick runs the video again";
    player->PlaybackTick();
    EXPECT_TRUE(video.isRunning);
    // Videos repeat: the list never moves on.
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_TRUE(video.isLoaded);

    // Closing the window releases the video: the next tick moves on like after any entry.
    video.Release();
    player->PlaybackTick();
    EXPECT_EQ(state.currentIndex, 2);
    EXPECT_FALSE(state.isVideo);
    EXPECT_EQ(video.unloads, 1);
}

TEST_F(VideoEntry, TransportCommandsAndSlidersReachTheVideo) {
    addToList({clip("transport.ogm")});
    player->playlist().PlayEntryAt(1);
    player->PlaybackTick();
    ASSERT_TRUE(video.isRunning);

    player->TransportCommand(kPlay);
    EXPECT_FALSE(video.isRunning);
    player->TransportCommand(kPlay);
    EXPECT_TRUE(video.isRunning);
    player->TransportCommand(kPause);
    EXPECT_FALSE(video.isRunning);
    player->TransportCommand(kPlay);

    player->SeekBarReleased(1500);
    EXPECT_DOUBLE_EQ(video.position, 1.5);
    player->SetVolumeLevel(0);
    EXPECT_EQ(video.volume, -7500);
    player->SetVolumeLevel(10);
    EXPECT_EQ(video.volume, 0);
    player->SetPanPosition(-10);
    EXPECT_EQ(video.balance, -10000);
    player->SetPanPosition(5);
    EXPECT_EQ(video.balance, 5000);

    video.calls.clear();
    player->TransportCommand(kStop);
    EXPECT_EQ(video.calls, (std::vector<std::string>{"Stop", "Seek"}));
    EXPECT_EQ(video.position, 0.0);
    EXPECT_TRUE(state.stoppedFlag);
    for (int i = 0; i < 5; ++i) {
        player->PlaybackTick();
    }
    EXPECT_FALSE(video.isRunning);
    EXPECT_EQ(state.currentIndex, 1);
    player->TransportCommand(kPlay);
    EXPECT_TRUE(video.isRunning);
}

TEST(VideoSound, FollowsTheSoundLibrarysOutput) {
    const std::pair<int32_t, VideoSoundOutput> cases[] = {
        {FMOD_OUTPUTTYPE_AUTODETECT, VideoSoundOutput::Automatic},
        {FMOD_OUTPUTTYPE_PULSEAUDIO, VideoSoundOutput::PulseAudio},
        {FMOD_OUTPUTTYPE_ALSA, VideoSoundOutput::Alsa},
        {FMOD_OUTPUTTYPE_JACK, VideoSoundOutput::Jack},
        {FMOD_OUTPUTTYPE_NOSOUND, VideoSoundOutput::None},
        {FMOD_OUTPUTTYPE_NOSOUND_NRT, VideoSoundOutput::None},
        {FMOD_OUTPUTTYPE_WAVWRITER, VideoSoundOutput::None},
        {FMOD_OUTPUTTYPE_WAVWRITER_NRT, VideoSoundOutput::None},
        {FMOD_OUTPUTTYPE_DSOUND, VideoSoundOutput::Automatic},
    };
    for (const auto& [outputType, expected] : cases) {
        EXPECT_EQ(videoSoundOutput(outputType), expected) << outputType;
    }
}

} // namespace
