#include "PlaylistFrm.h"

#include "PlaylistList.h"
#include "PlaylistRows.h"
#include "SkinButton.h"
#include "clsSnap.h"
#include "dropped_paths.h"
#include "screen_placement.h"
#include "skin_fonts.h"
#include "skin_layout.h"
#include "skin_shape.h"
#include "skinned_window.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace sorvel {
namespace {

// A skin that gives the window no size still leaves a list to see and a place to right-click.
constexpr QSize kFallbackSize(240, 160);

// The list's font in every skin; Windows named it, the skin fonts map it to an installed one.
constexpr const char* kListFont = "ＭＳ Ｐゴシック";

} // namespace

QString playlistButtonTip(int index) {
    static constexpr std::array<const char*, SkinDescription::playlistButtonCount> tips{
        "OpenFile（ファイルを開く）",
        "SaveFile（プレイリスト保存）",
        "Remove（選択曲消去）",
        "Up(上へ）",
        "Down（下へ）",
        "Close（閉じる）",
        "Clear（全消去）",
    };
    if (index < 0 || index >= static_cast<int>(tips.size())) {
        return {};
    }
    return QString::fromUtf8(tips[static_cast<size_t>(index)]);
}

PlaylistFrm::PlaylistFrm(PlaylistController& playlist, const SkinDescription& skin,
                         const SkinPictures& pictures, clsSnap& snap, QWidget& mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), playlist_(playlist), skin_(skin),
      pictures_(pictures), snap_(snap), main_(mainWindow) {
    setObjectName(QStringLiteral("PlaylistFrm"));
    setWindowTitle(QStringLiteral("PlayListEditor"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);

    rows_ = new PlaylistRows(playlist_, this);
    list_ = new PlaylistList(this);
    list_->setModel(rows_);
    playlist_.setView(rows_);
    connect(list_, &PlaylistList::playRequested, this,
            [this](int row) { playlist_.PlayEntryAt(row); });
    connect(list_, &PlaylistList::removeRequested, this, [this] { CommandControl(kRemove); });
    connect(list_, &PlaylistList::moveRequested, this, &PlaylistFrm::moveSelected);
    connect(list_, &PlaylistList::menuRequested, this, [this](QPoint global) {
        snap_.RaisePlaylist();
        listMenu_->popup(global);
    });
    connect(list_, &PlaylistList::itemsDropped, this,
            [this](const std::vector<std::string>& items) { playlist_.dropOnList(items); });

    for (int index = 0; index < SkinDescription::playlistButtonCount; ++index) {
        auto* button = new SkinButton(index, this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(index));
        button->setToolTip(playlistButtonTip(index));
        button->hide();
        connect(button, &SkinButton::pressed, this, &PlaylistFrm::buttonPressed);
        connect(button, &SkinButton::released, this, &PlaylistFrm::buttonReleased);
        buttons_[static_cast<size_t>(index)] = button;
    }
    buildMenus();
}

PlaylistFrm::~PlaylistFrm() {
    playlist_.setView(nullptr);
}

void PlaylistFrm::buildMenus() {
    auto add = [this](QMenu* menu, const char* caption, auto slot) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        connect(action, &QAction::triggered, this, slot);
    };
    listMenu_ = new QMenu(this);
    add(listMenu_, "Play (&P)", [this] { playSelected(); });
    add(listMenu_, "Delete (&D)", [this] { CommandControl(kRemove); });
    listMenu_->addSeparator();
    add(listMenu_, "ID3編集 (&I)", [this] { ID3FileSet(); });

    backgroundMenu_ = new QMenu(this);
    add(backgroundMenu_, "Open (&O)", [this] { CommandControl(kAddFiles); });
    add(backgroundMenu_, "Save (&S)", [this] { CommandControl(kSave); });
    backgroundMenu_->addSeparator();
    add(backgroundMenu_, "Clear All (&C)", [this] { CommandControl(kClear); });
    backgroundMenu_->addSeparator();
    add(backgroundMenu_, "Close (&Z)", [this] { CommandControl(kClose); });
}

SkinButton* PlaylistFrm::button(int index) const {
    if (index < 0 || index >= SkinDescription::playlistButtonCount) {
        return nullptr;
    }
    return buttons_[static_cast<size_t>(index)];
}

void PlaylistFrm::open() {
    ApplySkin();
    show();
    raise();
    activateWindow();
    list_->setFocus();
}

void PlaylistFrm::ApplySkin() {
    layout_ = playlistWindowLayout(skin_, main_.pos());
    QSize size = layout_.clientSize;
    if (size.width() <= 0 || size.height() <= 0) {
        size = kFallbackSize;
    }
    setFixedSize(size);
    // The skin's place (or the docked one below the main window) may lie off today's screens.
    snap_.placeByProgram(*this,
                         reachablePlace(QRect(layout_.topLeft, size), availableScreenAreas()));
    if (layout_.bringToFront) {
        raise();
    }

    list_->setGeometry(layout_.list.isEmpty() ? QRect(QPoint(0, 0), size) : layout_.list);
    QPalette palette = list_->palette();
    const QColor back = toQColor(layout_.listBackColor);
    const QColor fore = toQColor(layout_.listForeColor);
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::Text, fore);
    // The header in the list's colours too, not the desktop's light ones.
    palette.setColor(QPalette::Button, back);
    palette.setColor(QPalette::ButtonText, fore);
    list_->setPalette(palette);
    list_->header()->setPalette(palette);
    SkinDescription::Font font;
    font.name = kListFont;
    list_->setFont(skinFont(font));
    rows_->setColours(layout_.listBackColor, layout_.listForeColor);
    for (int column = 0; column < static_cast<int>(layout_.columnWidths.size()); ++column) {
        list_->setColumnWidth(column,
                              std::max(0, layout_.columnWidths[static_cast<size_t>(column)]));
    }

    for (int index = 0; index < SkinDescription::playlistButtonCount; ++index) {
        SkinButton* button = buttons_[static_cast<size_t>(index)];
        const QImage& picture = pictures_.picture(SkinPictures::firstPlaylistButtonRow + index, 0);
        button->setPicture(picture);
        button->move(layout_.buttons[static_cast<size_t>(index)]);
        button->setVisible(!picture.isNull());
    }
    background_ = pictures_.playlistBackground();
    applyClearColourShape(*this, skin_.clearColor);
    update();
}

void PlaylistFrm::CommandControl(int index) {
    switch (index) {
    case kAddFiles:
        playlist_.addFiles();
        break;
    case kSave:
        playlist_.SavePlaylistFile();
        break;
    case kRemove:
        if (const int row = list_->selectedRow(); row >= 1) {
            playlist_.remove(row);
            // The next row takes the selection, so Delete can be pressed again.
            list_->selectRow(std::min(row, playlist_.rowCount()));
        }
        break;
    case kUp:
        moveSelected(list_->selectedRow(), -1);
        break;
    case kDown:
        moveSelected(list_->selectedRow(), 1);
        break;
    case kClose:
        hide();
        break;
    case kClear:
        playlist_.clear();
        break;
    default:
        break;
    }
}

void PlaylistFrm::moveSelected(int row, int step) {
    if (row < 1) {
        return;
    }
    list_->selectRow(step < 0 ? playlist_.moveUp(row) : playlist_.moveDown(row));
}

void PlaylistFrm::playSelected() {
    if (const int row = list_->selectedRow(); row >= 1) {
        playlist_.PlayEntryAt(row);
    }
}

void PlaylistFrm::ID3FileSet() {
    const auto path = playlist_.ID3FileSet(list_->selectedRow());
    if (path && tagEditor_) {
        tagEditor_(*path);
    }
}

void PlaylistFrm::buttonPressed(int index) {
    const QImage& held = pictures_.picture(SkinPictures::firstPlaylistButtonRow + index, 1);
    if (!held.isNull()) {
        buttons_[static_cast<size_t>(index)]->setPicture(held);
    }
}

void PlaylistFrm::buttonReleased(int index, bool inside) {
    buttons_[static_cast<size_t>(index)]->setPicture(
        pictures_.picture(SkinPictures::firstPlaylistButtonRow + index, 0));
    if (inside) {
        CommandControl(index);
    }
}

void PlaylistFrm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(skin_.clearColor));
    if (!background_.isNull()) {
        painter.drawImage(0, 0, background_);
    }
}

void PlaylistFrm::mousePressEvent(QMouseEvent* event) {
    snap_.RaisePlaylist();
    if (event->button() == Qt::RightButton) {
        backgroundMenu_->popup(event->globalPosition().toPoint());
        return;
    }
    snap_.ButtonDown(*this, event->position().toPoint());
    backgroundDrag_ = event->button() == Qt::LeftButton;
}

void PlaylistFrm::mouseMoveEvent(QMouseEvent* event) {
    if (backgroundDrag_ && (event->buttons() & Qt::LeftButton)) {
        snap_.DragPlaylist(*this, event->globalPosition().toPoint());
    }
}

void PlaylistFrm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        backgroundDrag_ = false;
    }
}

void PlaylistFrm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    snap_.WindowMoved(*this);
}

void PlaylistFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void PlaylistFrm::dropEvent(QDropEvent* event) {
    const std::vector<std::string> items = droppedPaths(*event->mimeData());
    event->acceptProposedAction();
    if (!items.empty()) {
        playlist_.dropOnMainWindow(items);
    }
}

} // namespace sorvel
