#include "SoundPlayer.h"

namespace sorvel {

namespace {
// Stream, 2D, software: the flags the player has always opened files with.
constexpr FMOD_MODE kStreamMode = FMOD_2D | FMOD_SOFTWARE;
} // namespace

SoundPlayer::~SoundPlayer() {
    releaseSound();
    if (system_)
        FMOD_System_Release(system_);
}

FMOD_RESULT SoundPlayer::init() {
    if (system_)
        return FMOD_OK;
    FMOD_SYSTEM system = 0;
    FMOD_RESULT result = FMOD_System_Create(&system);
    if (result != FMOD_OK)
        return result;
    result = FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_AUTODETECT);
    if (result == FMOD_OK)
        result = FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr);
    if (result != FMOD_OK) {
        FMOD_System_Release(system);
        return result;
    }
    system_ = system;
    return FMOD_OK;
}

FMOD_RESULT SoundPlayer::openAndPlay(const std::string& pathOrAddress) {
    if (!system_)
        return FMOD_ERR_UNINITIALIZED;
    releaseSound();
    FMOD_CREATESOUNDEXINFO exinfo{};
    exinfo.cbsize = sizeof(FMOD_CREATESOUNDEXINFO);
    FMOD_SOUND sound = 0;
    const FMOD_RESULT result =
        FMOD_System_CreateStream(system_, pathOrAddress.c_str(), kStreamMode, &exinfo, &sound);
    if (result != FMOD_OK)
        return result;
    sound_ = sound;
    return play();
}

FMOD_RESULT SoundPlayer::play() {
    if (!system_ || !sound_)
        return FMOD_ERR_INVALID_HANDLE;
    return FMOD_System_PlaySound(system_, FMOD_CHANNEL_REUSE, sound_, 0, &channel_);
}

FMOD_RESULT SoundPlayer::stop() {
    if (!channel_)
        return FMOD_OK;
    const FMOD_RESULT result = FMOD_Channel_Stop(channel_);
    // A channel that already ended is stopped as far as the user is concerned.
    return result == FMOD_ERR_INVALID_HANDLE || result == FMOD_ERR_CHANNEL_STOLEN ? FMOD_OK
                                                                                  : result;
}

FMOD_RESULT SoundPlayer::update() {
    return system_ ? FMOD_System_Update(system_) : FMOD_OK;
}

bool SoundPlayer::isPlaying() const {
    FMOD_BOOL playing = 0;
    return channel_ && FMOD_Channel_IsPlaying(channel_, &playing) == FMOD_OK && playing;
}

unsigned int SoundPlayer::positionMs() const {
    unsigned int position = 0;
    if (!channel_ || FMOD_Channel_GetPosition(channel_, &position, FMOD_TIMEUNIT_MS) != FMOD_OK)
        return 0;
    return position;
}

unsigned int SoundPlayer::lengthMs() const {
    unsigned int length = 0;
    if (!sound_ || FMOD_Sound_GetLength(sound_, &length, FMOD_TIMEUNIT_MS) != FMOD_OK)
        return 0;
    return length;
}

void SoundPlayer::releaseSound() {
    if (channel_)
        FMOD_Channel_Stop(channel_);
    if (sound_)
        FMOD_Sound_Release(sound_);
    sound_ = 0;
}

} // namespace sorvel
