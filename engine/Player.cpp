#include "Player.h"

#include "NullServices.h"
#include "PlaylistSelection.h"
#include "StartupDecision.h"
#include "file_uri.h"
#include "time_text.h"
#include "update_list.h"

#include <filesystem>

namespace sorvel {
namespace fs = std::filesystem;

std::string ResultText(FMOD_RESULT result) {
    return FMOD_ErrorString(result);
}

std::string ErrorTitle(FMOD_RESULT result) {
    return "ERROR! No." + std::to_string(result) + ResultText(result);
}

std::string CommandLineFile(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') {
        const size_t close = commandLine.find('"', 1);
        return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return commandLine;
}

std::vector<std::string> CommandLineItems(const std::string& commandLine) {
    std::vector<std::string> items;
    if (commandLine.empty() || commandLine.front() != '"') {
        if (!commandLine.empty()) {
            items.push_back(commandLine);
        }
    } else {
        size_t at = 0;
        while (at < commandLine.size() && commandLine[at] == '"') {
            const size_t close = commandLine.find('"', at + 1);
            items.push_back(commandLine.substr(
                at + 1, close == std::string::npos ? std::string::npos : close - at - 1));
            if (close == std::string::npos) {
                break;
            }
            at = commandLine.find_first_not_of(' ', close + 1);
        }
    }
    for (std::string& item : items) {
        if (auto path = localPathFromFileUri(item)) {
            item = std::move(*path);
        }
    }
    return items;
}

class Player::DeviceSettingsOnly final : public SettingsStore {
public:
    explicit DeviceSettingsOnly(Player& player) : player_(player) {}
    void LoadSettings(bool devicePartOnly) override {
        if (devicePartOnly) {
            LoadDeviceSettings(SettingsFilePath(player_.state_), player_.deviceSettings_,
                               player_.state_.refreshIntervalMs);
        }
    }
    void SaveSettings() override {}

private:
    Player& player_;
};

class Player::PlaylistSide final : public PlaylistPlayer {
public:
    explicit PlaylistSide(Player& player) : player_(player) {}
    FMOD_SOUND currentSound() const override { return player_.state_.currentSound; }
    void CheckResult(FMOD_RESULT result) override { player_.CheckResult(result); }
    FMOD_RESULT CreateSoundFile(const std::string& name, FMOD_MODE mode,
                                FMOD_SOUND* sound) override {
        return player_.CreateSoundFile(player_.state_.soundSystem, name, mode, sound);
    }
    FMOD_RESULT CreateStreamFile(const std::string& name, FMOD_MODE mode,
                                 FMOD_SOUND* sound) override {
        return player_.CreateStreamFile(player_.state_.soundSystem, name, mode, sound);
    }
    void adoptDirectPlaySound(FMOD_SOUND sound, FMOD_SOUND disc, PlaylistEntry& slot) override {
        player_.adoptDirectPlaySound(sound, disc, slot);
    }
    void OpenMedia(std::string entry) override { player_.OpenMedia(std::move(entry)); }
    bool hasChannel() const override { return player_.state_.currentChannel != 0; }
    bool isPlaying() override { return player_.channelPlaying(); }
    void play() override { player_.TransportCommand(kPlay); }
    void playlistChanged() override { player_.cancelUpcoming(); }

private:
    Player& player_;
};

Player::Player(PlayerState& state, const PlayerServices& services)
    : state_(state), services_(WithNullServices(services)),
      deviceSettings_(*services_.messageBox, "Sorvel", [this] { services_.mainWindow->Exit(); }),
      netCapture_(std::make_unique<NetCapture>()),
      playlistSide_(std::make_unique<PlaylistSide>(*this)),
      playlist_(std::make_unique<PlaylistController>(state_, *playlistSide_, *services_.messageBox,
                                                     *services_.fileDialog,
                                                     *services_.playlistView)) {
    if (services.settings == nullptr) {
        ownSettings_ = std::make_unique<DeviceSettingsOnly>(*this);
        services_.settings = ownSettings_.get();
    }
}

Player::~Player() = default;

void Player::setPlaybackRateControl(PlaybackRateControl* control) {
    if (control != nullptr) {
        services_.playbackRate = control;
    }
}

void Player::CheckResult(FMOD_RESULT result) {
    if (result == FMOD_OK || result == FMOD_ERR_CHANNEL_STOLEN ||
        result == FMOD_ERR_INVALID_HANDLE) {
        return;
    }
    state_.titleText = ErrorTitle(result);
}

FMOD_RESULT Player::CreateSoundFile(FMOD_SYSTEM system, const std::string& name, FMOD_MODE mode,
                                    FMOD_SOUND* sound, FMOD_SOUND_TYPE suggestedType) {
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    info.suggestedsoundtype = suggestedType;
    return FMOD_System_CreateSound(system, name.c_str(), mode, &info, sound);
}

FMOD_RESULT Player::CreateStreamFile(FMOD_SYSTEM system, const std::string& name, FMOD_MODE mode,
                                     FMOD_SOUND* sound) {
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    return FMOD_System_CreateStream(system, name.c_str(), mode, &info, sound);
}

void Player::StartEngine() {
    // Data folders and the help file picked up from an update.
    std::error_code ignored;
    const fs::path data = state_.programFolder / "Data";
    fs::create_directories(data / "GEQ", ignored);
    fs::create_directories(data / "Effector", ignored);
    const fs::path pendingHelp = state_.programFolder / "temp" / kHelpFileName;
    const fs::path help = state_.programFolder / kHelpFileName;
    if (fs::exists(pendingHelp, ignored) && !fs::exists(help, ignored)) {
        fs::rename(pendingHelp, help, ignored);
    }

    state_.soundSystem = 0;
    state_.currentSound = 0;
    state_.currentChannel = 0;
    CheckResult(FMOD_System_Create(&state_.soundSystem));
    // A sound bank the user put beside the player takes over from the installed one.
    for (const char* bank : {"gm.dls", "gm.sf2"}) {
        if (fs::is_regular_file(state_.programFolder / bank, ignored)) {
            CheckResult(FMOD_System_SetMIDISoundBank(state_.soundSystem,
                                                     (state_.programFolder / bank).c_str()));
            break;
        }
    }
    services_.settings->LoadSettings(true);

    CheckResult(FMOD_System_SetOutput(state_.soundSystem, deviceSettings_.OutputType()));
    CheckResult(FMOD_System_SetDriver(state_.soundSystem, deviceSettings_.SoundCard()));
    if (const int32_t rate = SampleRateForIndex(deviceSettings_.Samplerate()); rate != 0) {
        CheckResult(FMOD_System_SetSoftwareFormat(state_.soundSystem, rate,
                                                  deviceSettings_.SoundFormat(), 0, 6,
                                                  deviceSettings_.ReSampling()));
    }
    CheckResult(FMOD_System_SetSpeakerMode(state_.soundSystem, deviceSettings_.Speakermode()));
    CheckResult(FMOD_System_Init(state_.soundSystem, 16, FMOD_INIT_NORMAL, nullptr));

    if (services_.createOptionObjects) {
        services_.createOptionObjects();
    }
    services_.settings->LoadSettings(false);

    state_.stoppedFlag = true;
    services_.mainWindow->PrepareWindows();
}

void Player::Shutdown() {
    services_.settings->SaveSettings();
    services_.notifier->Send_Messenger("", 0);
    cancelUpcoming();
    if (state_.currentSound != 0) {
        CheckResult(FMOD_Sound_Release(state_.currentSound));
        state_.currentSound = 0;
    }
    if (state_.soundSystem != 0) {
        CheckResult(FMOD_System_Close(state_.soundSystem));
        CheckResult(FMOD_System_Release(state_.soundSystem));
        state_.soundSystem = 0;
    }
    state_.currentChannel = 0;
    services_.video->Release();
}

void Player::RestartIfDeviceChanged() {
    if (deviceSettings_.DeviceSet()) {
        services_.launcher->StartPlayer();
    }
}

bool Player::channelPlaying() {
    if (state_.currentChannel == 0) {
        return false;
    }
    FMOD_BOOL playing = 0;
    FMOD_Channel_IsPlaying(state_.currentChannel, &playing);
    return playing != 0;
}

bool Player::channelPaused() {
    FMOD_BOOL paused = 0;
    if (state_.currentChannel != 0 &&
        FMOD_Channel_GetPaused(state_.currentChannel, &paused) != FMOD_OK) {
        return false;
    }
    return paused != 0;
}

void Player::applyVolume() {
    SetVolume(static_cast<float>(state_.volumeLevel) / 10.0f);
    applyReplayGain();
}

void Player::reapplyPlaybackRate() {
    services_.playbackRate->ApplyPlaybackRateSettings();
}

void Player::releaseCurrentSound() {
    if (state_.currentSound != 0) {
        if (state_.currentChannel != 0) {
            FMOD_Channel_Stop(state_.currentChannel);
            state_.currentChannel = 0;
        }
        FMOD_Sound_Release(state_.currentSound);
        state_.currentSound = 0;
    }
    // A disc is opened for its track and goes with it: left open it would hold the drive.
    if (state_.cdDriveSound != 0) {
        FMOD_Sound_Release(state_.cdDriveSound);
        state_.cdDriveSound = 0;
    }
}

void Player::releaseStoppedDisc() {
    if (!state_.cdMode && state_.cdDriveSound != 0) {
        releaseCurrentSound();
    }
}

void Player::playOnCurrentChannel() {
    CheckResult(FMOD_System_PlaySound(state_.soundSystem, FMOD_CHANNEL_REUSE, state_.currentSound,
                                      0, &state_.currentChannel));
}

void Player::adoptDirectPlaySound(FMOD_SOUND sound, FMOD_SOUND disc, PlaylistEntry& slot) {
    state_.currentSound = sound;
    loudness_.path = slot.path;
    if (disc != 0) {
        if (state_.cdDriveSound != 0) {
            FMOD_Sound_Release(state_.cdDriveSound);
        }
        state_.cdDriveSound = disc;
    }
    if (!state_.isNetStream) {
        unsigned int length = 0;
        if (FMOD_Sound_GetLength(sound, &length, FMOD_TIMEUNIT_MS) == FMOD_OK) {
            state_.lengthMs = length;
        }
        state_.seekBarLengthMs = state_.lengthMs;
        slot.timeText = TimeText(state_.lengthMs);
        state_.lengthText = slot.timeText;
        applyVolume();
    }
}

const PlaylistEntry* Player::currentEntry() const {
    const int32_t index = state_.currentIndex;
    if (index < 0 || static_cast<size_t>(index) >= state_.playlistEntries.size()) {
        return nullptr;
    }
    return &state_.playlistEntries[static_cast<size_t>(index)];
}

void Player::OpenFromCommandLine(const std::string& text) {
    const std::vector<std::string> items = CommandLineItems(text);
    if (items.size() > 1) {
        const DropOutcome outcome = playlist_->addDroppedItems(items);
        if (outcome.added > 0) {
            playlist_->PlayEntryAt(outcome.firstSlot);
        } else {
            reportIfMissing(items.front());
        }
        return;
    }
    const std::string file = items.empty() ? std::string() : items.front();
    OpenMedia(file);
    if (!channelPlaying()) {
        TransportCommand(kPlay);
    }
    reportIfMissing(file);
}

void Player::reportIfMissing(const std::string& file) {
    // Opening skips a missing file silently (a list moves on to its next entry); named by the
    // user, it gets the library's own answer in the title, as any file it refuses does.
    std::error_code error;
    if (file.empty() || isNetworkEntry(file) || isCdEntry(file) ||
        fs::exists(fs::path(file), error) || state_.soundSystem == 0) {
        return;
    }
    FMOD_SOUND probe = 0;
    const FMOD_RESULT result = CreateStreamFile(state_.soundSystem, file, kModeSoftware2D, &probe);
    if (probe != 0) {
        FMOD_Sound_Release(probe);
    }
    CheckResult(result);
}

} // namespace sorvel
