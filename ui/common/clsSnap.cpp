#include "clsSnap.h"

#include "twips.h"

#include <QScreen>
#include <QWindow>

namespace sorvel {

void clsSnap::GetScreenSize(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    // Right and bottom as the first pixel beyond the area, like a Windows rectangle.
    workArea_ = {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

void clsSnap::ButtonDown(const QWidget& window, QPoint inWindow) {
    mouseX_ = inWindow.x() * kTwipsPerPixel;
    mouseY_ = inWindow.y() * kTwipsPerPixel;
    GetScreenSize(window);
    userMoveStarts();
}

void clsSnap::userMoveStarts() {
    mainProgramPlace_.reset();
    playlistProgramPlace_.reset();
}

void clsSnap::SnapWindow(QWidget& window, float x, float y) {
    const QRect frame = window.frameGeometry();
    const TwipsRect rect{float(frame.x() * kTwipsPerPixel), float(frame.y() * kTwipsPerPixel),
                         float(frame.width() * kTwipsPerPixel),
                         float(frame.height() * kTwipsPerPixel)};
    const bool normal = !(window.windowState() &
                          (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const auto to = snapWindowPosition(rect, x, y, TwipsPoint{float(mouseX_), float(mouseY_)},
                                       normal, workArea_, settings_);
    if (to) {
        window.move(nearestInt(to->x / kTwipsPerPixel), nearestInt(to->y / kTwipsPerPixel));
    }
}

void clsSnap::DragMain(QWidget& main, QPoint global) {
    const QPoint inWindow = global - main.frameGeometry().topLeft();
    dragState_ = DragState::Main;
    SnapWindow(main, float(inWindow.x() * kTwipsPerPixel), float(inWindow.y() * kTwipsPerPixel));
    // Window systems that report the move later would otherwise see it as nobody's drag.
    WindowMoved(main);
    dragState_ = DragState::None;
    RaisePlaylist();
}

void clsSnap::DragPlaylist(QWidget& playlist, QPoint global) {
    const QPoint inWindow = global - playlist.frameGeometry().topLeft();
    dragState_ = DragState::Playlist;
    SnapWindow(playlist, float(inWindow.x() * kTwipsPerPixel),
               float(inWindow.y() * kTwipsPerPixel));
    WindowMoved(playlist);
    dragState_ = DragState::None;
}

void clsSnap::setWindows(QWidget* main, QWidget* playlist) {
    main_ = main;
    playlist_ = playlist;
}

void clsSnap::setMagnet(bool on, QPoint offset) {
    magnet_ = on;
    offset_ = offset;
}

std::optional<QPoint>* clsSnap::programPlace(const QWidget& window) {
    if (&window == main_.data()) {
        return &mainProgramPlace_;
    }
    if (&window == playlist_.data()) {
        return &playlistProgramPlace_;
    }
    return nullptr;
}

void clsSnap::placeByProgram(QWidget& window, QPoint topLeft) {
    if (std::optional<QPoint>* place = programPlace(window)) {
        *place = topLeft;
    }
    window.move(topLeft);
}

void clsSnap::WindowMoved(const QWidget& moved) {
    if (std::optional<QPoint>* place = programPlace(moved); place != nullptr && *place) {
        if (**place == moved.pos()) {
            return; // where the program put it
        }
        place->reset();
    }
    if (!magnet_ || main_ == nullptr || playlist_ == nullptr) {
        return;
    }
    if (&moved == main_.data() && dragState_ != DragState::Playlist) {
        RaisePlaylist();
        const QPoint follow = main_->pos() - offset_;
        if (playlist_->pos() != follow) {
            placeByProgram(*playlist_, follow);
        }
    } else if (&moved == playlist_.data() && dragState_ == DragState::Playlist &&
               !main_->isMinimized()) {
        const QPoint follow = playlist_->pos() + offset_;
        if (main_->pos() != follow) {
            placeByProgram(*main_, follow);
        }
    }
}

void clsSnap::hidePlaylist() {
    if (playlist_ != nullptr && playlist_->isVisible()) {
        playlistHiddenWithMain_ = true;
        playlist_->hide();
    }
}

void clsSnap::showPlaylistAgain() {
    if (playlist_ != nullptr && playlistHiddenWithMain_) {
        playlistHiddenWithMain_ = false;
        playlist_->show();
        RaisePlaylist();
    }
}

void clsSnap::RaisePlaylist() {
    if (playlist_ != nullptr && playlist_->isVisible()) {
        playlist_->raise();
    }
}

} // namespace sorvel
