// The engine driven headless on real media: start-up, opening, the transport and the tick.
#include "engine_fixture.h"

#include <fstream>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

const fs::path& shortTone(int n) {
    static std::map<int, fs::path> tones;
    auto& path = tones[n];
    if (path.empty()) {
        path = testmedia::makeTone("short" + std::to_string(n) + ".wav", 300.0 + 100 * n, 0.1);
    }
    return path;
}

TEST(ResultCheck, ErrorTitlesRunNumberAndTextTogether) {
    EXPECT_EQ(ErrorTitle(23), "ERROR! No.23File not found. ");
    EXPECT_EQ(ErrorTitle(100), "ERROR! No.100Unknown error.");
    EXPECT_EQ(ErrorTitle(-1), "ERROR! No.-1Unknown error.");
    EXPECT_EQ(ResultText(0), "No errors.");
}

TEST_F(EngineTest, CheckResultLeavesTheTitleForStolenAndStaleHandles) {
    state.titleText = "keep";
    player->CheckResult(FMOD_ERR_CHANNEL_STOLEN);
    player->CheckResult(FMOD_ERR_INVALID_HANDLE);
    player->CheckResult(FMOD_OK);
    EXPECT_EQ(state.titleText, "keep");
    player->CheckResult(FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(state.titleText, "ERROR! No.23File not found. ");
}

TEST_F(EngineTest, StartUpMakesTheDataFoldersAndWaitsStopped) {
    EXPECT_TRUE(fs::is_directory(state.programFolder / "Data" / "GEQ"));
    EXPECT_TRUE(fs::is_directory(state.programFolder / "Data" / "Effector"));
    EXPECT_NE(state.soundSystem, 0u);
    EXPECT_TRUE(state.stoppedFlag);
    EXPECT_EQ(mainWindow.prepared, 1);
    // Stopped: ticks never start anything on their own.
    addToList({shortTone(1)});
    for (int i = 0; i < 5; ++i) {
        player->PlaybackTick();
    }
    EXPECT_EQ(state.currentSound, 0u);
    EXPECT_TRUE(player->TickCanRest());
    // Nothing open and no stop, as after an entry failed to open: the next tick moves on.
    state.stoppedFlag = false;
    EXPECT_FALSE(player->TickCanRest());
}

TEST_F(EngineTest, StartUpTakesInTheHelpFileAnUpdateLeftBehind) {
    const fs::path fetched = state.programFolder / "temp" / "sorvelhlp.html";
    const fs::path help = state.programFolder / "sorvelhlp.html";
    for (const char* text : {"first", "second"}) {
        player->Shutdown();
        fs::create_directories(fetched.parent_path());
        std::ofstream(fetched) << text;
        PlayerServices services;
        services.mainWindow = &mainWindow;
        player = std::make_unique<Player>(state, services);
        player->StartEngine();
    }
    // The first is taken in; the second waits, since a help file is there.
    EXPECT_EQ(readAll(help), "first");
    EXPECT_EQ(readAll(fetched), "second");
}

TEST_F(EngineTest, OpeningAFileStartsItAndWritesTitleAndLength) {
    const auto tagged =
        testmedia::makeTaggedTone("tagged.mp3", 440, 1.5, "My  Song", "Singer", "Record");
    state.currentIndex = 0;
    player->OpenMedia(tagged.string());
    EXPECT_NE(state.currentSound, 0u);
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_FALSE(state.stoppedFlag);
    EXPECT_EQ(state.lengthText, "00:01");
    EXPECT_EQ(state.titleText, "0. MySong - Singer");
    float volume = 0;
    EXPECT_EQ(FMOD_Channel_GetVolume(state.currentChannel, &volume), FMOD_OK);
    EXPECT_FLOAT_EQ(volume, 0.5f);
    int priority = -1;
    EXPECT_EQ(FMOD_Channel_GetPriority(state.currentChannel, &priority), FMOD_OK);
    EXPECT_EQ(priority, 128);

    // Without tags the title is the index and the file name.
    player->OpenMedia(shortTone(1).string());
    EXPECT_EQ(state.titleText, "0. " + shortTone(1).filename().string());
    // Playing directly with an empty list leaves one empty list slot.
    EXPECT_EQ(state.entryCount, 1);
    EXPECT_TRUE(state.playlistEntries[1].path.empty());
}

TEST_F(EngineTest, ListPlaysThroughAndStopsAtItsEndWithLoopOff) {
    addToList({shortTone(1), shortTone(2), shortTone(3)});
    EXPECT_EQ(playlistView.rows.size(), 3u);
    player->playlist().PlayEntryAt(1);
    EXPECT_EQ(entriesUntilStopped(), (std::vector<int32_t>{1, 2, 3, 1}));
    EXPECT_EQ(state.currentIndex, 1);
    // The next Play starts slot 1 again.
    player->TransportCommand(kPlay);
    EXPECT_FALSE(state.stoppedFlag);
    EXPECT_EQ(state.titleText, "1. " + shortTone(1).filename().string());
}

TEST_F(EngineTest, LoopModesRepeatOneOrWrapTheList) {
    addToList({shortTone(1), shortTone(2)});
    state.loopMode = 2;
    player->playlist().PlayEntryAt(2);
    ASSERT_TRUE(tickUntil([&] { return state.currentIndex == 1; }));
    EXPECT_FALSE(state.stoppedFlag);

    state.loopMode = 1;
    int starts = 0;
    FMOD_SOUND lastSound = state.currentSound;
    ASSERT_TRUE(tickUntil([&] {
        if (state.currentSound != lastSound) {
            ++starts;
            lastSound = state.currentSound;
        }
        return starts == 2;
    }));
    EXPECT_EQ(state.currentIndex, 1);

    // Repeat one also repeats a file opened directly.
    state.currentIndex = 0;
    player->OpenMedia(shortTone(3).string());
    lastSound = state.currentSound;
    ASSERT_TRUE(tickUntil([&] { return state.currentSound != lastSound; }));
    EXPECT_EQ(state.currentIndex, 0);
    EXPECT_EQ(state.playlistEntries[0].path, shortTone(3).string());
}

TEST_F(EngineTest, RandomWithOneEntryPlaysItAgain) {
    addToList({shortTone(1)});
    state.randomMode = 255;
    player->playlist().PlayEntryAt(1);
    FMOD_SOUND first = state.currentSound;
    ASSERT_TRUE(tickUntil([&] { return state.currentSound != first; }));
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_FALSE(state.stoppedFlag);
}

TEST_F(EngineTest, MissingFileInTheListIsSkippedByTheNextTick) {
    addToList({shortTone(1)});
    // A row whose file disappeared after it was added.
    const auto doomed = testmedia::makeTone("doomed.wav", 500, 0.1);
    addToList({doomed, shortTone(2)});
    fs::remove(doomed);
    player->playlist().PlayEntryAt(1);
    std::vector<int32_t> seen;
    ASSERT_TRUE(tickUntil([&] {
        if (seen.empty() || seen.back() != state.currentIndex) {
            seen.push_back(state.currentIndex);
        }
        return state.currentIndex == 3;
    }));
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_NE(state.currentChannel, 0u);
}

TEST_F(EngineTest, BackAndNextStopAtTheEndsOfTheList) {
    addToList({shortTone(1), shortTone(2)});
    player->playlist().PlayEntryAt(1);
    player->TransportCommand(kBack);
    EXPECT_EQ(state.currentIndex, 1);
    player->TransportCommand(kNext);
    EXPECT_EQ(state.currentIndex, 2);
    player->TransportCommand(kNext);
    EXPECT_EQ(state.currentIndex, 2);
    player->TransportCommand(kBack);
    EXPECT_EQ(state.currentIndex, 1);
}

TEST_F(EngineTest, StopHoldsTheTickAndPlayStartsTheEntryAgain) {
    const auto tone = testmedia::makeTone("stoppable.wav", 440, 3.0);
    addToList({tone});
    player->playlist().PlayEntryAt(1);
    for (int i = 0; i < 20; ++i) {
        player->PlaybackTick();
    }
    EXPECT_GT(state.positionMs, 300);
    EXPECT_FALSE(player->TickCanRest());
    player->TransportCommand(kStop);
    EXPECT_TRUE(state.stoppedFlag);
    EXPECT_NE(state.currentChannel, 0u);
    for (int i = 0; i < 10; ++i) {
        player->PlaybackTick();
    }
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_TRUE(player->TickCanRest());
    player->TransportCommand(kPlay);
    EXPECT_FALSE(state.stoppedFlag);
    player->PlaybackTick();
    EXPECT_LT(state.positionMs, 100);
    FMOD_BOOL playing = 0;
    EXPECT_EQ(FMOD_Channel_IsPlaying(state.currentChannel, &playing), FMOD_OK);
    EXPECT_EQ(playing, 1);

    // Pause toggles; Play resumes a paused channel.
    player->TransportCommand(kPause);
    FMOD_BOOL paused = 0;
    FMOD_Channel_GetPaused(state.currentChannel, &paused);
    EXPECT_EQ(paused, 1);
    EXPECT_FALSE(player->TickCanRest());
    player->TransportCommand(kPlay);
    FMOD_Channel_GetPaused(state.currentChannel, &paused);
    EXPECT_EQ(paused, 0);
}

TEST_F(EngineTest, HeldSeekButtonJumpsFurtherEachPassAndResumes) {
    const auto tone = testmedia::makeTone("seekable.wav", 440, 2.0);
    addToList({tone});
    player->playlist().PlayEntryAt(1);
    state.positionMs = 1000;
    mainWindow.holdPasses = 4;
    mainWindow.release = [&] { player->SeekButtonUp(); };
    const int32_t start = state.positionMs;
    player->SeekButtonDown(kSeekForward);
    // Passes add 5, 10, 15, 20 ms: 50 ms in all.
    EXPECT_EQ(state.positionMs, start + 5 + 10 + 15 + 20);
    EXPECT_FALSE(state.buttonHeld);
    EXPECT_FALSE(state.commandInProgress);
    FMOD_BOOL paused = 1;
    FMOD_Channel_GetPaused(state.currentChannel, &paused);
    EXPECT_EQ(paused, 0);

    // Backward never goes below 0, forward never beyond the length.
    state.positionMs = 12;
    mainWindow.holdPasses = 3;
    player->SeekButtonDown(kSeekBack);
    EXPECT_EQ(state.positionMs, 0);
    state.positionMs = 1990;
    mainWindow.holdPasses = 3;
    player->SeekButtonDown(kSeekForward);
    EXPECT_EQ(state.positionMs, 2000);
}

TEST_F(EngineTest, RandomAndLoopButtonsCycle) {
    player->TransportCommand(kRandom);
    EXPECT_EQ(state.randomMode, 255);
    player->TransportCommand(kRandom);
    EXPECT_EQ(state.randomMode, 0);
    for (uint8_t expected : {1, 2, 0}) {
        player->TransportCommand(kRepeatLoop);
        EXPECT_EQ(state.loopMode, expected);
    }
    // A release outside the button runs nothing.
    player->ButtonUp(kRandom, false);
    EXPECT_EQ(state.randomMode, 0);
    player->ButtonUp(kRandom, true);
    EXPECT_EQ(state.randomMode, 255);
    player->ButtonUp(kExit, true);
    EXPECT_EQ(mainWindow.exits, 1);
}

// Yes to the restart question closes the main window (whose closing shuts the engine down and
// then restarts); No keeps the player running with the old device.
TEST_F(EngineTest, ConfirmedDeviceChangeClosesTheWindowAndRestartsAfterShutdown) {
    clsAudioDeviceSettings& device = player->audioDeviceSettings();
    messageBox.answer = MessageAnswer::No;
    EXPECT_FALSE(device.DeviceSet(true));
    EXPECT_EQ(mainWindow.exits, 0);
    player->RestartIfDeviceChanged();
    EXPECT_EQ(launcher.starts, 0);

    messageBox.answer = MessageAnswer::Yes;
    EXPECT_TRUE(device.DeviceSet(true));
    EXPECT_EQ(messageBox.texts.back(),
              "設定を反映させるために、Sorvelを再起動します。\r\nよろしいですか？");
    EXPECT_EQ(mainWindow.exits, 1);
    EXPECT_TRUE(device.DeviceSet());
    player->Shutdown();
    player->RestartIfDeviceChanged();
    EXPECT_EQ(launcher.starts, 1);
    // Given false, nothing is asked and nothing closes.
    const size_t asked = messageBox.texts.size();
    EXPECT_FALSE(device.DeviceSet(false));
    EXPECT_EQ(messageBox.texts.size(), asked);
    EXPECT_EQ(mainWindow.exits, 1);
}

TEST_F(EngineTest, OpenDialogPlaysTheChosenFileDirectly) {
    addToList({shortTone(1)});
    state.currentIndex = 1;
    fileDialog.next = shortTone(2).string();
    player->TransportCommand(kOpenFile);
    ASSERT_EQ(fileDialog.requests.size(), 1u);
    EXPECT_EQ(fileDialog.requests[0].title, "Open");
    EXPECT_EQ(fileDialog.requests[0].filters.front().label, "All audio files (*.*)");
    EXPECT_EQ(fileDialog.requests[0].filters.back().patterns, "*.*");
    EXPECT_EQ(state.currentIndex, 0);
    EXPECT_EQ(state.playlistEntries[0].path, shortTone(2).string());
}

TEST_F(EngineTest, CommandLineOpensOnlyTheQuotedPath) {
    EXPECT_EQ(CommandLineFile("\"/music/a b.mp3\" --extra"), "/music/a b.mp3");
    EXPECT_EQ(CommandLineFile("/music/plain.mp3"), "/music/plain.mp3");
    player->OpenFromCommandLine("\"" + shortTone(4).string() + "\" ignored");
    EXPECT_EQ(state.playlistEntries[0].path, shortTone(4).string());
    FMOD_BOOL playing = 0;
    EXPECT_EQ(FMOD_Channel_IsPlaying(state.currentChannel, &playing), FMOD_OK);
    EXPECT_EQ(playing, 1);
}

TEST_F(EngineTest, AListOpenedAsAFileStartsItsFirstEntryAndPlaysThroughWithLoopOff) {
    const fs::path list = state.programFolder / "three.m3u";
    writeAll(list, shortTone(1).string() + "\r\n" + shortTone(2).string() + "\r\n" +
                       shortTone(3).string() + "\r\n");
    player->OpenFromCommandLine(list.string());
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_EQ(entriesUntilStopped(), (std::vector<int32_t>{1, 2, 3, 1}));

    // Something playing keeps playing: the list is only loaded.
    player->OpenMedia(shortTone(4).string());
    const FMOD_SOUND playing = state.currentSound;
    player->OpenMedia(list.string());
    EXPECT_EQ(state.currentSound, playing);
    EXPECT_EQ(state.entryCount, 3);
}

TEST_F(EngineTest, AMissingFileNamedOnTheCommandLineShowsTheLibrarysAnswer) {
    const fs::path missing = state.programFolder / "no such file.mp3";
    player->OpenFromCommandLine("\"" + missing.string() + "\"");
    EXPECT_EQ(state.titleText, ErrorTitle(FMOD_ERR_FILE_NOTFOUND));
    player->OpenFromCommandLine((state.programFolder / "gone.m3u").string());
    EXPECT_EQ(state.titleText, ErrorTitle(FMOD_ERR_FILE_NOTFOUND));
    // A file the library cannot play shows its answer the same way.
    const fs::path text = state.programFolder / "notes.mp3";
    writeAll(text, "not a sound at all");
    state.titleText.clear();
    player->OpenFromCommandLine(text.string());
    EXPECT_EQ(state.titleText.rfind("ERROR! No.", 0), 0u) << state.titleText;
    // Ticks leave the line as it is.
    tickUntil([] { return false; }, 5);
    EXPECT_EQ(state.titleText.rfind("ERROR! No.", 0), 0u) << state.titleText;
}

TEST(CommandLineItems, QuotedItemsOneAfterAnotherOrTheWholeText) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(CommandLineItems(""), Items{});
    EXPECT_EQ(CommandLineItems("/music/a b.mp3"), Items{"/music/a b.mp3"});
    EXPECT_EQ(CommandLineItems("\"/a.mp3\" \"/b c.mp3\"  \"http://x/\""),
              (Items{"/a.mp3", "/b c.mp3", "http://x/"}));
    EXPECT_EQ(CommandLineItems("\"/a.mp3\" --extra \"/b.mp3\""), Items{"/a.mp3"});
    EXPECT_EQ(CommandLineItems("\"/unclosed.mp3"), Items{"/unclosed.mp3"});
    EXPECT_EQ(CommandLineItems("file:///music/a%20b.mp3"), Items{"/music/a b.mp3"});
    EXPECT_EQ(CommandLineItems("\"file:///q%22.mp3\" \"/b.mp3\""), (Items{"/q\".mp3", "/b.mp3"}));
}

TEST_F(EngineTest, SeveralFilesOnTheCommandLineJoinTheListAndPlayInTurn) {
    addToList({shortTone(5)});
    const std::string missing = (state.programFolder / "gone.wav").string();
    player->OpenFromCommandLine("\"" + shortTone(1).string() + "\" \"" + missing + "\" \"file://" +
                                shortTone(2).string() + "\"");
    EXPECT_EQ(state.entryCount, 3);
    EXPECT_EQ(state.currentIndex, 2);
    EXPECT_EQ(state.playlistEntries[2].path, shortTone(1).string());
    EXPECT_EQ(state.playlistEntries[3].path, shortTone(2).string());
    ASSERT_TRUE(tickUntil([&] { return state.currentIndex == 3; }));

    // None of them there: the first one's error shows.
    player->OpenFromCommandLine("\"" + missing + "\" \"" + missing + "\"");
    EXPECT_EQ(state.titleText, ErrorTitle(FMOD_ERR_FILE_NOTFOUND));
}

TEST_F(EngineTest, VideoEntriesFailToOpenWithoutAVideoWindow) {
    const fs::path video = state.programFolder / "clip.avi";
    std::ofstream(video) << "not really a video";
    addToList({shortTone(1)});
    state.playlistEntries.resize(3);
    state.playlistEntries[2].path = video.string();
    state.entryCount = 2;
    player->playlist().PlayEntryAt(2);
    EXPECT_FALSE(state.isVideo);
    EXPECT_EQ(state.currentSound, 0u);
}

} // namespace
