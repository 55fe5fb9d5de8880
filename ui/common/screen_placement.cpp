#include "screen_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace sorvel {
namespace {

// Squared distance between the two rectangles' nearest points (0 when they overlap).
long long gapSquared(const QRect& a, const QRect& b) {
    const long long dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const long long dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

QPoint reachablePlace(const QRect& window, const std::vector<QRect>& screens) {
    const int needWidth = std::min(kReachableGrip, window.width());
    const int needHeight = std::min(kReachableGrip, window.height());
    const QRect* nearest = nullptr;
    long long nearestGap = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(window);
        if (shown.width() >= needWidth && shown.height() >= needHeight) {
            return window.topLeft();
        }
        const long long gap = gapSquared(window, screen);
        if (gap < nearestGap) {
            nearestGap = gap;
            nearest = &screen;
        }
    }
    if (nearest == nullptr) {
        return window.topLeft();
    }
    // Fully inside when it fits; a window larger than the screen keeps its top-left corner on it.
    const int x =
        std::max(nearest->left(), std::min(window.left(), nearest->right() + 1 - window.width()));
    const int y =
        std::max(nearest->top(), std::min(window.top(), nearest->bottom() + 1 - window.height()));
    return {x, y};
}

std::vector<QRect> availableScreenAreas() {
    std::vector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        areas.push_back(screen->availableGeometry());
    }
    return areas;
}

} // namespace sorvel
