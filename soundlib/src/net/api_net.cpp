// Flat calls for network streams.
#include "Library.h"

using namespace soundlib;

extern "C" {

FMOD_RESULT FMOD_System_SetNetworkTimeout(FMOD_SYSTEM handle, int timeoutms) {
    if (timeoutms < 100) {
        return FMOD_ERR_INVALID_PARAM;
    }
    return guardedCall([&](Library& lib) -> FMOD_RESULT {
        System* system = lib.systems.get(handle);
        if (system == nullptr) {
            return FMOD_ERR_INVALID_HANDLE;
        }
        system->settings.networkTimeoutMs = timeoutms;
        return FMOD_OK;
    });
}

} // extern "C"
