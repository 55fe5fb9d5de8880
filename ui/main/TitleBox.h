// The title box of the main window: the now-playing title in the skin's font over the skin's
// background, at a fixed place or scrolling.
#pragma once

#include "SkinTextLine.h"

namespace sorvel {

class TitleBox final : public SkinTextLine {
    Q_OBJECT
public:
    explicit TitleBox(QWidget* parent);

    // Draws `text` with its top-left at `at` (pixels of the box) and refreshes the box.
    void showText(const QString& text, QPoint at) { setLine(text, at); }
    int textWidth(const QString& text) const { return textSize(text).width(); }

signals:
    void mousePressed(Qt::MouseButton button, QPointF globalPosition);
    void mouseMoved(QPointF globalPosition);
    void mouseReleased();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace sorvel
