// One sound system playing one stream at a time: the window's only door to the sound library.
#pragma once

#include "soundlib.h"

#include <string>

namespace sorvel {

class SoundPlayer {
public:
    SoundPlayer() = default;
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Creates the system with autodetected output and 16 channels.
    FMOD_RESULT init();
    // Opens `pathOrAddress` (UTF-8) as a stream, replacing the current one, and plays it.
    FMOD_RESULT openAndPlay(const std::string& pathOrAddress);
    // Plays the open stream from its start, on the same channel slot as before.
    FMOD_RESULT play();
    FMOD_RESULT stop();
    // Lets the library run its per-frame work; the window calls it on every timer tick.
    FMOD_RESULT update();

    bool hasSound() const { return sound_ != 0; }
    bool isPlaying() const;
    // 0 when nothing plays or the channel has ended.
    unsigned int positionMs() const;
    unsigned int lengthMs() const;

private:
    void releaseSound();

    FMOD_SYSTEM system_ = 0;
    FMOD_SOUND sound_ = 0;
    FMOD_CHANNEL channel_ = 0;
};

} // namespace sorvel
