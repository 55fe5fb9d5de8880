// The playlist's part of the player's shared state: the storage, the current entry, the play
// modes and the two flags the playlist rules read and write. The player's state extends it, so
// every window sees the same list. Used on the UI thread only.
#pragma once

#include "PlaylistEntry.h"

#include <cstdint>
#include <vector>

namespace sorvel {

struct PlaylistState {
    // Slot 0 is the direct-play slot, slots 1..entryCount the list.
    std::vector<PlaylistEntry> playlistEntries;
    int32_t entryCount = 0;
    int32_t currentIndex = 0;
    uint8_t randomMode = 0; // 0 off, 255 on
    uint8_t loopMode = 0;   // 0 off, 1 repeat the entry, 2 loop the list
    // The user stopped, or the list ended: the end-of-entry rule does nothing.
    bool stoppedFlag = true;
    // Whether the last entry added could be opened and measured.
    bool soundOpened = false;
};

} // namespace sorvel
