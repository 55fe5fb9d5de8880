#include "skin_painter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace sorvel::skingen {
namespace {

using Theme = SkinDesign::Theme;

// How a button picture shows: its normal face, held down, or a toggle that is on (with the
// loop button's mode to draw).
enum class Look { Normal, Pressed, Off, On, RepeatOne };

QImage transparentCanvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont uiFont(int pixels, bool bold) {
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The colour key is all or nothing: pixels mostly outside the body become the key colour,
// the rest are made opaque, so the window's outline stays crisp and no key-tinted fringe shows.
QImage flattenOnKey(const QImage& painted, const QColor& key) {
    QImage out(painted.size(), QImage::Format_RGB32);
    for (int y = 0; y < painted.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < painted.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 128) {
                line[x] = key.rgb();
            } else {
                // Un-premultiply: the edge keeps the body's own colour.
                line[x] = qRgb(qRed(in[x]) * 255 / alpha, qGreen(in[x]) * 255 / alpha,
                               qBlue(in[x]) * 255 / alpha);
            }
        }
    }
    return out;
}

void paintBody(QPainter& p, QSize size, int radius, const Theme& t) {
    const QRectF outer(0, 0, size.width(), size.height());
    p.setPen(Qt::NoPen);
    p.setBrush(t.border);
    p.drawRoundedRect(outer, radius, radius);
    const QRectF inner = outer.adjusted(1, 1, -1, -1);
    QLinearGradient body(inner.topLeft(), inner.bottomLeft());
    body.setColorAt(0, t.bodyTop);
    body.setColorAt(1, t.bodyBottom);
    p.setBrush(body);
    p.drawRoundedRect(inner, radius - 1, radius - 1);
    // A lit top edge gives the body its depth.
    p.setPen(QPen(t.highlight, 1));
    p.drawLine(QPointF(radius, 1.5), QPointF(size.width() - radius, 1.5));
}

void paintWell(QPainter& p, const QRect& rect, int radius, const Theme& t, const QColor& fill) {
    p.setPen(QPen(t.panelBorder, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    // Inner shadow along the top: the display sits below the body's surface.
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    p.drawLine(QPointF(rect.left() + radius, rect.top() + 1.5),
               QPointF(rect.right() - radius + 1, rect.top() + 1.5));
}

void paintGroove(QPainter& p, const QRect& groove, const Theme& t) {
    const double r = groove.height() / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(t.panel);
    p.drawRoundedRect(QRectF(groove).adjusted(-1, -1, 1, 1), r + 1, r + 1);
    p.setBrush(t.groove);
    p.drawRoundedRect(QRectF(groove), r, r);
}

void paintLabel(QPainter& p, const SkinDesign::Label& label, const Theme& t) {
    p.setFont(uiFont(label.pixels, label.bold));
    p.setPen(label.accent ? t.accent : t.textDim);
    p.drawText(label.at, label.text);
}

// ---- icons, drawn in a square box -------------------------------------------------------

QPolygonF polygon(const QRectF& box, std::initializer_list<QPointF> unitPoints) {
    QPolygonF poly;
    for (const QPointF& u : unitPoints) {
        poly << QPointF(box.left() + u.x() * box.width(), box.top() + u.y() * box.height());
    }
    return poly;
}

QPointF at(const QRectF& box, double x, double y) {
    return {box.left() + x * box.width(), box.top() + y * box.height()};
}

QRectF part(const QRectF& box, double x, double y, double w, double h) {
    return {box.left() + x * box.width(), box.top() + y * box.height(), w * box.width(),
            h * box.height()};
}

void arrowHead(QPainter& p, QPointF tip, QPointF direction, double size) {
    const double length = std::hypot(direction.x(), direction.y());
    const QPointF d = direction / length;
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << tip + d * (size * 0.45) << tip - d * (size * 0.55) + n * (size * 0.6)
         << tip - d * (size * 0.55) - n * (size * 0.6);
    p.drawPolygon(head);
}

void drawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& c) {
    p.save();
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    const double s = box.width();
    const QPen stroke(c, std::max(1.4, s / 7.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (icon) {
    case Icon::Play:
        p.drawPolygon(polygon(box, {{0.18, 0.06}, {0.92, 0.5}, {0.18, 0.94}}));
        break;
    case Icon::Pause:
        p.drawRoundedRect(part(box, 0.14, 0.08, 0.26, 0.84), 1, 1);
        p.drawRoundedRect(part(box, 0.60, 0.08, 0.26, 0.84), 1, 1);
        break;
    case Icon::Stop:
        p.drawRoundedRect(part(box, 0.1, 0.1, 0.8, 0.8), 1.5, 1.5);
        break;
    case Icon::Previous:
        p.drawRect(part(box, 0.06, 0.12, 0.17, 0.76));
        p.drawPolygon(polygon(box, {{0.94, 0.1}, {0.27, 0.5}, {0.94, 0.9}}));
        break;
    case Icon::Next:
        p.drawRect(part(box, 0.77, 0.12, 0.17, 0.76));
        p.drawPolygon(polygon(box, {{0.06, 0.1}, {0.73, 0.5}, {0.06, 0.9}}));
        break;
    case Icon::Rewind:
        p.drawPolygon(polygon(box, {{0.52, 0.16}, {0.0, 0.5}, {0.52, 0.84}}));
        p.drawPolygon(polygon(box, {{1.0, 0.16}, {0.48, 0.5}, {1.0, 0.84}}));
        break;
    case Icon::FastForward:
        p.drawPolygon(polygon(box, {{0.0, 0.16}, {0.52, 0.5}, {0.0, 0.84}}));
        p.drawPolygon(polygon(box, {{0.48, 0.16}, {1.0, 0.5}, {0.48, 0.84}}));
        break;
    case Icon::Random: {
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        QPainterPath a(at(box, 0.0, 0.22));
        a.lineTo(at(box, 0.22, 0.22));
        a.cubicTo(at(box, 0.5, 0.22), at(box, 0.5, 0.78), at(box, 0.78, 0.78));
        QPainterPath b(at(box, 0.0, 0.78));
        b.lineTo(at(box, 0.22, 0.78));
        b.cubicTo(at(box, 0.5, 0.78), at(box, 0.5, 0.22), at(box, 0.78, 0.22));
        p.drawPath(a);
        p.drawPath(b);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        arrowHead(p, at(box, 0.92, 0.22), {1, 0}, s * 0.38);
        arrowHead(p, at(box, 0.92, 0.78), {1, 0}, s * 0.38);
        break;
    }
    case Icon::Loop: {
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        QPainterPath top(at(box, 0.08, 0.62));
        top.lineTo(at(box, 0.08, 0.42));
        top.quadTo(at(box, 0.08, 0.2), at(box, 0.3, 0.2));
        top.lineTo(at(box, 0.78, 0.2));
        QPainterPath bottom(at(box, 0.92, 0.38));
        bottom.lineTo(at(box, 0.92, 0.58));
        bottom.quadTo(at(box, 0.92, 0.8), at(box, 0.7, 0.8));
        bottom.lineTo(at(box, 0.22, 0.8));
        p.drawPath(top);
        p.drawPath(bottom);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        arrowHead(p, at(box, 0.9, 0.2), {1, 0}, s * 0.36);
        arrowHead(p, at(box, 0.1, 0.8), {-1, 0}, s * 0.36);
        break;
    }
    case Icon::Open:
        p.drawPolygon(polygon(box, {{0.5, 0.06}, {0.96, 0.58}, {0.04, 0.58}}));
        p.drawRect(part(box, 0.04, 0.74, 0.92, 0.18));
        break;
    case Icon::Playlist:
        for (const double y : {0.14, 0.44, 0.74}) {
            p.drawRect(part(box, 0.0, y, 0.16, 0.16));
            p.drawRect(part(box, 0.3, y, 0.7, 0.16));
        }
        break;
    case Icon::Settings: {
        QPainterPath gear;
        gear.setFillRule(Qt::OddEvenFill);
        const QPointF centre = box.center();
        const int teeth = 8;
        QPolygonF outline;
        for (int i = 0; i < teeth * 4; ++i) {
            const double angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
            const double radius = (i / 2) % 2 == 0 ? s * 0.5 : s * 0.36;
            outline << centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        }
        gear.addPolygon(outline);
        gear.closeSubpath();
        gear.addEllipse(centre, s * 0.15, s * 0.15);
        p.drawPath(gear);
        break;
    }
    case Icon::Cd: {
        QPainterPath disc;
        disc.setFillRule(Qt::OddEvenFill);
        disc.addEllipse(box.center(), s * 0.5, s * 0.5);
        disc.addEllipse(box.center(), s * 0.14, s * 0.14);
        p.drawPath(disc);
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(box.center() - QPointF(s * 0.32, s * 0.32), QSizeF(s * 0.64, s * 0.64)),
                  30 * 16, 70 * 16);
        break;
    }
    case Icon::Close:
    case Icon::Minimise:
    case Icon::Add:
    case Icon::Remove: {
        p.setPen(QPen(c, std::max(1.5, s / 6.5), Qt::SolidLine, Qt::RoundCap));
        if (icon == Icon::Close) {
            p.drawLine(at(box, 0.15, 0.15), at(box, 0.85, 0.85));
            p.drawLine(at(box, 0.85, 0.15), at(box, 0.15, 0.85));
        } else if (icon == Icon::Minimise) {
            p.drawLine(at(box, 0.12, 0.8), at(box, 0.88, 0.8));
        } else {
            p.drawLine(at(box, 0.08, 0.5), at(box, 0.92, 0.5));
            if (icon == Icon::Add) {
                p.drawLine(at(box, 0.5, 0.08), at(box, 0.5, 0.92));
            }
        }
        break;
    }
    case Icon::Up:
        p.drawPolygon(polygon(box, {{0.5, 0.14}, {0.96, 0.8}, {0.04, 0.8}}));
        break;
    case Icon::Down:
        p.drawPolygon(polygon(box, {{0.04, 0.2}, {0.96, 0.2}, {0.5, 0.86}}));
        break;
    case Icon::Save: {
        p.drawRect(part(box, 0.4, 0.0, 0.2, 0.42));
        p.drawPolygon(polygon(box, {{0.16, 0.36}, {0.84, 0.36}, {0.5, 0.7}}));
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        QPainterPath tray(at(box, 0.04, 0.66));
        tray.lineTo(at(box, 0.04, 0.94));
        tray.lineTo(at(box, 0.96, 0.94));
        tray.lineTo(at(box, 0.96, 0.66));
        p.drawPath(tray);
        break;
    }
    case Icon::Clear: {
        p.drawRect(part(box, 0.02, 0.12, 0.96, 0.13));
        p.drawRect(part(box, 0.36, 0.0, 0.28, 0.14));
        p.drawPolygon(polygon(box, {{0.12, 0.32}, {0.88, 0.32}, {0.8, 1.0}, {0.2, 1.0}}));
        break;
    }
    }
    p.restore();
}

// ---- buttons -----------------------------------------------------------------------------

int iconSize(const SkinDesign::Button& button) {
    const int h = button.rect.height();
    return button.style == ButtonStyle::Face ? (h + 1) / 2 : h - 8;
}

QImage paintButton(const SkinDesign& d, const QImage& background, const SkinDesign::Button& b,
                   Look look) {
    const Theme& t = d.theme;
    QImage image = background.copy(b.rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face =
        QRectF(0, 0, b.rect.width(), b.rect.height()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool pressed = look == Look::Pressed;
    const bool lit = look == Look::On || look == Look::RepeatOne;

    QColor iconColour = t.icon;
    if (b.style == ButtonStyle::Face) {
        QLinearGradient gradient(face.topLeft(), face.bottomLeft());
        if (pressed) {
            gradient.setColorAt(0, t.accent.lighter(112));
            gradient.setColorAt(1, t.accent.darker(118));
            p.setPen(QPen(t.accent.darker(150), 1));
            iconColour = t.pressedIcon;
        } else {
            gradient.setColorAt(0, t.faceTop);
            gradient.setColorAt(1, t.face);
            p.setPen(QPen(t.faceBorder, 1));
            iconColour = b.icon == Icon::Play ? t.accent : t.icon;
            if (look == Look::Off) {
                iconColour = t.iconDim;
            } else if (lit) {
                iconColour = t.accent;
            }
        }
        p.setBrush(gradient);
        p.drawRoundedRect(face, 5, 5);
        if (!pressed) {
            // The light catches the face's top edge.
            p.setPen(QPen(QColor(255, 255, 255, 22), 1));
            p.drawLine(QPointF(face.left() + 4, face.top() + 1),
                       QPointF(face.right() - 4, face.top() + 1));
        }
        if (lit) {
            // A small lamp under the icon says the toggle is on.
            p.setPen(Qt::NoPen);
            p.setBrush(t.accent);
            const double w = std::round(b.rect.width() * 0.3);
            p.drawRoundedRect(QRectF((b.rect.width() - w) / 2, b.rect.height() - 4, w, 2), 1, 1);
        }
    } else {
        iconColour = mix(t.iconDim, t.icon, 0.55);
        if (pressed) {
            const bool danger = b.style == ButtonStyle::FlatDanger;
            p.setPen(Qt::NoPen);
            p.setBrush(danger ? t.danger : t.faceTop);
            p.drawRoundedRect(face, 4, 4);
            iconColour = danger ? QColor(Qt::white) : t.accent;
        }
    }

    const int s = iconSize(b);
    // Whole-pixel box, nudged up one pixel on faces whose lamp sits below, and left to make
    // room for the "1" of repeat-one.
    const int shift = look == Look::RepeatOne ? 3 : 0;
    const QRectF box((b.rect.width() - s) / 2 - shift, (b.rect.height() - s) / 2 - (lit ? 1 : 0), s,
                     s);
    drawIcon(p, b.icon, box, iconColour);
    if (look == Look::RepeatOne) {
        // A pixel-drawn "1": text this small would blur.
        p.setRenderHint(QPainter::Antialiasing, false);
        const int x = int(box.right()) + 2;
        const int y = int(box.center().y()) - 3;
        p.fillRect(x + 1, y, 2, 7, iconColour);
        p.fillRect(x, y + 1, 1, 1, iconColour);
    }
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage paintKnob(const SkinDesign& d, const QImage& background, const SkinDesign::Slider& s,
                 bool large) {
    const Theme& t = d.theme;
    // The knob carries the groove behind it: a piece from the groove's middle, where it is the
    // same all along, so the knob fits wherever it stops.
    const int middle = s.groove.center().x() - s.knob / 2;
    QImage image = background.copy(QRect(middle, s.barY(), s.knob, s.knob))
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(0, 0, s.knob, s.knob).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(t.border, 1));
    QRadialGradient glow(ring.center() - QPointF(s.knob * 0.15, s.knob * 0.2), s.knob * 0.7);
    glow.setColorAt(0, t.accent.lighter(125));
    glow.setColorAt(1, t.accent.darker(115));
    p.setBrush(glow);
    p.drawEllipse(ring);
    if (large) {
        p.setPen(Qt::NoPen);
        p.setBrush(t.panel);
        const double r = s.knob * 0.16;
        p.drawEllipse(ring.center(), r, r);
    }
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage paintSpectrumBars(const SkinDesign& d) {
    const Theme& t = d.theme;
    const QSize size = d.spectrum.size();
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int fromBottom = size.height() - 1 - y;
        const double share = double(fromBottom) / std::max(1, size.height() - 1);
        QColor colour = share < 0.6 ? mix(t.accent, t.accentHigh, share / 0.6 * 0.5)
                                    : mix(t.accent, t.accentHigh, 0.5 + (share - 0.6) / 0.4 * 0.5);
        // Lamp rows: every third row is a dark gap.
        if (fromBottom % 3 == 2) {
            colour = mix(colour, t.panel, 0.78);
        }
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y, colour.rgb());
        }
    }
    return image;
}

QImage paintMainBackground(const SkinDesign& d) {
    const Theme& t = d.theme;
    QImage image = transparentCanvas(d.mainSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBody(p, d.mainSize, d.radius, t);
    paintWell(p, d.display, 6, t, t.panel);

    // Faint lamp grid behind the analyzer and a hairline under the title.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(mix(t.panel, t.panelBorder, 0.45), 1, Qt::DotLine));
    for (int y = d.spectrum.bottom(); y > d.spectrum.top(); y -= 6) {
        p.drawLine(d.spectrum.left(), y, d.spectrum.right(), y);
    }
    p.setPen(QPen(mix(t.panel, t.panelBorder, 0.6), 1));
    const int hairline = d.textArea.bottom() + 2;
    p.drawLine(d.textArea.left(), hairline, d.textArea.right(), hairline);
    p.setRenderHint(QPainter::Antialiasing);

    for (const SkinDesign::Slider* s : {&d.seek, &d.volume, &d.pan}) {
        paintGroove(p, s->groove, t);
    }
    for (const auto& label : d.labels) {
        paintLabel(p, label, t);
    }
    p.end();
    return flattenOnKey(image, t.key);
}

QImage paintPlaylistBackground(const SkinDesign& d) {
    const Theme& t = d.theme;
    QImage image = transparentCanvas(d.playlistSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBody(p, d.playlistSize, d.radius, t);
    paintWell(p, d.list.adjusted(-1, -1, 1, 1), 4, t, t.listBack);
    for (const auto& label : d.playlistLabels) {
        paintLabel(p, label, t);
    }
    p.end();
    return flattenOnKey(image, t.key);
}

Look lookFor(int number, int state) {
    if (number == 10) {
        return state == 1 ? Look::On : Look::Off;
    }
    if (number == 11) {
        return state == 0 ? Look::Off : state == 1 ? Look::RepeatOne : Look::On;
    }
    return state == 1 ? Look::Pressed : Look::Normal;
}

} // namespace

std::vector<std::pair<std::string, QImage>> paintSkinPictures(const SkinDesign& d) {
    const std::string ext = "." + d.extension;
    std::vector<std::pair<std::string, QImage>> pictures;
    const QImage back = paintMainBackground(d);
    const QImage playlistBack = paintPlaylistBackground(d);
    pictures.emplace_back("back" + ext, back);
    pictures.emplace_back("playlist/playlists" + ext, playlistBack);
    pictures.emplace_back("seek" + ext, paintKnob(d, back, d.seek, true));
    pictures.emplace_back("volume" + ext, paintKnob(d, back, d.volume, false));
    pictures.emplace_back("pan" + ext, paintKnob(d, back, d.pan, false));
    pictures.emplace_back("spectrum" + ext, paintSpectrumBars(d));
    for (const auto& button : d.buttons) {
        const int states = button.number == 11 ? 3 : 2;
        for (int state = 0; state < states; ++state) {
            pictures.emplace_back(std::to_string(state) + "-" + std::to_string(button.number) + ext,
                                  paintButton(d, back, button, lookFor(button.number, state)));
        }
    }
    for (const auto& button : d.playlistButtons) {
        for (int state = 0; state < 2; ++state) {
            pictures.emplace_back(
                "playlist/p" + std::to_string(button.number) + "-" + std::to_string(state) + ext,
                paintButton(d, playlistBack, button, state == 1 ? Look::Pressed : Look::Normal));
        }
    }
    return pictures;
}

} // namespace sorvel::skingen
