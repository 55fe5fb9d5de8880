// Where the video window and its picture go, as plain arithmetic: zoom sizes, the full-screen
// picture and the sizing border, tested without a window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace sorvel {

// The factors of the pop-up menu's items "zoom 50%" to "zoom 200%".
inline constexpr std::array<double, 4> kZoomFactors{0.5, 1.0, 1.5, 2.0};

// The client size of zoom item `item` (0 to 3; anything else is 100 %) for a picture of
// `native` size, rounded to whole pixels.
QSize zoomedClientSize(QSize native, int item);

// The picture in full screen: scaled to the screen's width keeping its aspect ratio and centred
// vertically (a picture taller than the screen then reaches beyond it at top and bottom).
QRect fullScreenPicture(QSize native, QSize screen);

// The edges a press at `point` takes hold of in a window of `size` whose sizing border is
// `border` pixels wide; none inside the border.
Qt::Edges sizingEdgesAt(QPoint point, QSize size, int border);

} // namespace sorvel
