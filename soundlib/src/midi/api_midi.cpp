// Flat calls for MIDI.
#include "Library.h"

using namespace soundlib;

extern "C" {

FMOD_RESULT FMOD_System_SetMIDISoundBank(FMOD_SYSTEM handle, const char* path) {
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        system->settings.midiSoundBank = path != nullptr ? path : "";
        return FMOD_OK;
    });
}

} // extern "C"
