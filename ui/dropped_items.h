// Files and folders dropped on the player's windows go to the end of the playlist, through the
// playlist model's AddEntry.
#pragma once

#include "Player.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorvel {

struct DropOutcome {
    int32_t firstSlot = 0; // the slot of the first entry added
    int32_t added = 0;     // entries added (a playlist file replaces the list: its entries)
};

// Adds the items after the list's `rows` rows, in the order given: a folder adds every file
// directly inside it (no sub-folders) in the order the file system lists them, anything else is
// added as one entry; an item that cannot be added takes no slot, so the next one reuses it.
DropOutcome AddDroppedItems(Player& player, int32_t rows, const std::vector<std::string>& items);

// The main window's drop: adds the items and, when nothing is playing, starts playing. A player
// that has never opened anything has no channel for the Play command to act on, so the first
// dropped entry is then opened directly.
DropOutcome DropOnMainWindow(Player& player, int32_t rows, const std::vector<std::string>& items);

} // namespace sorvel
