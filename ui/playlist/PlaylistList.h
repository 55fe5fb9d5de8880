// `List1`, the playlist window's report list: one row per entry with "No.", "Title" and
// "Time". It reports what the user asks of a row (play, remove, move, the menu) and what is
// dropped on it; the window carries it out.
#pragma once

#include <QTreeView>
#include <string>
#include <vector>

namespace sorvel {

class PlaylistList final : public QTreeView {
    Q_OBJECT
public:
    explicit PlaylistList(QWidget* parent);

    // The selected row counted from 1, or 0 when none is.
    int selectedRow() const;
    void selectRow(int row);

signals:
    void playRequested(int row);
    void removeRequested(int row);
    void moveRequested(int row, int step); // -1 up, +1 down
    void menuRequested(QPoint global);
    void itemsDropped(const std::vector<std::string>& items);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace sorvel
