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

// A video's picture size in pixels.
struct VideoSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const VideoSize&) const = default;
};

// The video window, which plays one video at a time, picture and sound, on its own. Without a
// window nothing loads and video entries fail to open.
class VideoService {
public:
    virtual ~VideoService() = default;
    // Whether a video is loaded (from Load until Release).
    virtual bool loaded() const = 0;
    // Loads a file, paused at its start, waiting a bounded time until its picture's size is
    // known. False when it cannot be played: nothing is loaded and failure() says why.
    virtual bool Load(const std::string& path) = 0;
    virtual std::string failure() const = 0;
    virtual VideoSize NativeSize() const = 0;
    // Shows the window with its client area at the native size, or full screen (the main
    // window hidden) when the window is in full-screen mode.
    virtual void Present() = 0;
    // Stops and releases the loaded video; the window stays as it is.
    virtual void Release() = 0;
    // The window goes away with its video (an audio entry opens).
    virtual void Unload() = 0;
    virtual bool running() const = 0;
    virtual void Run() = 0;
    virtual void Pause() = 0;
    // Stopped where it is; Rewind goes back to the start.
    virtual void Stop() = 0;
    virtual void Rewind() = 0;
    virtual void SetPositionSeconds(double seconds) = 0;
    // At the video's end the position equals the duration.
    virtual double PositionSeconds() const = 0;
    virtual double DurationSeconds() const = 0;
    // Hundredths of a decibel, -10000 (silent) to 0 (full).
    virtual void SetVolume(int32_t hundredthsOfDecibel) = 0;
    // -10000 (left only) to 10000 (right only): the other side is lowered by hundredths of a
    // decibel.
    virtual void SetBalance(int32_t balance) = 0;
    // Whether the still-frame key (Print Screen) was pressed since the last still.
    virtual bool stillRequested() const = 0;
    // Saves the current frame under a name the user gives; playback then continues.
    virtual void SaveVideoStill() = 0;
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
