// Where a dragged caption-less window goes: it follows the mouse and, with snapping on, is
// pulled flush against an edge of the screen's work area once its edge comes within the
// magnetic range. Plain arithmetic in the player's units (window positions in twips, the work
// area and the magnetic range in pixels) so it is tested without a window system.
#pragma once

#include <optional>

namespace sorvel {

struct WorkArea {
    int left = 0; // pixels
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

struct TwipsPoint {
    float x = 0;
    float y = 0;
    bool operator==(const TwipsPoint&) const = default;
};

struct SnapSettings {
    bool snapMode = false;
    int dockedDistance = 5;    // twips between a snapped edge and the work area's edge
    int magneticDistance = 15; // pixels
    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;
};

// The window's new top-left for a mouse move to (x, y), both in the window's own coordinates
// (twips), when the button went down at `grab`. Nothing when the window stays: the mouse is
// within 15 twips of the grab point (bounds included) or the window is not in its normal
// state. With snapping off the window follows the mouse exactly. With snapping on an edge whose
// new place lies strictly within the magnetic range of the work area's edge is placed the
// docked distance inside it (right before left, bottom before top); elsewhere the window
// follows the mouse exactly.
std::optional<TwipsPoint> snapWindowPosition(const TwipsRect& window, float x, float y,
                                             TwipsPoint grab, bool normalState,
                                             const WorkArea& area, const SnapSettings& settings);

} // namespace sorvel
