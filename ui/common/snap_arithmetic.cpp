#include "snap_arithmetic.h"

namespace sorvel {
namespace {

bool within(float edge, int target, int range) {
    return static_cast<float>(target - range) < edge && edge < static_cast<float>(target + range);
}

// One axis: the near-edge tests of the far edge first, then of the near edge.
float snapAxis(float start, float delta, float size, int areaStart, int areaEnd, int perPixel,
               const SnapSettings& settings) {
    const float farEdge = (start + delta + size) / static_cast<float>(perPixel);
    const float nearEdge = (start + delta) / static_cast<float>(perPixel);
    if (within(farEdge, areaEnd, settings.magneticDistance)) {
        return static_cast<float>(areaEnd * perPixel) - size -
               static_cast<float>(settings.dockedDistance);
    }
    if (within(nearEdge, areaStart, settings.magneticDistance)) {
        return static_cast<float>(areaStart * perPixel + settings.dockedDistance);
    }
    // The Windows player took the docked distance off here too, so a window dragged in the
    // open crept 5 twips up and left on every move; away from the edges it follows the mouse.
    return start + delta;
}

} // namespace

std::optional<TwipsPoint> snapWindowPosition(const TwipsRect& window, float x, float y,
                                             TwipsPoint grab, bool normalState,
                                             const WorkArea& area, const SnapSettings& settings) {
    if (x >= grab.x - 15 && x <= grab.x + 15 && y >= grab.y - 15 && y <= grab.y + 15) {
        return std::nullopt; // mouse jitter
    }
    if (!normalState) {
        return std::nullopt;
    }
    const float dx = x - grab.x;
    const float dy = y - grab.y;
    if (!settings.snapMode) {
        return TwipsPoint{window.left + dx, window.top + dy};
    }
    return TwipsPoint{snapAxis(window.left, dx, window.width, area.left, area.right,
                               settings.twipsPerPixelX, settings),
                      snapAxis(window.top, dy, window.height, area.top, area.bottom,
                               settings.twipsPerPixelY, settings)};
}

} // namespace sorvel
