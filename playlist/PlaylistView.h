// The playlist window as the playlist sees it: told about each change to its rows. The rows
// themselves (their texts and colours) are kept by the PlaylistController, which the window
// reads; a player without the window leaves this a do-nothing stand-in.
#pragma once

#include "PlaylistEntry.h"

#include <cstdint>

namespace sorvel {

class PlaylistView {
public:
    virtual ~PlaylistView() = default;
    // A row for `slot` was added at the end of the list.
    virtual void AddListRow(int32_t slot, const PlaylistEntry& entry) = 0;
    virtual void ClearListRows() = 0;
    // The row at `row` (counted from 1) was removed; the rows after it moved up.
    virtual void RemoveListRow(int32_t /*row*/) {}
    // Rows `upper` and `upper` + 1 exchanged their title and time; `selected` is selected now.
    virtual void SwapListRows(int32_t /*upper*/, int32_t /*selected*/) {}
    // The entry of the row at `row` (counted from 1) has a new title or artist.
    virtual void UpdateListRow(int32_t /*row*/) {}
    // The row colours follow a new current entry.
    virtual void HighlightCurrentRow(int32_t index) = 0;
};

} // namespace sorvel
