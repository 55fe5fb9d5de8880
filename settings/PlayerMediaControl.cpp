#include "PlayerMediaControl.h"

#include <cmath>

namespace sorvel {

void PlayerMediaControl::TransportCommand(int command) {
    // As a click on the button: the tick must not move on while the command runs.
    PlayerState& state = player_.state();
    state.commandInProgress = true;
    player_.TransportCommand(command);
    state.commandInProgress = false;
}

void PlayerMediaControl::SeekTo(int64_t milliseconds) {
    player_.SeekTo(static_cast<int32_t>(milliseconds));
    player_.state().positionMs = static_cast<int32_t>(milliseconds);
}

int64_t PlayerMediaControl::PositionMs() const {
    const PlayerState& state = player_.state();
    unsigned int position = 0;
    if (state.currentChannel != 0 &&
        FMOD_Channel_GetPosition(state.currentChannel, &position, FMOD_TIMEUNIT_MS) == FMOD_OK) {
        return position;
    }
    return state.positionMs;
}

int64_t PlayerMediaControl::LengthMs() const {
    return player_.state().lengthMs;
}

bool PlayerMediaControl::HasChannel() const {
    FMOD_BOOL playing = 0;
    return FMOD_Channel_IsPlaying(player_.state().currentChannel, &playing) == FMOD_OK;
}

bool PlayerMediaControl::Paused() const {
    FMOD_BOOL paused = 0;
    return FMOD_Channel_GetPaused(player_.state().currentChannel, &paused) == FMOD_OK &&
           paused != 0;
}

bool PlayerMediaControl::Playing() const {
    FMOD_BOOL playing = 0;
    return FMOD_Channel_IsPlaying(player_.state().currentChannel, &playing) == FMOD_OK &&
           playing != 0;
}

double PlayerMediaControl::Volume() const {
    return player_.state().volumeLevel / 10.0;
}

void PlayerMediaControl::SetVolume(double volume) {
    player_.SetVolumeLevel(static_cast<int32_t>(std::lround(volume * 10.0)));
}

int PlayerMediaControl::LoopMode() const {
    return player_.state().loopMode;
}

void PlayerMediaControl::SetLoopMode(int mode) {
    if (mode >= 0 && mode <= 2) {
        player_.playlist().setLoopMode(static_cast<uint8_t>(mode));
    }
}

bool PlayerMediaControl::Shuffle() const {
    return player_.state().randomMode == 255;
}

void PlayerMediaControl::SetShuffle(bool on) {
    player_.playlist().setRandomMode(on ? 255 : 0);
}

int32_t PlayerMediaControl::CurrentIndex() const {
    return player_.state().currentIndex;
}

namespace {

const PlaylistEntry* currentEntry(const PlayerState& state) {
    const int32_t index = state.currentIndex;
    return index >= 0 && static_cast<size_t>(index) < state.playlistEntries.size()
               ? &state.playlistEntries[static_cast<size_t>(index)]
               : nullptr;
}

} // namespace

std::string PlayerMediaControl::CurrentPath() const {
    const PlaylistEntry* entry = currentEntry(player_.state());
    return entry != nullptr ? entry->path : std::string();
}

std::string PlayerMediaControl::CurrentAlbum() const {
    const PlaylistEntry* entry = currentEntry(player_.state());
    // The playlist's stand-in for a missing album is not an album.
    return entry != nullptr && entry->album != "UnknownAlbum" ? entry->album : std::string();
}

std::string PlayerMediaControl::CurrentPicture() const {
    FMOD_TAG tag{};
    if (FMOD_Sound_GetTag(player_.state().currentSound, "PICTURE", 0, &tag) != FMOD_OK ||
        tag.datatype != FMOD_TAGDATATYPE_BINARY || tag.data == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(tag.data), tag.datalen);
}

void PlayerMediaControl::OpenUri(const std::string& uri) {
    // The command line's way: a file: address is decoded, an address opens as a stream.
    PlayerState& state = player_.state();
    state.commandInProgress = true;
    player_.OpenFromCommandLine(uri);
    state.commandInProgress = false;
}

void PlayerMediaControl::Raise() {
    if (raise_) {
        raise_();
    }
}

void PlayerMediaControl::Quit() {
    if (quit_) {
        quit_();
    }
}

} // namespace sorvel
