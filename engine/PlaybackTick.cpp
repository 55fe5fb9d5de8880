// The playback tick: polls the sound library, draws through the main window, and moves on at
// the end of an entry.
#include "Player.h"

#include <cmath>

namespace sorvel {

void Player::PlaybackTick() {
    bool playing = false;
    const WindowState windowState = services_.mainWindow->windowState();
    VideoService& video = *services_.video;

    if (windowState == WindowState::Normal) {
        if (!(video.loaded() && video.running()) && state_.soundSystem != 0) {
            if (state_.isNetStream) {
                NetStreamService();
            }
            if (state_.currentChannel != 0) {
                playing = channelPlaying();
            }
            if (services_.mainWindow->AnalyzerStep()) {
                CheckResult(FMOD_System_Update(state_.soundSystem));
            }
        }
        if (const PlaylistEntry* entry = currentEntry(); entry && !entry->timeText.empty()) {
            state_.lengthText = entry->timeText;
        }
        if (video.loaded()) {
            state_.positionMs = static_cast<int32_t>(std::lround(video.PositionSeconds() * 1000.0));
            if (video.running() && video.stillRequested()) {
                video.SaveVideoStill();
            }
        } else {
            unsigned int position = 0;
            if (FMOD_Channel_GetPosition(state_.currentChannel, &position, FMOD_TIMEUNIT_MS) ==
                FMOD_OK) {
                state_.positionMs = static_cast<int32_t>(position);
            }
        }
        if (!state_.seekDragging) {
            state_.seekDragTargetMs = state_.positionMs;
            if (state_.seekBarLengthMs > 0) {
                services_.mainWindow->MoveSeekKnob(state_.positionMs, state_.seekBarLengthMs);
            }
        }
        services_.mainWindow->DrawTimeAndTitle();
    } else if (state_.currentChannel != 0) {
        playing = channelPlaying();
    }

    services_.notifier->Send_Messenger(state_.titleText, playing ? 1 : 0);
    publishMediaTitle();

    // Videos repeat and never advance the playlist. A video of unknown length never ends here.
    if (video.loaded()) {
        const double position = video.PositionSeconds();
        const double duration = video.DurationSeconds();
        if (duration > 0.0 && position >= duration) {
            // Counted as playing, or the end-of-entry step below would move on.
            video.Rewind();
            video.Stop();
            playing = true;
        } else if (position > 0.0) {
            playing = true;
        } else if (!state_.stoppedFlag) {
            // Play toggles: a video just started may still read 0 for a tick or two.
            if (!video.running()) {
                TransportCommand(kPlay);
            }
            playing = true;
        }
    }

    if (state_.soundSystem != 0) {
        CheckResult(FMOD_System_Update(state_.soundSystem));
    }

    if (!playing && !state_.isNetStream && !state_.commandInProgress && !state_.stoppedFlag) {
        finishEntry();
    } else if (playing) {
        readyNextEntry();
    }
}

bool Player::TickCanRest() {
    if (!state_.stoppedFlag || state_.commandInProgress || state_.isNetStream ||
        services_.video->loaded()) {
        return false;
    }
    return !channelPlaying();
}

} // namespace sorvel
