// The player put together: the shared state, the engine, the main window, the video window, the
// option objects, the settings file and the desktop notice, created and wired in the start-up
// order and taken down by the closing sequence. UI thread only.
#pragma once

#include "CDList.h"
#include "DirectShowPlay.h"
#include "LoudnessScanDialog.h"
#include "Mwnd.h"
#include "OptionWND.h"
#include "OptionsWindowModel.h"
#include "PlayerDesktop.h"
#include "PlayerServices.h"
#include "PlayerState.h"
#include "PlaylistFrm.h"
#include "ProgramFolder.h"
#include "QtFileDialog.h"
#include "QtMessageBox.h"
#include "QtShellLauncher.h"
#include "SettingFile.h"
#include "SkinDescription.h"
#include "SkinPictures.h"
#include "clsSnap.h"
#include "frmMain.h"

#include <QObject>
#include <filesystem>
#include <memory>
#include <string>

namespace sorvel {

class MprisService;
class PlayerMediaControl;
class SingleInstance;
class UpdateCommands;
class clsDsp;
class clsOption;

class PlayerApplication final : public QObject,
                                public SettingsStore,
                                public PlaybackRateControl,
                                public NowPlayingNotifier,
                                public ProcessLauncher {
    Q_OBJECT
public:
    explicit PlayerApplication(const ProgramPlaces& places, QObject* parent = nullptr);
    // A portable player in `programFolder`, its shipped files beside the running program.
    explicit PlayerApplication(std::filesystem::path programFolder, QObject* parent = nullptr);
    ~PlayerApplication() override;

    // Starts the engine (which shows the window) and plays the command line's file, if any.
    void start(const std::string& commandLine);
    // A command line handed over by a second start.
    void openFromCommandLine(const std::string& commandLine);
    // SIGTERM or SIGINT: open modal boxes are cancelled, and once their loops have returned
    // the main window closes through the normal closing sequence.
    void closeOnSignal();
    // Called from the main event loop once it runs: loops deeper than it are nested.
    void mainLoopStarted() { mainLoopRunning_ = true; }
    // The single-instance server closes with the player.
    void setInstanceServer(SingleInstance* server) { server_ = server; }

    PlayerState& state() { return state_; }
    Player& player() { return *player_; }
    Mwnd& mainWindow() { return *mwnd_; }
    PlaylistFrm& playlistWindow() { return *playlistWindow_; }
    DirectShowPlay& videoWindow() { return *videoWindow_; }
    // The options window's model (loaded once the engine runs) and the window while open.
    OptionsWindowModel* optionsModel() { return optionsModel_.get(); }
    OptionWND* optionsWindow() { return optionsWindow_.get(); }
    void openOptions(int page);
    // The tag editor on a file (ID3FileSet's hand-over), and the CD chooser; each is made on
    // first use and kept. Null until then.
    void openTagEditor(const std::string& path);
    frmMain* tagEditor() { return tagEditor_.get(); }
    void openCdChooser();
    CDList* cdChooser() { return cdChooser_.get(); }
    // The loudness scan of the playlist, from the main window's menu.
    LoudnessScanDialog& loudnessScan() { return *loudnessScan_; }
    PlayerDesktop& desktop() { return *desktop_; }
    clsSnap& snap() { return snap_; }
    clsOption* options() { return option_.get(); }
    clsDsp* dsp() { return dsp_.get(); }
    SkinDescription& skin() { return skin_; }

    // The engine's services that forward to objects made during start-up.
    void LoadSettings(bool devicePartOnly) override;
    void SaveSettings() override;
    void ApplyPlaybackRateSettings() override;
    void Send_Messenger(const std::string& text, int playing) override;
    void StartPlayer() override;

private:
    void createOptionObjects();
    SettingsOwners settingsOwners();
    void closing();
    void loadOptionsModel();
    void unloadOptionsModel();
    // A window made while the windows are on top joins them.
    void joinTopMost(QWidget& window);

    PlayerState state_;
    SkinDescription skin_;
    SkinPictures pictures_;
    clsSnap snap_;
    QtMessageBox messageBox_;
    QtFileDialog fileDialog_;
    QtShellLauncher shell_;
    std::unique_ptr<UpdateCommands> updateCommands_;
    std::unique_ptr<Mwnd> mwnd_;
    std::unique_ptr<PlayerDesktop> desktop_;
    std::unique_ptr<DirectShowPlay> videoWindow_;
    std::unique_ptr<Player> player_;
    std::unique_ptr<PlaylistFrm> playlistWindow_;
    std::unique_ptr<clsOption> option_;
    std::unique_ptr<clsDsp> dsp_;
    std::unique_ptr<SettingFile> settings_;
    std::unique_ptr<FileAssociations> associations_;
    std::unique_ptr<OptionsWindowModel> optionsModel_;
    std::unique_ptr<OptionWND> optionsWindow_;
    std::unique_ptr<frmMain> tagEditor_;
    std::unique_ptr<CDList> cdChooser_;
    std::unique_ptr<LoudnessScanDialog> loudnessScan_;
    bool closed_ = false;
    bool mainLoopRunning_ = false;
    int signalWaits_ = 0;
    std::unique_ptr<PlayerMediaControl> mediaControl_;
    std::unique_ptr<MprisService> mpris_;
    SingleInstance* server_ = nullptr;
};

} // namespace sorvel
