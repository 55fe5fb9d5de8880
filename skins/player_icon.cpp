#include "player_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace sorvel {

QImage playerIconImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1b, 0x1f, 0x24));
    painter.drawRoundedRect(QRectF(0, 0, side, side), side * 0.2, side * 0.2);
    QPainterPath play;
    play.moveTo(side * 0.36, side * 0.26);
    play.lineTo(side * 0.76, side * 0.5);
    play.lineTo(side * 0.36, side * 0.74);
    play.closeSubpath();
    painter.setBrush(QColor(0x35, 0xd0, 0xba));
    painter.drawPath(play);
    return image;
}

} // namespace sorvel
