#include "skinned_window.h"

#include "clsSnap.h"
#include "skin_shape.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>

namespace sorvel {

void applyClearColourShape(QWidget& window, SkinColour clearColour) {
    // Drawn at one pixel per unit whatever the screen's scale: the mask is given in the
    // window's own units and Qt scales it with the window (a grab would be twice the size at
    // 200 %, and the corners would keep their clear colour).
    QImage drawn(window.size(), QImage::Format_RGB32);
    drawn.setDevicePixelRatio(1.0);
    drawn.fill(Qt::black);
    window.render(&drawn, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    const QImage mask = clearColourMask(drawn, clearColour);
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
