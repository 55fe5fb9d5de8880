// Dragging the caption-less main and playlist windows by their background, snapping them to the
// screen's work area, and moving them as one group when the skin's magnet mode is on. One
// instance serves both windows. UI thread only.
#pragma once

#include "snap_arithmetic.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

namespace sorvel {

class clsSnap {
public:
    enum class DragState { None = 0, Main = 1, Playlist = 2 };

    int32_t MouseX() const { return mouseX_; }
    void MouseX(int32_t value) { mouseX_ = value; }
    int32_t MouseY() const { return mouseY_; }
    void MouseY(int32_t value) { mouseY_ = value; }
    int32_t DockedDistance() const { return settings_.dockedDistance; }
    void DockedDistance(int32_t value) { settings_.dockedDistance = value; }
    int32_t MagneticDistance() const { return settings_.magneticDistance; }
    void MagneticDistance(int32_t value) { settings_.magneticDistance = value; }
    bool SnapMode() const { return settings_.snapMode; }
    void SnapMode(bool value) { settings_.snapMode = value; }

    // The work area (the screen less panels and task bars) of the screen `window` is on.
    void GetScreenSize(const QWidget& window);
    // A button other than the right one went down at `inWindow` (pixels of the window).
    void ButtonDown(const QWidget& window, QPoint inWindow);
    // The user starts moving a window (by its background or, through the window manager, by
    // the title area): moves from now on are the user's.
    void userMoveStarts();
    // A mouse move with the left button held, at `inWindow` (twips of the window's own
    // coordinates): moves `window` by the snapping rules.
    void SnapWindow(QWidget& window, float x, float y);

    // Dragging the main window (or the playlist window) with the left button at `global`.
    void DragMain(QWidget& main, QPoint global);
    void DragPlaylist(QWidget& playlist, QPoint global);

    // The group: the two windows and the skin's magnet mode with its offset ("-MainX",
    // "-MainY": main window's top-left minus the playlist window's, in pixels).
    void setWindows(QWidget* main, QWidget* playlist);
    void setMagnet(bool on, QPoint offset);
    void setDragState(DragState state) { dragState_ = state; }
    // A window reports that it has moved: keeps the other one at its offset. Moves of the main
    // window that the program did not make itself count as drags of it (the window manager
    // moves it for a drag on the title area after the request has returned).
    void WindowMoved(const QWidget& moved);
    // The program places `window` itself (at start, restoring it, switching top-most): its
    // partner stays where it is. The window system may report such a move late, so the place
    // is remembered rather than flagged for the duration of the call.
    void placeByProgram(QWidget& window, QPoint topLeft);
    // Brings the playlist window to the front (after a click on either window).
    void RaisePlaylist();
    // The playlist window goes away while the main window is minimised and comes back with it
    // if it was open.
    void hidePlaylist();
    void showPlaylistAgain();

private:
    std::optional<QPoint>* programPlace(const QWidget& window);

    int32_t mouseX_ = 0;
    int32_t mouseY_ = 0;
    SnapSettings settings_;
    WorkArea workArea_;
    DragState dragState_ = DragState::None;
    QPointer<QWidget> main_;
    QPointer<QWidget> playlist_;
    bool magnet_ = false;
    QPoint offset_;
    std::optional<QPoint> mainProgramPlace_;
    std::optional<QPoint> playlistProgramPlace_;
    bool playlistHiddenWithMain_ = false;
};

} // namespace sorvel
