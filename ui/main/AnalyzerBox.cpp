#include "AnalyzerBox.h"

#include "Player.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace sorvel {
namespace {

QRect toQRect(const PixelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

AnalyzerBox::AnalyzerBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AnalyzerBox::setSkin(const QImage* background, const QImage& barPicture, QColor spectrumColour,
                          QColor waveColour) {
    background_ = background;
    // Opaque pictures are copied row by row as RGB32; others keep their alpha for blending.
    barPicture_ = barPicture.hasAlphaChannel()
                      ? barPicture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                      : barPicture.convertToFormat(QImage::Format_RGB32);
    backdropFor_ = QRect();
    spectrumColour_ = spectrumColour;
    waveColour_ = waveColour;
    shownStale_ = true;
    lastDrawing_.valid = false; // the bars may come from another picture now
    drawingIsLast_ = false;
    clearToBackground();
    refresh();
}

void AnalyzerBox::fitCanvas() {
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (shown_.size() != wanted || backdropFor_ != geometry()) {
        // The skin's picture under the box, on black where it has none.
        backdropFor_ = geometry();
        backdrop_ = QImage(wanted, QImage::Format_RGB32);
        backdrop_.fill(Qt::black);
        if (background_ != nullptr && !background_->isNull()) {
            QPainter painter(&backdrop_);
            painter.drawImage(QPoint(0, 0), *background_, geometry());
        }
        shown_ = backdrop_.copy();
        shownStale_ = true;
    }
}

void AnalyzerBox::clearToBackground() {
    drawing_.clear();
    drawingIsLast_ = false;
    drawingId_ = kBackgroundOnly;
}

void AnalyzerBox::paint(const std::vector<AnalyzerPaint>& paints) {
    if (drawingIsLast_) {
        drawing_ = lastDrawing_.paints;
        drawingIsLast_ = false;
    }
    drawing_.insert(drawing_.end(), paints.begin(), paints.end());
    drawingId_ = ++lastId_;
}

void AnalyzerBox::refresh() {
    fitCanvas();
    if (!shownStale_ && drawingId_ == shownId_) {
        return; // the screen shows this picture already
    }
    // Hundreds of small rectangles a tick: written straight into the picture, where a
    // painter's set-up for each would cost more than its pixels.
    std::memcpy(shown_.bits(), backdrop_.constBits(), static_cast<size_t>(shown_.sizeInBytes()));
    const QRect box = shown_.rect();
    auto fill = [&](const QRect& target, QRgb colour) {
        const QRect r = target & box;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(shown_.scanLine(y));
            std::fill(row + r.left(), row + r.right() + 1, colour);
        }
    };
    const bool barsBlend = barPicture_.hasAlphaChannel();
    for (const AnalyzerPaint& p : drawingIsLast_ ? lastDrawing_.paints : drawing_) {
        if (p.rect.right <= p.rect.left || p.rect.bottom <= p.rect.top) {
            continue; // an empty rectangle paints nothing
        }
        const QRect target = toQRect(p.rect);
        switch (p.kind) {
        case AnalyzerPaintKind::SpectrumBar:
            fill(target, spectrumColour_.rgb());
            break;
        case AnalyzerPaintKind::PeakCap:
            fill(target, qRgb(255, 255, 255));
            break;
        case AnalyzerPaintKind::WaveDot:
            fill(target, waveColour_.rgb());
            break;
        case AnalyzerPaintKind::PictureBar: {
            // The part of the bar picture at the bar's place; outside the picture, nothing.
            const QRect source = target & barPicture_.rect() & box;
            if (source.isEmpty()) {
                break;
            }
            if (barsBlend) {
                QPainter painter(&shown_);
                painter.drawImage(source.topLeft(), barPicture_, source);
                break;
            }
            for (int y = source.top(); y <= source.bottom(); ++y) {
                std::memcpy(shown_.scanLine(y) + source.left() * 4,
                            barPicture_.constScanLine(y) + source.left() * 4,
                            static_cast<size_t>(source.width()) * 4);
            }
            break;
        }
        }
    }
    shownId_ = drawingId_;
    shownStale_ = false;
    update();
}

void AnalyzerBox::drawFrom(Player& player) {
    // Started on the bare background, the drawing is this one alone and may stand for itself.
    const bool alone = drawingId_ == kBackgroundOnly;
    LastDrawing& last = lastDrawing_;
    auto repeatLast = [&] {
        if (alone) {
            drawingIsLast_ = true;
            drawingId_ = last.id;
        } else {
            paint(last.paints);
        }
    };
    const bool sameBox = last.valid && last.mode == mode_ && last.size == size();
    if (sameBox && last.settledSilence && !player.isPlaying()) {
        // Nothing plays and the box shows silence with the caps at rest: no need to ask.
        repeatLast();
        return;
    }
    const int channels = player.outputChannelCount();
    const bool wave = mode_ == 3;
    const size_t count = wave ? kWaveValues : kSpectrumValues;
    inputs_.assign(static_cast<size_t>(std::max(channels, 0)) * count, 0.0f);
    for (int channel = 0; channel < channels; ++channel) {
        const std::span<float> values(inputs_.data() + static_cast<size_t>(channel) * count, count);
        if (wave) {
            player.getWaveData(values, channel);
        } else {
            player.getSpectrum(values, channel);
        }
    }
    // A drawing follows from the values, the mode, the size and where the caps stand. When all
    // is as at the last drawing, and that one left the caps where they were (silence, once they
    // have sunk), it paints the same again.
    if (sameBox && last.capsStayed && last.peaks == peaks_ && last.inputs == inputs_) {
        repeatLast();
        return;
    }
    const PeakLevels capsBefore = peaks_;
    last.paints.clear();
    float maximum = 0.0f; // once per drawing, not per channel
    for (int channel = 0; channel < channels; ++channel) {
        const std::span<const float> values(inputs_.data() + static_cast<size_t>(channel) * count,
                                            count);
        const std::vector<AnalyzerPaint> pass =
            wave ? wavePass(values, height())
                 : spectrumPass(values, maximum, peaks_, width(), height(), mode_, hasBarPicture());
        last.paints.insert(last.paints.end(), pass.begin(), pass.end());
    }
    last.valid = true;
    last.id = ++lastId_;
    last.mode = mode_;
    last.size = size();
    last.capsStayed = peaks_ == capsBefore;
    last.settledSilence = last.capsStayed && std::all_of(inputs_.begin(), inputs_.end(),
                                                         [](float v) { return v == 0.0f; });
    last.peaks = peaks_;
    last.inputs.swap(inputs_);
    repeatLast();
}

void AnalyzerBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, shown_);
}

void AnalyzerBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit rightPressed(event->globalPosition());
    } else if (event->button() == Qt::LeftButton) {
        mode_ = nextAnalyzerMode(mode_);
    }
}

} // namespace sorvel
