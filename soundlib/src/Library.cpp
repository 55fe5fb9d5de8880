#include "Library.h"

#include <vector>

namespace soundlib {

Library& library() {
    static Library instance;
    return instance;
}

void Library::releaseSoundsOf(System& system) {
    std::vector<uint32_t> handles;
    sounds.forEach([&](uint32_t handle, Sound& sound) {
        if (&sound.system() == &system) {
            handles.push_back(handle);
        }
    });
    for (uint32_t handle : handles) {
        system.retire(sounds.remove(handle));
    }
}

void Library::releaseDspsOf(uint32_t systemHandle) {
    std::vector<uint32_t> handles;
    dsps.forEach([&](uint32_t handle, Dsp& dsp) {
        if (dsp.creator() == systemHandle) {
            handles.push_back(handle);
        }
    });
    for (uint32_t handle : handles) {
        std::unique_ptr<Dsp> dsp = dsps.remove(handle);
        if (System* holder = dsp->system()) {
            holder->retireDsp(std::move(dsp));
        }
    }
}

} // namespace soundlib
