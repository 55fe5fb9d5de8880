#include "SkinText.h"

namespace sorvel {

// Presses go on to the main window, which is dragged by them.
SkinText::SkinText(QWidget* parent) : SkinTextLine(parent, Backdrop::PictureOverColour) {}

void SkinText::showText(const QString& text) {
    setLine(text, QPoint(0, 0));
}

} // namespace sorvel
