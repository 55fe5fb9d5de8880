// Which entry plays next: the end-of-entry rule under the random and loop modes, and the Back
// and Next steps. Pure functions over the playlist storage.
#pragma once

#include "PlaylistEntry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sorvel {

// True when slot `index` exists in the storage and has a path.
bool SlotHasPath(const std::vector<PlaylistEntry>& entries, int32_t index);

struct NextAfterEnd {
    int32_t index = 0; // the new current index
    bool stop = false; // the list ended: nothing plays, the stopped flag goes up
    bool play = false; // play slot `index`
};

// The rule applied when the current entry has ended. `random01` draws from [0, 1).
NextAfterEnd ChooseNextAfterEnd(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                int32_t currentIndex, uint8_t randomMode, uint8_t loopMode,
                                const std::function<double()>& random01);

// Random order: uniform among the non-empty slots 1..entryCount; nothing when there is none.
std::optional<int32_t> DrawRandomSlot(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                      const std::function<double()>& random01);

std::optional<int32_t> StepBackTarget(const std::vector<PlaylistEntry>& entries,
                                      int32_t currentIndex);
std::optional<int32_t> StepNextTarget(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                      int32_t currentIndex);

uint8_t ToggledRandomMode(uint8_t randomMode);
uint8_t NextLoopMode(uint8_t loopMode);

// Grows the storage so that `index` can be written, as adding an entry does; returns the new
// entry count.
int32_t MakeRoomForSlot(std::vector<PlaylistEntry>& entries, int32_t entryCount, int32_t index);

} // namespace sorvel
