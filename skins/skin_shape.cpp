#include "skin_shape.h"

namespace sorvel {

QColor toQColor(SkinColour colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QImage clearColourMask(const QImage& window, SkinColour clearColour) {
    if (window.isNull()) {
        return {};
    }
    const QImage opaque = window.convertToFormat(QImage::Format_RGB32);
    QImage mask = opaque.createMaskFromColor(toQColor(clearColour).rgb(), Qt::MaskOutColor);
    // QBitmap::fromImage goes by colour, not index: index 1 must be black (a set bit) so that
    // the mask shows the window and cuts the holes, not the other way round.
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    return mask;
}

} // namespace sorvel
