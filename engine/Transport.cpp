// The transport commands of the main window's buttons, menu and sliders.
#include "Player.h"

#include <algorithm>

namespace sorvel {
namespace {

std::vector<FileFilter> openFileFilters() {
    return {
        {"All audio files (*.*)",
         "*.aif; *.aiff; *.aifc; *.wav; *.mp2; *.mp3; *.mpg; *.mpeg; *.wma; *.wmv; *.ogg; "
         "*.ogm; *.mid; *.midi; *.avi; *.dls; *.flac; *.mod; *.xm; *.it; *.s3m; *.raw; *.vag; "
         "*.m3u; *.pls"},
        {"Audio Interchange File Format (*.aif; *.aiff; *.aifc)", "*.aif; *.aiff; *.aifc"},
        {"Wave Format (*.wav)", "*.wav"},
        {"MPEG Audio Layer-2/3 (*.mp2; *.mp3)", "*.mp2; *.mp3"},
        {"MPEG Video (*.mpg; *.mpeg)", "*.mpg; *.mpeg"},
        {"Windows Media Audio (*.wma)", "*.wma"},
        {"Windows Media Video (*.wmv)", "*.wmv"},
        {"Ogg Vorbis (*.ogg)", "*.ogg"},
        {"Ogg Media (*.ogm)", "*.ogm"},
        {"MIDI (*.mid; *.midi)", "*.mid; *.midi"},
        {"Audio Video Interleave (*.avi)", "*.avi"},
        {"DownLoadable Sounds (*.dls)", "*.dls"},
        {"Free Lossless Audio Codec (*.flac)", "*.flac"},
        {"ProTracker / FastTracker (*.mod; *.xm)", "*.mod; *.xm"},
        {"Inpulse Tracker (*.it)", "*.it"},
        {"ScreamtrackerⅢ (*.s3m)", "*.s3m"},
        {"Raw PCM (*.raw)", "*.raw"},
        {"PlayStation VAG (*.vag)", "*.vag"},
        {"M3U Playlist File (*.m3u)", "*.m3u"},
        {"Winamp Playlist File (*.pls)", "*.pls"},
        {"All files (*.*)", "*.*"},
    };
}

} // namespace

void Player::SeekTo(int32_t milliseconds) {
    // The next entry is readied again, if at all, from where the entry plays now.
    cancelUpcoming();
    if (state_.isVideo) {
        services_.video->SetPositionSeconds(milliseconds / 1000.0);
        return;
    }
    FMOD_Channel_SetPosition(state_.currentChannel,
                             static_cast<unsigned int>(std::max(0, milliseconds)),
                             FMOD_TIMEUNIT_MS);
}

void Player::seekBy(int32_t deltaMs) {
    if (state_.isNetStream) {
        return;
    }
    unsigned int position = 0;
    if (!state_.isVideo &&
        FMOD_Channel_GetPosition(state_.currentChannel, &position, FMOD_TIMEUNIT_MS) == FMOD_OK) {
        state_.positionMs = static_cast<int32_t>(position);
    }
    const int64_t end = std::max<int64_t>(0, state_.lengthMs);
    const auto target =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t(state_.positionMs) + deltaMs, 0, end));
    SeekTo(target);
    state_.positionMs = target;
}

void Player::SetVolume(float level) {
    if (state_.isVideo) {
        // Hundredths of a decibel; silence is taken a little lower than the scale's bottom.
        const float scaled = level == 0.0f ? -2.0f : level;
        services_.video->SetVolume(static_cast<int32_t>(scaled * 2500.0f - 2500.0f));
        return;
    }
    FMOD_Channel_SetVolume(state_.currentChannel, level);
}

void Player::SetPan(float pan) {
    if (state_.isVideo) {
        services_.video->SetBalance(static_cast<int32_t>(pan * 10000.0f));
        return;
    }
    FMOD_Channel_SetPan(state_.currentChannel, pan);
}

void Player::SetVolumeLevel(int32_t level) {
    state_.volumeLevel = std::clamp(level, 0, 10);
    SetVolume(static_cast<float>(state_.volumeLevel) / 10.0f);
}

void Player::SetPanPosition(int32_t position) {
    state_.panPosition = std::clamp(position, -10, 10);
    SetPan(static_cast<float>(state_.panPosition) / 10.0f);
}

void Player::SeekBarReleased(int32_t targetMs) {
    state_.seekDragging = false;
    state_.seekDragTargetMs = targetMs;
    SeekTo(targetMs);
}

void Player::TransportCommand(int command) {
    const bool playing = channelPlaying();
    const PlaylistEntry* entry = currentEntry();
    const bool hasPath = entry != nullptr && !entry->path.empty();

    if (state_.isNetStream) {
        switch (command) {
        case kBack:
        case kSeekBack:
        case kSeekForward:
        case kNext:
            return;
        case kPlay:
            if (state_.currentChannel != 0 && channelPaused()) {
                FMOD_Channel_SetPaused(state_.currentChannel, 0);
                return;
            }
            if (!hasPath) {
                state_.currentIndex = 1;
            }
            if (!playing) {
                if (const PlaylistEntry* again = currentEntry(); again && !again->path.empty()) {
                    OpenMedia(again->path);
                }
            }
            state_.stoppedFlag = false;
            applyVolume();
            return;
        case kPause:
        case kStop:
            if (state_.currentChannel != 0) {
                FMOD_Channel_SetPaused(state_.currentChannel, channelPaused() ? 0 : 1);
            }
            if (command == kStop) {
                cancelUpcoming();
                state_.stoppedFlag = true;
            }
            return;
        default:
            break;
        }
    }

    switch (command) {
    case kBack:
        playlist_->StepBack();
        break;
    case kSeekBack:
    case kSeekForward:
        if (hasPath) {
            state_.seekStepTotal += entry->seekStepMs;
            if (command == kSeekBack) {
                state_.positionMs = std::max(0, state_.positionMs - state_.seekStepTotal);
            } else {
                state_.positionMs = std::min(state_.positionMs + state_.seekStepTotal,
                                             std::max(0, entry->lengthMs));
            }
            SeekTo(state_.positionMs);
        }
        break;
    case kPlay:
        if (state_.isVideo) {
            if (services_.video->loaded()) {
                services_.video->running() ? services_.video->Pause() : services_.video->Run();
            } else if (hasPath) {
                OpenMedia(entry->path);
            }
            break;
        }
        if (state_.currentChannel == 0) {
            break; // playback starts from opening an entry, not from Play
        }
        if (channelPaused()) {
            FMOD_Channel_SetPaused(state_.currentChannel, 0);
            break;
        }
        if (!hasPath || state_.currentIndex > state_.entryCount) {
            state_.currentIndex = 1;
        }
        if (const PlaylistEntry* target = currentEntry();
            !playing && target != nullptr && !target->path.empty() && state_.currentSound != 0) {
            const std::string path = target->path;
            OpenMedia(path);
            playOnCurrentChannel();
            reapplyPlaybackRate();
            state_.stoppedFlag = false;
        } else {
            FMOD_Channel_SetPaused(state_.currentChannel, 1);
        }
        applyVolume();
        if (const PlaylistEntry* now = currentEntry()) {
            state_.cdMode = isCdEntry(now->path);
        }
        break;
    case kPause:
        if (state_.isVideo) {
            services_.video->Pause();
        } else if (state_.currentChannel != 0) {
            FMOD_Channel_SetPaused(state_.currentChannel, channelPaused() ? 0 : 1);
        }
        break;
    case kStop:
        cancelUpcoming();
        if (state_.isVideo) {
            services_.video->Stop();
            services_.video->Rewind();
        } else {
            FMOD_Channel_Stop(state_.currentChannel);
        }
        state_.cdMode = false;
        state_.stoppedFlag = true;
        break;
    case kNext:
        playlist_->StepNext();
        break;
    case kRandom:
        playlist_->ToggleRandom();
        break;
    case kRepeatLoop:
        playlist_->CycleLoopMode();
        break;
    case kOpenFile:
        services_.mainWindow->ShowButtonNormal(kOpenFile);
        OpenFileDialog();
        break;
    case kPlaylist:
        services_.mainWindow->ShowPlaylistWindow();
        break;
    case kOption:
        services_.mainWindow->ShowOptionsWindow(0);
        break;
    case kExit:
        services_.mainWindow->Exit();
        break;
    case kOpenCd:
        services_.mainWindow->ShowCdChooser();
        break;
    case kMinimize:
        services_.mainWindow->Minimize();
        break;
    default:
        break; // 7, 8, 9 and anything else do nothing
    }
}

void Player::SeekButtonDown(int button) {
    state_.buttonHeld = true;
    if (state_.isVideo) {
        services_.video->Pause();
    } else if (state_.currentChannel != 0 && !channelPaused()) {
        FMOD_Channel_SetPaused(state_.currentChannel, 1);
    }
    state_.commandInProgress = true;
    state_.seekStepTotal = 0;
    while (state_.buttonHeld) {
        services_.mainWindow->ProcessPendingEvents();
        if (!state_.buttonHeld) {
            break;
        }
        TransportCommand(button);
    }
}

void Player::SeekButtonUp() {
    state_.buttonHeld = false;
    state_.commandInProgress = false;
    if (state_.isVideo) {
        services_.video->Run();
    } else if (state_.currentChannel != 0 && channelPaused()) {
        FMOD_Channel_SetPaused(state_.currentChannel, 0);
    }
}

void Player::ButtonUp(int button, bool inside) {
    state_.buttonHeld = false;
    services_.mainWindow->ShowButtonNormal(button);
    if (!inside) {
        return;
    }
    state_.commandInProgress = true;
    TransportCommand(button);
    state_.commandInProgress = false;
}

void Player::OpenFileDialog() {
    FileDialogRequest request;
    request.title = "Open";
    request.filters = openFileFilters();
    request.filterIndex = 1;
    if (auto chosen = services_.fileDialog->choose(request)) {
        state_.currentIndex = 0;
        OpenMedia(*chosen);
    }
}

void Player::seekDragStarted() {
    state_.seekDragging = true;
    state_.seekDragTargetMs = state_.positionMs;
}

void Player::seekDragMoved(int32_t targetMs) {
    state_.seekDragTargetMs = targetMs;
}

void Player::buttonDown() {
    state_.buttonHeld = true;
}

void Player::releaseHeldButton() {
    state_.buttonHeld = false;
}

void Player::menuCommand(int command) {
    state_.commandInProgress = true;
    TransportCommand(command);
    state_.commandInProgress = false;
}

void Player::takeVolumeLevel(int32_t level) {
    state_.volumeLevel = level;
}

bool Player::isPlaying() {
    if (state_.isVideo) {
        return services_.video->loaded() && services_.video->running();
    }
    return channelPlaying();
}

int Player::outputChannelCount() {
    int channels = 0;
    if (state_.soundSystem != 0) {
        CheckResult(FMOD_System_GetSoftwareFormat(state_.soundSystem, nullptr, nullptr, &channels,
                                                  nullptr, nullptr, nullptr));
    }
    return channels;
}

void Player::getWaveData(std::span<float> values, int channel) {
    std::fill(values.begin(), values.end(), 0.0f);
    if (state_.soundSystem != 0 && !state_.isVideo) {
        CheckResult(FMOD_System_GetWaveData(state_.soundSystem, values.data(),
                                            static_cast<int>(values.size()), channel));
    }
}

void Player::getSpectrum(std::span<float> values, int channel) {
    std::fill(values.begin(), values.end(), 0.0f);
    if (state_.soundSystem != 0 && !state_.isVideo) {
        CheckResult(FMOD_System_GetSpectrum(state_.soundSystem, values.data(),
                                            static_cast<int>(values.size()), channel,
                                            FMOD_DSP_FFT_WINDOW_HANNING));
    }
}

} // namespace sorvel
