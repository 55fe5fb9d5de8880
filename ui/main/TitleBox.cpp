#include "TitleBox.h"

#include <QMouseEvent>

namespace sorvel {

// The skin's background is or-ed over the box colour, so the default black shows the background
// unchanged.
TitleBox::TitleBox(QWidget* parent) : SkinTextLine(parent, Backdrop::PictureOrColour) {}

void TitleBox::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->globalPosition());
}

void TitleBox::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        emit mouseMoved(event->globalPosition());
    }
}

void TitleBox::mouseReleaseEvent(QMouseEvent*) {
    emit mouseReleased();
}

} // namespace sorvel
