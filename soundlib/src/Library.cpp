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

} // namespace soundlib
