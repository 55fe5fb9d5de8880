// The playlist window "PlayListEditor": caption-less and shaped by the skin like the main
// window, with the list `List1`, the seven skinned buttons, two context menus and drops. It
// binds the PlaylistController, which does every playlist operation; the window only shows the
// rows and passes on what the user asks. UI thread only.
#pragma once

#include "PlaylistController.h"
#include "PlaylistWindowLayout.h"
#include "SkinDescription.h"
#include "SkinPictures.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QMenu;

namespace sorvel {

class PlaylistList;
class PlaylistRows;
class SkinButton;
class clsSnap;

class PlaylistFrm final : public QWidget {
    Q_OBJECT
public:
    // The buttons by index, as `CommandControl` numbers them.
    enum Command { kAddFiles = 0, kSave, kRemove, kUp, kDown, kClose, kClear };

    PlaylistFrm(PlaylistController& playlist, const SkinDescription& skin,
                const SkinPictures& pictures, clsSnap& snap, QWidget& mainWindow);
    ~PlaylistFrm() override;

    // Applies the playlist part of the skin (pictures already loaded) and shows the window in
    // front. Throws nothing: missing pictures leave their places empty.
    void open();
    // The skin changed while the window is open, or the window is to be placed again.
    void ApplySkin();
    // Runs button `index` (0 to 6).
    void CommandControl(int index);
    // The tag editor for the selected row's file (MP3 only), opened through the hook below.
    void ID3FileSet();
    void setTagEditor(std::function<void(const std::string&)> open) {
        tagEditor_ = std::move(open);
    }

    PlaylistList* list() const { return list_; }
    PlaylistRows* rows() const { return rows_; }
    SkinButton* button(int index) const;
    QMenu* listMenu() const { return listMenu_; }
    QMenu* backgroundMenu() const { return backgroundMenu_; }
    const PlaylistWindowLayout& layout() const { return layout_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buttonPressed(int index);
    void buttonReleased(int index, bool inside);
    void playSelected();
    void moveSelected(int row, int step);

    PlaylistController& playlist_;
    const SkinDescription& skin_;
    const SkinPictures& pictures_;
    clsSnap& snap_;
    QWidget& main_;
    std::function<void(const std::string&)> tagEditor_;

    PlaylistWindowLayout layout_;
    QImage background_;
    PlaylistList* list_ = nullptr;
    PlaylistRows* rows_ = nullptr;
    std::array<SkinButton*, SkinDescription::playlistButtonCount> buttons_{};
    QMenu* listMenu_ = nullptr;
    QMenu* backgroundMenu_ = nullptr;
    bool backgroundDrag_ = false;
};

// The tool tips of the seven buttons.
QString playlistButtonTip(int index);

} // namespace sorvel
