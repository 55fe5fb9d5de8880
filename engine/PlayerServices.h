// What the player's logic asks of the windows and of the parts built around it. The Qt windows
// implement these; tests fake them. All calls come on the UI thread.
#pragma once

#include "PlaylistView.h"
#include "WindowServices.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvel {

enum class WindowState { Normal, Minimized, Maximized };

// The main window as the engine sees it.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    virtual WindowState windowState() const = 0;
    // Window half of start-up: hide, wait, apply the skin, show, accept drops, start the tick.
    virtual void PrepareWindows() = 0;
    virtual void ShowAnalyzerPicture(bool visible) = 0;
    // Draws the analyzer when it is switched on; true when it drew (and so wants an update).
    virtual bool AnalyzerStep() = 0;
    virtual void MoveSeekKnob(int32_t positionMs, uint32_t lengthMs) = 0;
    virtual void DrawTimeAndTitle() = 0;
    virtual void RefreshTrayTip() = 0;
    virtual void ShowButtonNormal(int index) = 0;
    virtual void ShowPlaylistWindow() = 0;
    virtual void ShowOptionsWindow(int page) = 0;
    virtual void ShowCdChooser() = 0;
    virtual void Minimize() = 0;
    virtual void Exit() = 0;
    // Lets pending window events run (the seek-hold loop).
    virtual void ProcessPendingEvents() = 0;
};

// The effect object's playback-rate settings, applied to every newly started channel.
class PlaybackRateControl {
public:
    virtual ~PlaybackRateControl() = default;
    virtual void ApplyPlaybackRateSettings() = 0;
};

// The now-playing notice.
class NowPlayingNotifier {
public:
    virtual ~NowPlayingNotifier() = default;
    virtual void Send_Messenger(const std::string& text, int playing) = 0;
};

// The video window. Until it exists, nothing is ever loaded and opening fails.
class VideoService {
public:
    virtual ~VideoService() = default;
    virtual bool loaded() const = 0;
    virtual void StopAndRelease() = 0;
    virtual bool Open(int32_t index, const std::string& path) = 0;
    virtual bool running() const = 0;
    virtual void Pause() = 0;
    virtual void Run() = 0;
    virtual void StopAndRewind() = 0;
    virtual void SetPositionSeconds(double seconds) = 0;
    virtual double PositionSeconds() const = 0;
    virtual double DurationSeconds() const = 0;
    virtual void SetVolume(int32_t hundredthsOfDecibel) = 0;
    virtual void SetBalance(int32_t balance) = 0;
    virtual void Unload() = 0;
};

// Settings file hooks run at start-up and closing.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual void LoadSettings(bool devicePartOnly) = 0;
    virtual void SaveSettings() = 0;
};

// Starts a new instance of the player (the restart after a device change).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual void StartPlayer() = 0;
};

// Everything the player's logic reaches outside itself. Members left null get do-nothing
// stand-ins (see NullServices.h).
struct PlayerServices {
    MessageBoxService* messageBox = nullptr;
    FileDialogService* fileDialog = nullptr;
    PlaylistView* playlistView = nullptr;
    MainWindowView* mainWindow = nullptr;
    PlaybackRateControl* playbackRate = nullptr;
    NowPlayingNotifier* notifier = nullptr;
    VideoService* video = nullptr;
    SettingsStore* settings = nullptr;
    ProcessLauncher* launcher = nullptr;
    // Creates the option objects once the sound library is initialised (start-up step).
    std::function<void()> createOptionObjects;
};

} // namespace sorvel
