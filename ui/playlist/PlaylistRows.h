// The list's rows for Qt's list view: texts and colours come from the PlaylistController; the
// model is the PlaylistView the controller tells about each change, so the view follows it.
#pragma once

#include "PlaylistController.h"
#include "PlaylistView.h"
#include "SkinDescription.h"

#include <QAbstractTableModel>

namespace sorvel {

class PlaylistRows final : public QAbstractTableModel, public PlaylistView {
    Q_OBJECT
public:
    explicit PlaylistRows(PlaylistController& playlist, QObject* parent = nullptr);

    // The list's colours from the skin; the current entry's row takes the complement of the
    // background.
    void setColours(SkinColour listBackColor, SkinColour listForeColor);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void AddListRow(int32_t slot, const PlaylistEntry& entry) override;
    void ClearListRows() override;
    void RemoveListRow(int32_t row) override;
    void SwapListRows(int32_t upper, int32_t selected) override;
    void UpdateListRow(int32_t row) override;
    void HighlightCurrentRow(int32_t index) override;

private:
    PlaylistController& playlist_;
    int shownRows_ = 0; // what the view has been told, which trails the controller briefly
    SkinColour back_ = 0;
    SkinColour fore_ = 0xFFFFFF;
};

} // namespace sorvel
