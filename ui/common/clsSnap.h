// Dragging the caption-less main and playlist windows by their background, snapping them to the
// screen's work area, and moving them as one group when the skin's magnet mode is on. One
// instance serves both windows. UI thread only.
#pragma once

#include "snap_arithmetic.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>

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
    // Brings the playlist window to the front (after a click on either window).
    void RaisePlaylist();
    // The playlist window goes away while the main window is minimised.
    void hidePlaylist();

private:
    void moveByProgram(QWidget& window, QPoint topLeft);

    int32_t mouseX_ = 0;
    int32_t mouseY_ = 0;
    SnapSettings settings_;
    WorkArea workArea_;
    DragState dragState_ = DragState::None;
    QPointer<QWidget> main_;
    QPointer<QWidget> playlist_;
    bool magnet_ = false;
    QPoint offset_;
    bool programMove_ = false;
};

} // namespace sorvel
