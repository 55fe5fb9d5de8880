#include "SkinTextLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

namespace sorvel {

SkinTextLine::SkinTextLine(QWidget* parent, Backdrop backdrop)
    : QWidget(parent), backdrop_(backdrop) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);
}

void SkinTextLine::setSkin(const QImage* background, QColor backColour, const QFont& font,
                           QColor textColour) {
    background_ = background;
    backColour_ = backColour;
    textColour_ = textColour;
    underFor_ = QRect();
    setFont(font);
    measuredSize_.reset();
    layOut();
    update();
}

QSize SkinTextLine::textSize(const QString& text) const {
    if (text == text_) {
        return size_;
    }
    if (!measuredSize_ || text != measured_) {
        const QFontMetrics metrics(font());
        measured_ = text;
        measuredSize_ = QSize(metrics.horizontalAdvance(text), metrics.height());
    }
    return *measuredSize_;
}

void SkinTextLine::layOut() {
    const QFontMetrics metrics(font());
    size_ = {metrics.horizontalAdvance(text_), metrics.height()};
    ascent_ = metrics.ascent();
    layout_.clearLayout();
    layout_.setFont(font());
    layout_.setText(text_);
    layout_.beginLayout();
    QTextLine line = layout_.createLine();
    if (line.isValid()) {
        line.setLineWidth(size_.width() + 1);
        line.setPosition(QPointF(0, 0));
    }
    layout_.endLayout();
}

QRect SkinTextLine::inkAt(QPoint at) const {
    if (text_.isEmpty()) {
        return {};
    }
    // Italics and overhanging glyphs may reach a little beyond the advance.
    const int margin = size_.height();
    return QRect(at, size_).adjusted(-margin, 0, margin, 0);
}

void SkinTextLine::setLine(const QString& text, QPoint at) {
    if (text == text_ && at == at_) {
        return;
    }
    if (text != text_) {
        text_ = text;
        at_ = at;
        layOut();
        update();
        return;
    }
    const bool showedBefore = inkAt(at_).intersects(rect());
    at_ = at;
    if (showedBefore || inkAt(at_).intersects(rect())) {
        update();
    }
}

void SkinTextLine::paintEvent(QPaintEvent*) {
    if (under_.size() != size() || underFor_ != geometry()) {
        // What lies under the text, made once for this place and skin.
        underFor_ = geometry();
        under_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        under_.fill(backColour_);
        if (background_ != nullptr && !background_->isNull()) {
            QPainter painter(&under_);
            if (backdrop_ == Backdrop::PictureOrColour) {
                painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            }
            painter.drawImage(QPoint(0, 0), *background_, geometry());
        }
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), under_);
    if (text_.isEmpty() || layout_.lineCount() == 0) {
        return;
    }
    painter.setClipRect(rect());
    painter.setPen(textColour_);
    // The baseline where drawText would put it: the font's ascent below `at`.
    const QTextLine line = layout_.lineAt(0);
    layout_.draw(&painter, QPointF(at_.x(), at_.y() + ascent_ - line.ascent()));
}

} // namespace sorvel
