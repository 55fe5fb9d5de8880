// A player on the no-sound non-real-time output with recording fakes for every window service.
#pragma once

#include "Player.h"
#include "PlayerState.h"
#include "playlist_fakes.h"
#include "test_media.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

using namespace sorvel;

using fakes::FakeFileDialog;
using fakes::FakeMessageBox;
using fakes::FakePlaylistView;

struct FakeMainWindow : MainWindowView {
    WindowState state = WindowState::Normal;
    int prepared = 0;
    int drawn = 0;
    int exits = 0;
    // Passes of the seek-hold loop before the button is let go.
    int holdPasses = 0;
    std::function<void()> release;
    WindowState windowState() const override { return state; }
    void PrepareWindows() override { ++prepared; }
    void ShowAnalyzerPicture(bool) override {}
    bool AnalyzerStep() override { return false; }
    void MoveSeekKnob(int32_t, uint32_t) override {}
    void DrawTimeAndTitle() override { ++drawn; }
    void RefreshTrayTip() override {}
    void ShowButtonNormal(int) override {}
    void ShowPlaylistWindow() override {}
    void ShowOptionsWindow(int) override {}
    void ShowCdChooser() override {}
    void Minimize() override {}
    void Exit() override { ++exits; }
    void ProcessPendingEvents() override {
        if (holdPasses-- <= 0 && release) {
            release();
        }
    }
};

struct FakeLauncher : ProcessLauncher {
    int starts = 0;
    void StartPlayer() override { ++starts; }
};

// A video window whose clock the test moves: files that exist load at 320 x 240 with
// `duration` seconds; what plays, stops or moves it is recorded in `calls`.
struct FakeVideo : VideoService {
    bool isLoaded = false;
    bool isRunning = false;
    double position = 0.0;
    double duration = 3.0;
    int32_t volume = 1;
    int32_t balance = 1;
    int presented = 0;
    int unloads = 0;
    std::vector<std::string> calls;

    bool loaded() const override { return isLoaded; }
    bool Load(const std::string& file) override {
        calls.push_back("Load");
        std::error_code error;
        isLoaded = std::filesystem::exists(file, error);
        isRunning = false;
        position = 0.0;
        return isLoaded;
    }
    std::string failure() const override { return "cannot play"; }
    VideoSize NativeSize() const override { return {320, 240}; }
    void Present() override { ++presented; }
    void Release() override { isLoaded = isRunning = false; }
    void Unload() override {
        Release();
        ++unloads;
    }
    bool running() const override { return isRunning; }
    void Run() override { record("Run", true); }
    void Pause() override { record("Pause", false); }
    void Stop() override { record("Stop", false); }
    void Rewind() override { SetPositionSeconds(0.0); }
    void SetPositionSeconds(double seconds) override {
        calls.push_back("Seek");
        position = seconds;
    }
    double PositionSeconds() const override { return position; }
    double DurationSeconds() const override { return duration; }
    void SetVolume(int32_t hundredthsOfDecibel) override { volume = hundredthsOfDecibel; }
    void SetBalance(int32_t value) override { balance = value; }
    bool stillRequested() const override { return false; }
    void SaveVideoStill() override {}

    void record(const char* call, bool runs) {
        calls.push_back(call);
        isRunning = runs;
    }
};

// The now-playing notices, in the order they were sent.
struct FakeNotifier : NowPlayingNotifier {
    std::vector<std::pair<std::string, int>> sent;
    void Send_Messenger(const std::string& text, int playing) override {
        sent.emplace_back(text, playing);
    }
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        state.programFolder = testmedia::mediaDir() / ("program" + std::to_string(++counter));
        std::filesystem::create_directories(state.programFolder);
        PlayerServices services;
        services.messageBox = &messageBox;
        services.fileDialog = &fileDialog;
        services.playlistView = &playlistView;
        services.mainWindow = &mainWindow;
        services.launcher = &launcher;
        services.notifier = &notifier;
        if (withVideoWindow) {
            services.video = &video;
        }
        std::ofstream(state.programFolder / "sorvel_Settings.ini") << settingsText();
        player = std::make_unique<Player>(state, services);
        player->StartEngine();
    }
    void TearDown() override {
        if (player) {
            player->Shutdown();
        }
    }

    // The device part of the settings file. By default the no-sound non-real-time output, so a
    // tick renders one block and tracks end in test time.
    virtual std::string settingsText() const { return "[Etc]\r\n-OutputType=4\r\n"; }

    // Ticks until `done` holds (at most `limit` ticks); true when it did.
    template <class F> bool tickUntil(F&& done, int limit = 400) {
        for (int i = 0; i < limit; ++i) {
            if (done()) {
                return true;
            }
            player->PlaybackTick();
        }
        return done();
    }

    // The current entries one after another, ticking until the list stops (nothing when it
    // does not stop within the ticks tickUntil allows).
    std::vector<int32_t> entriesUntilStopped() {
        std::vector<int32_t> order{state.currentIndex};
        const bool stopped = tickUntil([&] {
            if (order.back() != state.currentIndex) {
                order.push_back(state.currentIndex);
            }
            return state.stoppedFlag;
        });
        return stopped ? order : std::vector<int32_t>{};
    }

    // Adds files to the list at slots 1, 2, ...
    void addToList(const std::vector<std::filesystem::path>& files) {
        int32_t slot = state.entryCount + 1;
        for (const auto& file : files) {
            ASSERT_EQ(player->playlist().AddEntry(slot++, PlaylistController::kOpenHere,
                                                  file.string(), true),
                      0)
                << file;
        }
    }

    PlayerState state;
    FakeMessageBox messageBox;
    FakeFileDialog fileDialog;
    FakePlaylistView playlistView;
    FakeMainWindow mainWindow;
    FakeLauncher launcher;
    FakeNotifier notifier;
    // Set by a derived fixture's constructor: the player gets `video` as its video window.
    bool withVideoWindow = false;
    FakeVideo video;
    std::unique_ptr<Player> player;
};

// A file's bytes, and a file made of `text`.
inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace enginetest
