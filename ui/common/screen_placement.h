// Keeping a window where the user can reach it: a stored place from another screen layout, or a
// skin's place for a smaller screen, must not put the window out of sight.
#pragma once

#include <QPoint>
#include <QRect>
#include <vector>

namespace sorvel {

// How much of a window must lie on one screen to count as reachable: enough to grab it.
inline constexpr int kReachableGrip = 32;

// `window`'s top-left when it is placed: unchanged while a kReachableGrip square of it (or all
// of it, when smaller) lies on one of `screens` (their available areas); otherwise moved into
// the screen nearest to it, as far inside as its size allows. Unchanged without screens.
QPoint reachablePlace(const QRect& window, const std::vector<QRect>& screens);

// The available areas of the screens the display has now.
std::vector<QRect> availableScreenAreas();

} // namespace sorvel
