// Where the skinned playlist window goes and what lies inside it, in pixels.
#pragma once

#include "SkinDescription.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace sorvel {

struct PlaylistWindowLayout {
    QSize clientSize;
    QPoint topLeft;           // on the screen
    bool followsMain = false; // magnet mode: kept at its offset from the main window
    bool bringToFront = false;
    QRect list;
    SkinColour listBackColor = 0;
    SkinColour listForeColor = 0;
    std::array<int, 3> columnWidths{}; // "No.", "Title", "Time"
    std::array<QPoint, SkinDescription::playlistButtonCount> buttons{};
};

} // namespace sorvel
