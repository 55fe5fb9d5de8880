#include "PlaylistList.h"

#include "dropped_paths.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace sorvel {

PlaylistList::PlaylistList(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("List1"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setContextMenuPolicy(Qt::NoContextMenu);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(1); // the skin's narrow "No." column
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(false);
}

int PlaylistList::selectedRow() const {
    if (selectionModel() == nullptr) {
        return 0;
    }
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.front().row() + 1;
}

void PlaylistList::selectRow(int row) {
    if (model() == nullptr || row < 1 || row > model()->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex index = model()->index(row - 1, 0);
    setCurrentIndex(index);
    selectionModel()->select(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void PlaylistList::keyPressEvent(QKeyEvent* event) {
    const int row = selectedRow();
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row >= 1) {
            emit playRequested(row);
        }
        return;
    case Qt::Key_Delete:
        if (row >= 1) {
            emit removeRequested(row);
        }
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (control) {
            if (row >= 1) {
                emit moveRequested(row, event->key() == Qt::Key_Up ? -1 : 1);
            }
            return;
        }
        break;
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

void PlaylistList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // The row under the pointer is the one the menu acts on.
        const QModelIndex under = indexAt(event->position().toPoint());
        if (under.isValid()) {
            selectRow(under.row() + 1);
        }
        emit menuRequested(event->globalPosition().toPoint());
        return;
    }
    QTreeView::mousePressEvent(event);
}

void PlaylistList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QModelIndex under = indexAt(event->position().toPoint());
    if (under.isValid()) {
        selectRow(under.row() + 1);
        emit playRequested(under.row() + 1);
    }
}

void PlaylistList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void PlaylistList::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void PlaylistList::dropEvent(QDropEvent* event) {
    const std::vector<std::string> items = droppedPaths(*event->mimeData());
    event->acceptProposedAction();
    if (!items.empty()) {
        emit itemsDropped(items);
    }
}

} // namespace sorvel
