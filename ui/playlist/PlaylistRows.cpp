#include "PlaylistRows.h"

#include "skin_shape.h"

namespace sorvel {
namespace {

constexpr int kColumns = 3;

} // namespace

PlaylistRows::PlaylistRows(PlaylistController& playlist, QObject* parent)
    : QAbstractTableModel(parent), playlist_(playlist), shownRows_(playlist.rowCount()) {}

void PlaylistRows::setColours(SkinColour listBackColor, SkinColour listForeColor) {
    back_ = listBackColor;
    fore_ = listForeColor;
    if (shownRows_ > 0) {
        emit dataChanged(index(0, 0), index(shownRows_ - 1, kColumns - 1), {Qt::ForegroundRole});
    }
}

int PlaylistRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int PlaylistRows::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PlaylistRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) {
        return {};
    }
    const int32_t row = index.row() + 1;
    switch (role) {
    case Qt::DisplayRole: {
        const PlaylistRowCells cells = playlist_.rowCells(row);
        const std::string& text = index.column() == 0   ? cells.number
                                  : index.column() == 1 ? cells.title
                                                        : cells.time;
        return QString::fromStdString(text);
    }
    case Qt::ForegroundRole:
        return toQColor(playlist_.rowColour(row, back_, fore_));
    case Qt::TextAlignmentRole:
        // The numbers are padded for a fixed-width font; right-aligned they line up in any.
        return index.column() == 1 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant PlaylistRows::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case 0:
        return QStringLiteral("No.");
    case 1:
        return QStringLiteral("Title");
    case 2:
        return QStringLiteral("Time");
    default:
        return {};
    }
}

void PlaylistRows::AddListRow(int32_t, const PlaylistEntry&) {
    beginInsertRows({}, shownRows_, shownRows_);
    ++shownRows_;
    endInsertRows();
}

void PlaylistRows::ClearListRows() {
    beginResetModel();
    shownRows_ = 0;
    endResetModel();
}

void PlaylistRows::RemoveListRow(int32_t row) {
    if (row < 1 || row > shownRows_) {
        return;
    }
    beginRemoveRows({}, row - 1, row - 1);
    --shownRows_;
    endRemoveRows();
    // The rows below take their new numbers.
    if (row <= shownRows_) {
        emit dataChanged(index(row - 1, 0), index(shownRows_ - 1, 0), {Qt::DisplayRole});
    }
}

void PlaylistRows::SwapListRows(int32_t upper, int32_t) {
    if (upper < 1 || upper + 1 > shownRows_) {
        return;
    }
    emit dataChanged(index(upper - 1, 0), index(upper, kColumns - 1), {Qt::DisplayRole});
}

void PlaylistRows::UpdateListRow(int32_t row) {
    if (row >= 1 && row <= shownRows_) {
        emit dataChanged(index(row - 1, 0), index(row - 1, kColumns - 1), {Qt::DisplayRole});
    }
}

void PlaylistRows::HighlightCurrentRow(int32_t) {
    if (shownRows_ > 0) {
        emit dataChanged(index(0, 0), index(shownRows_ - 1, kColumns - 1), {Qt::ForegroundRole});
    }
}

} // namespace sorvel
