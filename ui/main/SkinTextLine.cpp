#include "SkinTextLine.h"

#include <QFontMetrics>
#include <QPainter>

namespace sorvel {

SkinTextLine::SkinTextLine(QWidget* parent, Backdrop backdrop)
    : QWidget(parent), backdrop_(backdrop) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinTextLine::setSkin(const QImage* background, QColor backColour, const QFont& font,
                           QColor textColour) {
    background_ = background;
    backColour_ = backColour;
    textColour_ = textColour;
    setFont(font);
    update();
}

QSize SkinTextLine::textSize(const QString& text) const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void SkinTextLine::setLine(const QString& text, QPoint at) {
    if (text == text_ && at == at_) {
        return;
    }
    text_ = text;
    at_ = at;
    update();
}

void SkinTextLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backColour_);
    if (background_ != nullptr && !background_->isNull()) {
        if (backdrop_ == Backdrop::PictureOrColour) {
            painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        }
        painter.drawImage(QPoint(0, 0), *background_, geometry());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.setClipRect(rect());
    painter.setPen(textColour_);
    painter.setFont(font());
    painter.drawText(QPoint(at_.x(), at_.y() + QFontMetrics(font()).ascent()), text_);
}

} // namespace sorvel
