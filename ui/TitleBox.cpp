#include "TitleBox.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace sorvel {

TitleBox::TitleBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TitleBox::setSkin(const QImage* background, QColor backColour, const QFont& font,
                       QColor textColour) {
    background_ = background;
    backColour_ = backColour;
    textColour_ = textColour;
    setFont(font);
    update();
}

void TitleBox::showText(const QString& text, QPoint at) {
    if (text == text_ && at == at_) {
        return;
    }
    text_ = text;
    at_ = at;
    update();
}

int TitleBox::textWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

void TitleBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backColour_);
    if (background_ != nullptr && !background_->isNull()) {
        // The skin's background or-ed over the box colour, so the default black shows the
        // background unchanged.
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.drawImage(QPoint(0, 0), *background_, geometry());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.setClipRect(rect());
    painter.setPen(textColour_);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    painter.drawText(QPoint(at_.x(), at_.y() + metrics.ascent()), text_);
}

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
