// The process-wide tables behind the handles, and the lock that serialises the flat calls.
#pragma once

#include "Sound.h"
#include "System.h"
#include "dsp/Dsp.h"
#include "handle_table.h"

#include <mutex>
#include <new>

namespace soundlib {

struct Library {
    std::mutex callLock;
    // Sounds and units come first so that at exit the systems (and their mixers) go before
    // what the mixers read.
    HandleTable<Sound> sounds{HandleKind::Sound};
    HandleTable<Dsp> dsps{HandleKind::Dsp};
    HandleTable<System> systems{HandleKind::System};

    // Releases every sound that belongs to `system`.
    void releaseSoundsOf(System& system);
    // Releases every processing unit made on the system with this handle.
    void releaseDspsOf(uint32_t systemHandle);
};

Library& library();

// Runs one flat call: takes the call lock, turns exceptions into result codes.
template <class F> FMOD_RESULT guardedCall(F&& body) noexcept {
    try {
        std::lock_guard lock(library().callLock);
        return body(library());
    } catch (const std::bad_alloc&) {
        return FMOD_ERR_MEMORY;
    } catch (...) {
        return FMOD_ERR_INTERNAL;
    }
}

} // namespace soundlib
