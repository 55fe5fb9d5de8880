#include "skinned_window.h"

#include "clsSnap.h"
#include "skin_shape.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>

namespace sorvel {

void applyClearColourShape(QWidget& window, SkinColour clearColour) {
    const QImage mask = clearColourMask(window.grab().toImage(), clearColour);
    if (mask.isNull() || mask.size() != window.size()) {
        window.clearMask();
        return;
    }
    const QBitmap bitmap = QBitmap::fromImage(mask);
    if (QRegion(bitmap).isEmpty()) {
        window.clearMask();
        return;
    }
    window.setMask(bitmap);
}

void setStaysOnTop(QWidget& window, bool onTop, clsSnap& snap) {
    if (bool(window.windowFlags() & Qt::WindowStaysOnTopHint) == onTop) {
        return;
    }
    const bool visible = window.isVisible();
    const bool minimised = window.isMinimized();
    const QPoint at = window.pos();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides the window
    snap.placeByProgram(window, at);
    if (visible) {
        minimised ? window.showMinimized() : window.show();
    }
}

} // namespace sorvel
