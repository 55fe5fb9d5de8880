#include "dropped_items.h"

#include <filesystem>

namespace sorvel {
namespace fs = std::filesystem;

DropOutcome AddDroppedItems(Player& player, int32_t rows, const std::vector<std::string>& items) {
    DropOutcome outcome;
    int32_t next = rows + 1;
    outcome.firstSlot = next;
    auto add = [&](const std::string& path) {
        if (const std::string extension = EntryExtension(path);
            extension == "m3u" || extension == "pls") {
            // A playlist file replaces the whole list; later items follow its entries.
            player.AddEntry(next, Player::kOpenHere, path, true);
            outcome.firstSlot = 1;
            outcome.added = player.state().entryCount;
            next = player.state().entryCount + 1;
            return;
        }
        if (player.AddEntry(next, Player::kOpenHere, path, true) == 0) {
            ++next;
            ++outcome.added;
        }
    };
    for (const std::string& item : items) {
        std::error_code error;
        if (fs::is_directory(fs::path(item), error)) {
            for (fs::directory_iterator it(fs::path(item), error), end; !error && it != end;
                 it.increment(error)) {
                std::error_code kind;
                if (it->is_regular_file(kind)) {
                    add(it->path().string());
                }
            }
        } else {
            add(item);
        }
    }
    return outcome;
}

DropOutcome DropOnMainWindow(Player& player, int32_t rows, const std::vector<std::string>& items) {
    const DropOutcome outcome = AddDroppedItems(player, rows, items);
    PlayerState& state = player.state();
    FMOD_BOOL playing = 0;
    if (state.currentChannel != 0) {
        FMOD_Channel_IsPlaying(state.currentChannel, &playing);
    }
    if (playing != 0) {
        return outcome;
    }
    if (state.currentChannel == 0 && outcome.added > 0) {
        player.PlayEntryAt(outcome.firstSlot);
    } else {
        player.TransportCommand(kPlay);
    }
    return outcome;
}

} // namespace sorvel
