#include "PlayerApplication.h"

#include "MprisService.h"
#include "PlayerMediaControl.h"
#include "ProgramFolder.h"
#include "SignalQuit.h"
#include "SingleInstance.h"
#include "UpdateCommands.h"
#include "clsDsp.h"
#include "clsOption.h"
#include "skinned_window.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QTimer>

namespace sorvel {

namespace {

ProgramPlaces portablePlaces(std::filesystem::path programFolder) {
    ProgramPlaces places;
    places.programFolder = places.settingsFolder = std::move(programFolder);
    places.shippedFolder = ExecutableDirectory();
    return places;
}

} // namespace

PlayerApplication::PlayerApplication(std::filesystem::path programFolder, QObject* parent)
    : PlayerApplication(portablePlaces(std::move(programFolder)), parent) {}

PlayerApplication::PlayerApplication(const ProgramPlaces& places, QObject* parent)
    : QObject(parent) {
    state_.programFolder = places.programFolder;
    state_.settingsFolder = places.settingsFolder;
    state_.shippedFolder = places.shippedFolder;
    mwnd_ = std::make_unique<Mwnd>(state_, skin_, pictures_, snap_);
    desktop_ = std::make_unique<PlayerDesktop>(*mwnd_, snap_);
    videoWindow_ = std::make_unique<DirectShowPlay>(state_.programFolder, mwnd_.get());
    videoWindow_->setWindowIcon(playerIcon());
    messageBox_.setOwner(mwnd_.get());
    fileDialog_.setOwner(mwnd_.get());

    PlayerServices services;
    services.messageBox = &messageBox_;
    services.fileDialog = &fileDialog_;
    services.mainWindow = mwnd_.get();
    services.video = videoWindow_.get();
    services.playbackRate = this;
    services.notifier = this;
    services.settings = this;
    services.launcher = this;
    services.createOptionObjects = [this] { createOptionObjects(); };
    player_ = std::make_unique<Player>(state_, services);
    playlistWindow_ =
        std::make_unique<PlaylistFrm>(player_->playlist(), skin_, pictures_, snap_, *mwnd_);
    mwnd_->setPlaylistWindow(playlistWindow_.get());
    desktop_->setPlaylistWindow(playlistWindow_.get());
    snap_.setWindows(mwnd_.get(), playlistWindow_.get());

    // Until the option objects exist, only the device part of the settings can be read.
    settings_ = std::make_unique<SettingFile>(settingsOwners());
    mwnd_->setPlayer(player_.get());
    mwnd_->setMessageBox(&messageBox_);
    mwnd_->setClosing([this] { closing(); });
    mwnd_->setOptionsOpener([this](int page) { openOptions(page); });
    // The updater, the help and the other shipped documents lie with the shipped files: beside
    // a portable program, in the data folder of an installed one (which updates refuse).
    updateCommands_ = std::make_unique<UpdateCommands>(places.shippedFolder, messageBox_, shell_,
                                                       [this] { mwnd_->close(); });
    mwnd_->setUpdateCommands(updateCommands_.get());
    mwnd_->setCdChooserOpener([this] { openCdChooser(); });
    loudnessScan_ = std::make_unique<LoudnessScanDialog>(*player_, messageBox_, mwnd_.get());
    mwnd_->setLoudnessScanOpener([this] { loudnessScan_->open(); });
    playlistWindow_->setTagEditor([this](const std::string& path) { openTagEditor(path); });
}

PlayerApplication::~PlayerApplication() {
    if (state_.soundSystem != 0) {
        mwnd_->close(); // however the event loop ended, the closing sequence saves the settings
    }
    // The window goes first: nothing may tick into the engine while it is taken apart.
    mwnd_->setPlayer(nullptr);
    mwnd_->setOptions(nullptr);
    optionsWindow_.reset();
    unloadOptionsModel();
    mwnd_->setUpdateCommands(nullptr);
    cdChooser_.reset();
    tagEditor_.reset();
    loudnessScan_.reset(); // stops a scan still running
    mpris_.reset();
    mediaControl_.reset();
    settings_.reset();
    dsp_.reset();
    option_.reset();
    desktop_.reset();
    mwnd_->setPlaylistWindow(nullptr);
    playlistWindow_.reset();
    mwnd_.reset();
    player_.reset();
    videoWindow_.reset();
}

SettingsOwners PlayerApplication::settingsOwners() {
    SettingsOwners owners;
    owners.state = &state_;
    owners.device = &player_->audioDeviceSettings();
    owners.dsp = dsp_.get();
    owners.option = option_.get();
    owners.skin = &skin_;
    owners.window = mwnd_.get();
    owners.messageBox = &messageBox_;
    return owners;
}

void PlayerApplication::createOptionObjects() {
    option_ = std::make_unique<clsOption>(*desktop_,
                                          QCoreApplication::applicationFilePath().toStdString(),
                                          [this] { return state_.titleText; });
    dsp_ = std::make_unique<clsDsp>(state_, [this](auto result) { player_->CheckResult(result); });
    settings_ = std::make_unique<SettingFile>(settingsOwners());
    mwnd_->setOptions(option_.get());
    mediaControl_ = std::make_unique<PlayerMediaControl>(
        *player_, [this] { mwnd_->restoreNormal(); }, [this] { mwnd_->close(); });
    mpris_ = std::make_unique<MprisService>(QDBusConnection::sessionBus(), *mediaControl_, *option_,
                                            [this] { return state_.isVideo; });
}

void PlayerApplication::start(const std::string& commandLine) {
    player_->StartEngine();
    // Videos play through the video window's own sound output, which follows the library's.
    videoWindow_->setSoundOutput(videoSoundOutput(player_->audioDeviceSettings().OutputType()));
    // The options window's controls hold settings the engine and the settings save read: they
    // are loaded, hidden, before the first entry starts.
    loadOptionsModel();
    if (!commandLine.empty()) {
        player_->OpenFromCommandLine(commandLine);
    }
}

void PlayerApplication::openFromCommandLine(const std::string& commandLine) {
    if (!commandLine.empty() && state_.soundSystem != 0) {
        player_->OpenFromCommandLine(commandLine);
    }
}

void PlayerApplication::closeOnSignal() {
    // Closing inside a box's loop would take the engine down under the code that asked the
    // question; the box is cancelled and the closing waits (a bounded time) until it returned.
    constexpr int kWaitMs = 20;
    constexpr int kMaxWaits = 250;
    player_->releaseHeldButton(); // a held seek button's loop ends on its next pass
    if (SignalQuit::dismissModalWindows(mainLoopRunning_ ? 1 : 0) && ++signalWaits_ < kMaxWaits) {
        QTimer::singleShot(kWaitMs, this, [this] { closeOnSignal(); });
        return;
    }
    mwnd_->close();
}

void PlayerApplication::LoadSettings(bool devicePartOnly) {
    settings_->LoadSettings(devicePartOnly);
}

void PlayerApplication::SaveSettings() {
    settings_->SaveSettings();
}

void PlayerApplication::ApplyPlaybackRateSettings() {
    if (dsp_ != nullptr) {
        dsp_->ApplyPlaybackRateSettings();
    }
}

void PlayerApplication::Send_Messenger(const std::string& text, int playing) {
    if (mpris_ != nullptr) {
        mpris_->Send_Messenger(text, playing);
    }
}

void PlayerApplication::StartPlayer() {
    // The restart after a device change: a plain start, which the settings let through.
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

void PlayerApplication::loadOptionsModel() {
    if (optionsModel_ != nullptr || dsp_ == nullptr || option_ == nullptr || closed_) {
        return;
    }
    if (associations_ == nullptr) {
        associations_ = std::make_unique<FileAssociations>(FileAssociations::forCurrentUser(
            QCoreApplication::applicationFilePath().toStdString()));
    }
    OptionsWindowOwners owners;
    owners.state = &state_;
    owners.dsp = dsp_.get();
    owners.option = option_.get();
    owners.device = &player_->audioDeviceSettings();
    owners.settings = this;
    owners.messageBox = &messageBox_;
    owners.fileDialog = &fileDialog_;
    owners.associations = associations_.get();
    owners.reapplySkin = [this] { mwnd_->ReapplySkin(); };
    owners.restartTick = [this](int32_t period) { mwnd_->setTickPeriod(period); };
    owners.replayGainChanged = [this](int32_t mode, int32_t preAmpDb) {
        player_->setReplayGain(mode, preAmpDb);
    };
    optionsModel_ = std::make_unique<OptionsWindowModel>(std::move(owners));
    settings_->owners().optionsWindow = optionsModel_.get();
}

void PlayerApplication::unloadOptionsModel() {
    if (settings_ != nullptr) {
        settings_->owners().optionsWindow = nullptr;
    }
    optionsModel_.reset();
}

void PlayerApplication::openOptions(int page) {
    loadOptionsModel();
    if (optionsModel_ == nullptr) {
        return;
    }
    if (optionsWindow_ == nullptr) {
        optionsWindow_ = std::make_unique<OptionWND>(*optionsModel_);
        optionsWindow_->setWindowIcon(playerIcon());
        optionsWindow_->onClosed = [this] {
            // Unloaded after the close has finished; the next use loads it again.
            QTimer::singleShot(0, this, [this] {
                optionsWindow_.reset();
                unloadOptionsModel();
                loadOptionsModel();
            });
        };
        desktop_->setOptionsWindow(optionsWindow_.get());
        joinTopMost(*optionsWindow_);
    }
    optionsWindow_->showPage(page);
    optionsWindow_->show();
    optionsWindow_->raise();
    optionsWindow_->activateWindow();
}

void PlayerApplication::joinTopMost(QWidget& window) {
    if (option_ != nullptr && option_->TopMost() != 0) {
        setStaysOnTop(window, true, snap_);
    }
}

void PlayerApplication::openTagEditor(const std::string& path) {
    if (tagEditor_ == nullptr) {
        tagEditor_ = std::make_unique<frmMain>(messageBox_);
        tagEditor_->setWindowIcon(playerIcon());
        tagEditor_->model().onSaved = [this](const std::string& file) {
            player_->playlist().tagsChanged(file);
        };
        desktop_->setTagEditorWindow(tagEditor_.get());
        joinTopMost(*tagEditor_);
    }
    tagEditor_->openFile(path);
    tagEditor_->show();
    tagEditor_->raise();
    tagEditor_->activateWindow();
}

void PlayerApplication::openCdChooser() {
    if (cdChooser_ == nullptr) {
        CdChooserOwners owners;
        owners.state = &state_;
        owners.player = player_.get();
        owners.messageBox = &messageBox_;
        owners.showPlaylistWindow = [this] { mwnd_->ShowPlaylistWindow(); };
        cdChooser_ = std::make_unique<CDList>(std::move(owners));
        cdChooser_->setWindowIcon(playerIcon());
        desktop_->setCdChooserWindow(cdChooser_.get());
        joinTopMost(*cdChooser_);
    }
    cdChooser_->open();
}

void PlayerApplication::closing() {
    closed_ = true;
    if (optionsWindow_ != nullptr) {
        optionsModel_->Close();
        optionsWindow_->hide();
    }
    if (cdChooser_ != nullptr) {
        cdChooser_->close(); // lets its disc go while the library still runs
    }
    if (tagEditor_ != nullptr) {
        tagEditor_->hide();
    }
    playlistWindow_->hide();
    loudnessScan_->stop(); // what it measured is kept before the library closes
    player_->Shutdown();
    videoWindow_->hide();
    if (server_ != nullptr) {
        server_->close();
    }
    desktop_->DeleteTrayIcon();
    player_->RestartIfDeviceChanged();
    QCoreApplication::quit();
}

} // namespace sorvel
