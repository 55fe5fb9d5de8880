// Turning one entry into the sound that plays now, and the network-stream service.
#include "Player.h"
#include "PlaylistSelection.h"
#include "time_text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

namespace sorvel {
namespace fs = std::filesystem;

void Player::OpenMedia(std::string entry) {
    // What was readied to follow the current entry is not what opens now, unless it is the very
    // entry being handed over at the end.
    cancelUpcoming();
    currentFollowable_ = false;
    Upcoming* const handover =
        handingOver_ != nullptr && handingOver_->sound != 0 && handingOver_->path == entry
            ? handingOver_
            : nullptr;
    services_.notifier->Send_Messenger("", 0);
    state_.cdMode = false;

    const std::string extension = entryExtension(entry);
    if (services_.video->loaded()) {
        services_.video->Release();
    }
    state_.isVideo = isVideoExtension(extension);
    if (isPlaylistFile(entry)) {
        const FMOD_SOUND before = state_.currentSound;
        playlist_->LoadPlaylistFile(entry);
        // A list opened as a file (command line, hand-over, open dialog) starts its first entry
        // when nothing plays: the end-of-entry rule would not, with loop off, nor Play without a
        // channel. An address in the list has started by itself.
        if (state_.currentSound == before && !channelPlaying() &&
            SlotHasPath(state_.playlistEntries, 1)) {
            playlist_->PlayEntryAt(1);
        }
        return;
    }

    const bool cdEntry = isCdEntry(entry);
    if (state_.isVideo) {
        releaseCurrentSound();
        if (!OpenVideo(state_.currentIndex, entry)) {
            // Like an audio entry that fails to open: the next tick moves on.
            state_.isVideo = false;
            return;
        }
        services_.mainWindow->ShowAnalyzerPicture(false);
    } else {
        services_.video->Unload();
        services_.mainWindow->ShowAnalyzerPicture(true);
        releaseCurrentSound();

        if (isNetworkEntry(entry)) {
            netOpened_ = false;
            if (!state_.isNetStream) {
                CheckResult(FMOD_System_SetStreamBufferSize(state_.soundSystem, 131072,
                                                            FMOD_TIMEUNIT_RAWBYTES));
                CheckResult(FMOD_System_AttachFileSystem(state_.soundSystem, NetCapture::OpenHook,
                                                         NetCapture::CloseHook,
                                                         NetCapture::ReadHook, nullptr));
                state_.isNetStream = true;
            }
            state_.titleText = "Buffering...";
            CheckResult(
                CreateSoundFile(state_.soundSystem, entry, kModeNetStream, &state_.currentSound));
            netOpened_ = true;
        } else if (cdEntry) {
            state_.cdMode = true;
            CheckResult(CreateSoundFile(state_.soundSystem, entry.substr(3, 2), kModeCdDrive,
                                        &state_.cdDriveSound));
            CheckResult(FMOD_Sound_GetSubSound(state_.cdDriveSound, cdTrackIndex(entry),
                                               &state_.currentSound));
        } else {
            std::error_code error;
            if (handover != nullptr || fs::exists(fs::path(entry), error)) {
                state_.isNetStream = false;
                state_.cdMode = false;
                const bool midi = extension == "mid" || extension == "midi";
                FMOD_RESULT result;
                if (handover != nullptr) {
                    // Opened ahead and playing already since the last entry's end.
                    state_.currentSound = std::exchange(handover->sound, 0);
                    result = FMOD_OK;
                } else if (isTrackerExtension(extension)) {
                    result = CreateStreamFile(state_.soundSystem, entry, kModeTracker,
                                              &state_.currentSound);
                } else if (midi) {
                    const FMOD_MODE mode =
                        deviceSettings_.SoftMidi() == 1 ? kModeSoftware2D : kModeHardware2D;
                    result = CreateSoundFile(state_.soundSystem, entry, mode, &state_.currentSound,
                                             FMOD_SOUND_TYPE_MIDI);
                } else {
                    result = CreateStreamFile(state_.soundSystem, entry, kModeSoftware2D,
                                              &state_.currentSound);
                }
                CheckResult(result);
                currentFollowable_ = state_.currentSound != 0 && !midi;
            }
        }

        // Start it, unless a network stream (it starts once it is ready).
        const bool playing = channelPlaying();
        if (!playing && state_.currentSound != 0) {
            if (handover != nullptr) {
                state_.currentChannel = std::exchange(handover->channel, 0);
            } else if (!state_.isNetStream) {
                playOnCurrentChannel();
            }
        } else if (state_.currentChannel != 0) {
            FMOD_Channel_Stop(state_.currentChannel);
            state_.currentChannel = 0;
        }

        if (playlist_->AddEntry(0, state_.currentSound, entry, false) != 0) {
            return;
        }
        unsigned int length = 0;
        if (FMOD_Sound_GetLength(state_.currentSound, &length, FMOD_TIMEUNIT_MS) == FMOD_OK) {
            state_.lengthMs = length;
        }
        state_.seekBarLengthMs = state_.lengthMs;
        state_.lengthText = TimeText(state_.lengthMs);
        if (state_.currentIndex >= 0 &&
            static_cast<size_t>(state_.currentIndex) < state_.playlistEntries.size()) {
            state_.playlistEntries[static_cast<size_t>(state_.currentIndex)].timeText =
                state_.lengthText;
        }

        applyChannelSettings();
        services_.notifier->Send_Messenger(state_.titleText, 1);
    }

    setTitleForCurrentEntry(entry, cdEntry);
    publishMediaTitle();
    playlist_->showCurrentEntry();
    if (services_.mainWindow->windowState() == WindowState::Minimized) {
        services_.mainWindow->RefreshTrayTip();
    }
    state_.stoppedFlag = false;
}

bool Player::OpenVideo(int32_t index, const std::string& path) {
    VideoService& video = *services_.video;
    index = std::max(index, 0);
    if (static_cast<size_t>(index) >= state_.playlistEntries.size()) {
        state_.playlistEntries.resize(static_cast<size_t>(index) + 1);
    }
    state_.entryCount = std::max(state_.entryCount, index);

    video.Release();
    if (!video.Load(path)) {
        state_.titleText = "ERROR! Video: " + video.failure() + " (" + fileNamePart(path) + ")";
        return false;
    }
    video.Present();

    const double duration = std::max(video.DurationSeconds(), 0.0);
    state_.lengthMs = static_cast<uint32_t>(std::min(duration * 1000.0, double(INT32_MAX)));
    state_.seekBarLengthMs = state_.lengthMs;
    applyVolume();
    // A new video starts where the pan knob is, as a new audio channel does.
    SetPan(static_cast<float>(state_.panPosition) / 10.0f);
    state_.lengthText = TimeText(state_.lengthMs);
    state_.stoppedFlag = false;

    PlaylistEntry& record = state_.playlistEntries[static_cast<size_t>(index)];
    record = PlaylistEntry{};
    record.path = path;
    record.lengthMs = static_cast<int32_t>(state_.lengthMs);
    record.timeText = state_.lengthText;
    // Seek buttons step through a video as through any entry of known length.
    record.seekStepMs = record.lengthMs != 0 ? 5 : 0;
    return true;
}

void Player::setTitleForCurrentEntry(const std::string& entry, bool cdEntry) {
    const std::string index = std::to_string(state_.currentIndex);
    const PlaylistEntry* current = currentEntry();
    if (current != nullptr && !current->title.empty()) {
        state_.titleText = index + ". " + current->title + " - " + current->artist;
    } else if (cdEntry) {
        char track[16];
        std::snprintf(track, sizeof track, "%02d", cdTrackIndex(entry) + 1);
        state_.titleText = index + ". Track - " + track;
    } else {
        state_.titleText = index + ". " + fileNamePart(entry);
    }
}

std::optional<std::string> mediaTitleOf(const std::string& titleText) {
    if (titleText.starts_with("ERROR! No.") || titleText == "Buffering...") {
        return std::nullopt;
    }
    std::string_view title = titleText;
    const size_t digits = title.find_first_not_of("0123456789");
    if (digits != 0 && digits != std::string_view::npos && title.substr(digits).starts_with(". ")) {
        title.remove_prefix(digits + 2);
    }
    // "title - artist" with either side missing.
    auto trim = [&] {
        while (!title.empty() && title.front() == ' ') {
            title.remove_prefix(1);
        }
        while (!title.empty() && title.back() == ' ') {
            title.remove_suffix(1);
        }
    };
    trim();
    if (title.ends_with(" -") || title == "-") {
        title.remove_suffix(1);
    }
    if (title.starts_with("- ")) {
        title.remove_prefix(1);
    }
    trim();
    if (title.empty()) {
        return std::nullopt;
    }
    return std::string(title);
}

void Player::publishMediaTitle() {
    if (state_.soundSystem == 0 || state_.titleText == publishedTitleLine_) {
        return;
    }
    publishedTitleLine_ = state_.titleText;
    if (const auto title = mediaTitleOf(state_.titleText)) {
        FMOD_System_SetMediaTitle(state_.soundSystem, title->c_str());
    }
}

void Player::NetStreamService() {
    if (state_.currentSound != 0) {
        FMOD_OPENSTATE openState = FMOD_OPENSTATE_LOADING;
        CheckResult(FMOD_Sound_GetOpenState(state_.currentSound, &openState, nullptr, nullptr));
        if (openState == FMOD_OPENSTATE_READY && state_.currentChannel == 0) {
            playOnCurrentChannel();
            applyVolume();
        }
    }
    if (state_.currentChannel != 0) {
        int tags = 0;
        int updated = 0;
        FMOD_Sound_GetNumTags(state_.currentSound, &tags, &updated);
        if (updated > 0) {
            FMOD_TAG tag{};
            if (FMOD_Sound_GetTag(state_.currentSound, nullptr, -1, &tag) == FMOD_OK &&
                tag.datatype == FMOD_TAGDATATYPE_STRING && tag.name != nullptr &&
                tag.data != nullptr) {
                const std::string name = tag.name;
                const std::string text(static_cast<const char*>(tag.data),
                                       tag.datalen > 0 ? tag.datalen - 1 : 0);
                if (name == "ARTIST") {
                    state_.netTagArtist = text.c_str();
                } else if (name == "TITLE") {
                    state_.netTagTitle = text.c_str();
                }
            }
        } else {
            state_.titleText = std::to_string(state_.currentIndex) + ". " + state_.netTagTitle +
                               " - " + state_.netTagArtist;
        }
    }
    netCapture_->Service(state_.programFolder / "output.tmp");
}

} // namespace sorvel
