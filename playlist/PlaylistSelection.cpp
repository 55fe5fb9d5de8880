#include "PlaylistSelection.h"

#include <algorithm>

namespace sorvel {

bool SlotHasPath(const std::vector<PlaylistEntry>& entries, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < entries.size() &&
           !entries[static_cast<size_t>(index)].path.empty();
}

std::optional<int32_t> DrawRandomSlot(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                      const std::function<double()>& random01) {
    std::vector<int32_t> candidates;
    for (int32_t slot = 1; slot <= entryCount; ++slot) {
        if (SlotHasPath(entries, slot)) {
            candidates.push_back(slot);
        }
    }
    if (candidates.empty()) {
        return std::nullopt;
    }
    double r = random01();
    if (!(r >= 0.0) || r >= 1.0) {
        r = 0.0;
    }
    const size_t pick = std::min(candidates.size() - 1,
                                 static_cast<size_t>(r * static_cast<double>(candidates.size())));
    return candidates[pick];
}

NextAfterEnd ChooseNextAfterEnd(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                int32_t currentIndex, uint8_t randomMode, uint8_t loopMode,
                                const std::function<double()>& random01) {
    NextAfterEnd next;
    next.index = currentIndex;
    if (currentIndex > 0) {
        if (randomMode == 255) {
            if (auto slot = DrawRandomSlot(entries, entryCount, random01)) {
                next.index = *slot;
            } else {
                // Nothing left to draw: end the list as loop-off would.
                next.index = 1;
                next.stop = true;
                return next;
            }
        } else if (loopMode == 2) {
            next.index = SlotHasPath(entries, currentIndex + 1) ? currentIndex + 1 : 1;
        } else if (loopMode == 1) {
            next.index = currentIndex;
        } else if (SlotHasPath(entries, currentIndex + 1)) {
            next.index = currentIndex + 1;
        } else {
            next.index = 1;
            next.stop = true;
            return next;
        }
        next.play = true;
        return next;
    }
    // The ended entry came from the direct-play slot.
    if (loopMode == 1) {
        next.play = true;
    } else if (loopMode == 2) {
        if (entryCount > 0 && SlotHasPath(entries, 1)) {
            next.index = 1;
        } else if (entryCount <= 0) {
            next.index = 0;
        }
        next.play = true;
    }
    return next;
}

std::optional<int32_t> StepBackTarget(const std::vector<PlaylistEntry>& entries,
                                      int32_t currentIndex) {
    if (currentIndex > 1 && SlotHasPath(entries, currentIndex - 1)) {
        return currentIndex - 1;
    }
    return std::nullopt;
}

std::optional<int32_t> StepNextTarget(const std::vector<PlaylistEntry>& entries, int32_t entryCount,
                                      int32_t currentIndex) {
    if (currentIndex <= entryCount && SlotHasPath(entries, currentIndex + 1)) {
        return currentIndex + 1;
    }
    return std::nullopt;
}

uint8_t ToggledRandomMode(uint8_t randomMode) {
    return randomMode == 0 ? 255 : 0;
}

uint8_t NextLoopMode(uint8_t loopMode) {
    switch (loopMode) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 0;
    default:
        return loopMode;
    }
}

int32_t MakeRoomForSlot(std::vector<PlaylistEntry>& entries, int32_t entryCount, int32_t index) {
    if (entryCount <= 0) {
        // An empty list is slots 0 and 1; the direct-play record in slot 0 is kept. A slot
        // further on grows it below like any list.
        entries.resize(std::max<size_t>(entries.size(), 1));
        entries.resize(2);
        entries[1] = PlaylistEntry{};
        entryCount = 1;
    }
    const int32_t upperBound = static_cast<int32_t>(entries.size()) - 1;
    if (index > entryCount || index > upperBound) {
        entries.resize(static_cast<size_t>(index) + 1);
        entryCount = index;
    }
    return entryCount;
}

} // namespace sorvel
