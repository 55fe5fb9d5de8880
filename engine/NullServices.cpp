#include "NullServices.h"

namespace sorvel {
namespace {

class NullMessageBox final : public MessageBoxService {
public:
    MessageAnswer show(const std::string&, const std::string&, MessageButtons buttons,
                       MessageIcon) override {
        switch (buttons) {
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::OkCancel:
            return MessageAnswer::Cancel;
        case MessageButtons::Ok:
            break;
        }
        return MessageAnswer::Ok;
    }
};

class NullFileDialog final : public FileDialogService {
public:
    std::optional<std::string> choose(const FileDialogRequest&) override { return std::nullopt; }
};

class NullPlaylistView final : public PlaylistView {
public:
    void AddListRow(int32_t, const PlaylistEntry&) override {}
    void ClearListRows() override {}
    void HighlightCurrentRow(int32_t) override {}
};

class NullMainWindow final : public MainWindowView {
public:
    WindowState windowState() const override { return WindowState::Normal; }
    void PrepareWindows() override {}
    void ShowAnalyzerPicture(bool) override {}
    bool AnalyzerStep() override { return false; }
    void MoveSeekKnob(int32_t, uint32_t) override {}
    void DrawTimeAndTitle() override {}
    void RefreshTrayTip() override {}
    void ShowButtonNormal(int) override {}
    void ShowPlaylistWindow() override {}
    void ShowOptionsWindow(int) override {}
    void ShowCdChooser() override {}
    void Minimize() override {}
    void Exit() override {}
    void ProcessPendingEvents() override {}
};

class NullPlaybackRate final : public PlaybackRateControl {
public:
    void ApplyPlaybackRateSettings() override {}
};

class NullNotifier final : public NowPlayingNotifier {
public:
    void Send_Messenger(const std::string&, int) override {}
};

class NullVideo final : public VideoService {
public:
    bool loaded() const override { return false; }
    bool Load(const std::string&) override { return false; }
    std::string failure() const override { return "no video window"; }
    VideoSize NativeSize() const override { return {}; }
    void Present() override {}
    void Release() override {}
    void Unload() override {}
    bool running() const override { return false; }
    void Run() override {}
    void Pause() override {}
    void Stop() override {}
    void Rewind() override {}
    void SetPositionSeconds(double) override {}
    double PositionSeconds() const override { return 0.0; }
    double DurationSeconds() const override { return 0.0; }
    void SetVolume(int32_t) override {}
    void SetBalance(int32_t) override {}
    bool stillRequested() const override { return false; }
    void SaveVideoStill() override {}
};

class NullSettings final : public SettingsStore {
public:
    void LoadSettings(bool) override {}
    void SaveSettings() override {}
};

class NullLauncher final : public ProcessLauncher {
public:
    void StartPlayer() override {}
};

template <class T> T* orNull(T* given, T& fallback) {
    return given != nullptr ? given : &fallback;
}

} // namespace

PlayerServices WithNullServices(PlayerServices services) {
    // Shared stand-ins: none keeps state a player relies on.
    static thread_local NullMessageBox messageBox;
    static thread_local NullFileDialog fileDialog;
    static thread_local NullPlaylistView playlistView;
    static thread_local NullMainWindow mainWindow;
    static thread_local NullPlaybackRate playbackRate;
    static thread_local NullNotifier notifier;
    static thread_local NullVideo video;
    static thread_local NullSettings settings;
    static thread_local NullLauncher launcher;
    services.messageBox = orNull<MessageBoxService>(services.messageBox, messageBox);
    services.fileDialog = orNull<FileDialogService>(services.fileDialog, fileDialog);
    services.playlistView = orNull<PlaylistView>(services.playlistView, playlistView);
    services.mainWindow = orNull<MainWindowView>(services.mainWindow, mainWindow);
    services.playbackRate = orNull<PlaybackRateControl>(services.playbackRate, playbackRate);
    services.notifier = orNull<NowPlayingNotifier>(services.notifier, notifier);
    services.video = orNull<VideoService>(services.video, video);
    services.settings = orNull<SettingsStore>(services.settings, settings);
    services.launcher = orNull<ProcessLauncher>(services.launcher, launcher);
    return services;
}

} // namespace sorvel
