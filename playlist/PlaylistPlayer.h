// What the playlist asks of the player: opening sounds, playing an entry, and the Play command.
// The engine's Player answers; playlist tests fake it.
#pragma once

#include "PlaylistEntry.h"
#include "soundlib.h"

#include <string>

namespace sorvel {

class PlaylistPlayer {
public:
    virtual ~PlaylistPlayer() = default;
    virtual FMOD_SOUND currentSound() const = 0;
    // The one result check: a library error goes to the title display.
    virtual void CheckResult(FMOD_RESULT result) = 0;
    virtual FMOD_RESULT CreateSoundFile(const std::string& name, FMOD_MODE mode,
                                        FMOD_SOUND* sound) = 0;
    virtual FMOD_RESULT CreateStreamFile(const std::string& name, FMOD_MODE mode,
                                         FMOD_SOUND* sound) = 0;
    // The direct-play slot was written for `sound`, which becomes the current sound; `disc` is
    // the disc a CD track was opened from (0 for anything else), which stays open with it.
    virtual void adoptDirectPlaySound(FMOD_SOUND sound, FMOD_SOUND disc, PlaylistEntry& slot) = 0;
    // Turns an entry string into the sound that plays now.
    virtual void OpenMedia(std::string entry) = 0;
    virtual bool hasChannel() const = 0;
    virtual bool isPlaying() = 0;
    // The Play command of the main window.
    virtual void play() = 0;
    // The list or the play modes changed, so a next entry chosen ahead of the end may no longer
    // be the one the rule gives.
    virtual void playlistChanged() {}
};

} // namespace sorvel
