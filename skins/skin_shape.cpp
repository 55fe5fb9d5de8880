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
    return opaque.createMaskFromColor(toQColor(clearColour).rgb(), Qt::MaskOutColor);
}

} // namespace sorvel
