// Turning one entry into the sound that plays now, and the network-stream service.
#include "Player.h"
#include "PlaylistSelection.h"
#include "time_text.h"

#include <cstdio>
#include <filesystem>

namespace sorvel {
namespace fs = std::filesystem;

void Player::OpenMedia(std::string entry) {
    services_.notifier->Send_Messenger("", 0);
    state_.cdMode = false;

    const std::string extension = entryExtension(entry);
    if (services_.video->loaded()) {
        services_.video->StopAndRelease();
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
        services_.mainWindow->ShowAnalyzerPicture(false);
        if (!services_.video->Open(state_.currentIndex, entry)) {
            // No video window to play it: the entry failed to open.
            state_.isVideo = false;
            return;
        }
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
            if (fs::exists(fs::path(entry), error)) {
                state_.isNetStream = false;
                state_.cdMode = false;
                FMOD_RESULT result;
                if (isTrackerExtension(extension)) {
                    result = CreateStreamFile(state_.soundSystem, entry, kModeTracker,
                                              &state_.currentSound);
                } else if (extension == "mid" || extension == "midi") {
                    const FMOD_MODE mode =
                        deviceSettings_.SoftMidi() == 1 ? kModeSoftware2D : kModeHardware2D;
                    result = CreateSoundFile(state_.soundSystem, entry, mode, &state_.currentSound,
                                             FMOD_SOUND_TYPE_MIDI);
                } else {
                    result = CreateStreamFile(state_.soundSystem, entry, kModeSoftware2D,
                                              &state_.currentSound);
                }
                CheckResult(result);
            }
        }

        // Start it, unless a network stream (it starts once it is ready).
        const bool playing = channelPlaying();
        if (!playing && state_.currentSound != 0) {
            if (!state_.isNetStream) {
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

        applyVolume();
        SetPan(static_cast<float>(state_.panPosition) / 10.0f);
        reapplyPlaybackRate();
        if (state_.currentChannel != 0) {
            FMOD_Channel_SetPriority(state_.currentChannel, deviceSettings_.Priority());
        }
        services_.notifier->Send_Messenger(state_.titleText, 1);
    }

    setTitleForCurrentEntry(entry, cdEntry);
    playlist_->showCurrentEntry();
    if (services_.mainWindow->windowState() == WindowState::Minimized) {
        services_.mainWindow->RefreshTrayTip();
    }
    state_.stoppedFlag = false;
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
