// The playlist's rows while no playlist window shows them: counts them, so that drops and saves
// see the same list as the window will.
#pragma once

#include "PlayerServices.h"

#include <map>

namespace sorvel {

class PlaylistRows final : public PlaylistView {
public:
    void AddListRow(int32_t slot, const PlaylistEntry& entry) override;
    void ClearListRows() override { rows_.clear(); }
    int32_t ListRowCount() const override { return static_cast<int32_t>(rows_.size()); }
    void HighlightCurrentRow(int32_t index) override { highlighted_ = index; }
    int32_t highlighted() const { return highlighted_; }

private:
    std::map<int32_t, std::string> rows_; // slot -> path
    int32_t highlighted_ = -1;
};

} // namespace sorvel
