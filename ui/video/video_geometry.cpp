#include "video_geometry.h"

#include <cmath>

namespace sorvel {

QSize zoomedClientSize(QSize native, int item) {
    const double factor =
        item >= 0 && item < static_cast<int>(kZoomFactors.size()) ? kZoomFactors[item] : 1.0;
    return {static_cast<int>(std::lround(native.width() * factor)),
            static_cast<int>(std::lround(native.height() * factor))};
}

QRect fullScreenPicture(QSize native, QSize screen) {
    if (native.isEmpty()) {
        return {QPoint(0, 0), screen};
    }
    const double scale = static_cast<double>(screen.width()) / native.width();
    const int height = static_cast<int>(std::lround(native.height() * scale));
    return {0, (screen.height() - height) / 2, screen.width(), height};
}

Qt::Edges sizingEdgesAt(QPoint point, QSize size, int border) {
    Qt::Edges edges;
    if (point.x() < border) {
        edges |= Qt::LeftEdge;
    } else if (point.x() >= size.width() - border) {
        edges |= Qt::RightEdge;
    }
    if (point.y() < border) {
        edges |= Qt::TopEdge;
    } else if (point.y() >= size.height() - border) {
        edges |= Qt::BottomEdge;
    }
    return edges;
}

} // namespace sorvel
