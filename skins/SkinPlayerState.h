// The parts of the player's state that decide how the skinned windows look.
#pragma once

namespace sorvel {

struct SkinPlayerState {
    int volumeLevel = 5; // 0 to 10; 5 is 100 %
    int panPosition = 0; // -10 (left) to +10 (right)
    bool randomMode = false;
    int loopMode = 0; // 0 off, 1 repeat one, 2 loop all
    bool channelPlaying = false;
    int trackMaximum = 0; // the track slider's maximum while a channel plays (the length)
};

} // namespace sorvel
