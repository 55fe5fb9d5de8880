#include "SkinText.h"

#include <QFontMetrics>
#include <QPainter>

namespace sorvel {

SkinText::SkinText(QWidget* parent) : QWidget(parent) {
    // Presses go on to the main window, which is dragged by them.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinText::setSkin(const QImage* background, QColor backColour, const QFont& font,
                       QColor textColour) {
    background_ = background;
    backColour_ = backColour;
    textColour_ = textColour;
    setFont(font);
    update();
}

void SkinText::showText(const QString& text) {
    if (text != text_) {
        text_ = text;
        update();
    }
}

QSize SkinText::textSize(const QString& text) const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void SkinText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backColour_);
    if (background_ != nullptr) {
        painter.drawImage(QPoint(0, 0), *background_, geometry());
    }
    painter.setPen(textColour_);
    painter.setFont(font());
    painter.drawText(QPoint(0, QFontMetrics(font()).ascent()), text_);
}

} // namespace sorvel
