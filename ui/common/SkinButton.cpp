#include "SkinButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace sorvel {

SkinButton::SkinButton(int number, QWidget* parent) : QWidget(parent), number_(number) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinButton::setPicture(const QImage& picture) {
    picture_ = picture;
    if (!picture_.isNull()) {
        resize(picture_.size());
    }
    update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore(); // the right button opens the window's menu
        return;
    }
    down_ = true;
    emit pressed(number_);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !down_) {
        event->ignore();
        return;
    }
    down_ = false;
    emit released(number_, rect().contains(event->position().toPoint()));
}

} // namespace sorvel
