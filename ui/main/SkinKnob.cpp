#include "SkinKnob.h"

#include <QMouseEvent>
#include <QPainter>

namespace sorvel {

SkinKnob::SkinKnob(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinKnob::setPicture(const QImage& picture) {
    picture_ = picture;
    resize(picture_.isNull() ? QSize(0, 0) : picture_.size());
    update();
}

void SkinKnob::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void SkinKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dragging_ = true;
    grab_ = event->position().toPoint();
    emit dragStarted(grab_);
}

void SkinKnob::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        emit dragMoved(event->position().toPoint());
    }
}

void SkinKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        event->ignore();
        return;
    }
    dragging_ = false;
    emit dragEnded(event->position().toPoint());
}

void SkinKnob::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
    // The second press of a double click starts no drag: the first release ended it.
}

} // namespace sorvel
