#include "AnalyzerBox.h"

#include "Player.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

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
    barPicture_ = barPicture;
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
    if (shown_.size() != wanted) {
        shown_ = QImage(wanted, QImage::Format_RGB32);
        shown_.fill(Qt::black);
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
    shown_.fill(Qt::black);
    QPainter painter(&shown_);
    if (background_ != nullptr && !background_->isNull()) {
        painter.drawImage(QPoint(0, 0), *background_, geometry());
    }
    for (const AnalyzerPaint& p : drawingIsLast_ ? lastDrawing_.paints : drawing_) {
        if (p.rect.right <= p.rect.left || p.rect.bottom <= p.rect.top) {
            continue; // an empty rectangle paints nothing
        }
        const QRect target = toQRect(p.rect);
        switch (p.kind) {
        case AnalyzerPaintKind::SpectrumBar:
            painter.fillRect(target, spectrumColour_);
            break;
        case AnalyzerPaintKind::PeakCap:
            painter.fillRect(target, Qt::white);
            break;
        case AnalyzerPaintKind::WaveDot:
            painter.fillRect(target, waveColour_);
            break;
        case AnalyzerPaintKind::PictureBar: {
            // The part of the bar picture at the bar's place; outside the picture, nothing.
            const QRect source = target.intersected(barPicture_.rect());
            if (!source.isEmpty()) {
                painter.drawImage(source.topLeft(), barPicture_, source);
            }
            break;
        }
        }
    }
    painter.end();
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
