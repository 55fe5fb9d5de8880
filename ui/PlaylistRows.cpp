#include "PlaylistRows.h"

namespace sorvel {

void PlaylistRows::AddListRow(int32_t slot, const PlaylistEntry& entry) {
    rows_[slot] = entry.path;
}

} // namespace sorvel
