// Gapless playback: the next entry is chosen a little before the current one ends and, when it
// is a local audio file, opened and left waiting in the sound library to begin on the frame
// after the current one's last. The end-of-entry step then takes the waiting channel over with
// everything else OpenMedia does, so only the gap is gone.
#include "Player.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

// How long before the end the next entry is readied. The tick runs once a second while the
// window is minimised, so this leaves at least two seconds for the opening in every case.
constexpr double kReadyAheadMs = 3000.0;

// Points the player's current sound and channel at another pair for as long as it lives, so
// the code that sets a new channel up (volume, pan, the playback rate) sets up that one.
class ChannelFocus {
public:
    ChannelFocus(PlayerState& state, FMOD_SOUND sound, FMOD_CHANNEL channel)
        : state_(state), sound_(std::exchange(state.currentSound, sound)),
          channel_(std::exchange(state.currentChannel, channel)) {}
    ~ChannelFocus() {
        state_.currentSound = sound_;
        state_.currentChannel = channel_;
    }
    ChannelFocus(const ChannelFocus&) = delete;
    ChannelFocus& operator=(const ChannelFocus&) = delete;

private:
    PlayerState& state_;
    FMOD_SOUND sound_;
    FMOD_CHANNEL channel_;
};

// Local audio files only: streams, discs, MIDI and videos open as they always did.
bool followableEntry(const std::string& path) {
    const std::string extension = entryExtension(path);
    std::error_code error;
    return !path.empty() && !isNetworkEntry(path) && !isCdEntry(path) && !isPlaylistFile(path) &&
           !isVideoExtension(extension) && extension != "mid" && extension != "midi" &&
           fs::is_regular_file(fs::path(path), error);
}

} // namespace

void Player::applyChannelSettings() {
    applyVolume();
    SetPan(static_cast<float>(state_.panPosition) / 10.0f);
    reapplyPlaybackRate();
    if (state_.currentChannel != 0) {
        FMOD_Channel_SetPriority(state_.currentChannel, deviceSettings_.Priority());
    }
}

void Player::cancelUpcoming() {
    readiedFor_ = 0;
    if (!upcoming_) {
        return;
    }
    if (upcoming_->sound != 0) {
        // Releasing the sound stops its channel, which has not been heard.
        FMOD_Sound_Release(upcoming_->sound);
    }
    upcoming_.reset();
}

bool Player::upcomingStale() const {
    return upcoming_->after != state_.currentChannel ||
           upcoming_->chosenAt != state_.currentIndex ||
           upcoming_->randomMode != state_.randomMode || upcoming_->loopMode != state_.loopMode;
}

void Player::readyNextEntry() {
    if (upcoming_ && upcomingStale()) {
        cancelUpcoming(); // chosen from what has changed since: chosen again below
    }
    if (upcoming_) {
        if (upcoming_->channel != 0) {
            copyChannelSettingsTo(*upcoming_);
        }
        return;
    }
    if (!state_.gaplessPlayback || !currentFollowable_ || state_.currentChannel == 0 ||
        readiedFor_ == state_.currentChannel || state_.isNetStream || state_.isVideo ||
        state_.cdMode || state_.stoppedFlag || state_.commandInProgress || state_.lengthMs == 0) {
        return;
    }
    unsigned int position = 0;
    float frequency = 0.0f;
    float defaultFrequency = 0.0f;
    if (FMOD_Channel_GetPosition(state_.currentChannel, &position, FMOD_TIMEUNIT_MS) != FMOD_OK ||
        FMOD_Channel_GetFrequency(state_.currentChannel, &frequency) != FMOD_OK ||
        FMOD_Sound_GetDefaults(state_.currentSound, &defaultFrequency, nullptr, nullptr, nullptr) !=
            FMOD_OK ||
        !(frequency > 0.0f) || !(defaultFrequency > 0.0f)) {
        return; // held still: it does not end
    }
    const double left = static_cast<double>(state_.lengthMs) - std::min(position, state_.lengthMs);
    if (left / (frequency / defaultFrequency) > kReadyAheadMs) {
        return;
    }

    readiedFor_ = state_.currentChannel;
    Upcoming next;
    next.after = state_.currentChannel;
    next.chosenAt = state_.currentIndex;
    next.randomMode = state_.randomMode;
    next.loopMode = state_.loopMode;
    next.choice = playlist_->chooseNextAfterEnd();
    const PlaylistEntry* target = nullptr;
    if (next.choice.play && next.choice.index >= 0 &&
        static_cast<size_t>(next.choice.index) < state_.playlistEntries.size()) {
        target = &state_.playlistEntries[static_cast<size_t>(next.choice.index)];
    }
    if (!next.choice.stop && target != nullptr && followableEntry(target->path)) {
        next.path = target->path;
        if (!readyUpcomingSound(next)) {
            next.path.clear(); // the end opens it as it always did, and reports what fails
        }
    }
    upcoming_ = std::move(next);
}

bool Player::readyUpcomingSound(Upcoming& next) {
    // Opened as OpenMedia opens the entry. Failures stay quiet here: the title still names the
    // entry that plays.
    const FMOD_MODE mode =
        isTrackerExtension(entryExtension(next.path)) ? kModeTracker : kModeSoftware2D;
    if (CreateStreamFile(state_.soundSystem, next.path, mode, &next.sound) != FMOD_OK ||
        next.sound == 0) {
        next.sound = 0;
        return false;
    }
    if (FMOD_System_PlaySoundAfter(state_.soundSystem, next.after, next.sound, &next.channel) !=
        FMOD_OK) {
        FMOD_Sound_Release(next.sound);
        next.sound = 0;
        next.channel = 0;
        return false;
    }
    next.copiedFrequency = -1.0f;
    next.loudness.path = next.path;
    copyChannelSettingsTo(next);
    return true;
}

void Player::copyChannelSettingsTo(Upcoming& next) {
    float frequency = 0.0f;
    FMOD_Channel_GetFrequency(state_.currentChannel, &frequency);
    const bool rateChanged = frequency != next.copiedFrequency;
    // The waiting sound gets its own levelling gain, not the playing one's.
    std::swap(loudness_, next.loudness);
    const ChannelFocus focus(state_, next.sound, next.channel);
    if (rateChanged) {
        applyChannelSettings();
        next.copiedFrequency = frequency;
    } else {
        applyVolume();
        SetPan(static_cast<float>(state_.panPosition) / 10.0f);
    }
    std::swap(loudness_, next.loudness);
}

void Player::finishEntry() {
    if (!upcoming_ || upcomingStale()) {
        cancelUpcoming();
        playlist_->SelectNextAfterEnd();
        return;
    }
    Upcoming next = std::move(*upcoming_);
    upcoming_.reset();
    readiedFor_ = 0;
    handingOver_ = &next;
    playlist_->applyNextAfterEnd(next.choice);
    handingOver_ = nullptr;
    if (next.sound != 0) {
        FMOD_Sound_Release(next.sound); // not taken over after all
    }
}

} // namespace sorvel
