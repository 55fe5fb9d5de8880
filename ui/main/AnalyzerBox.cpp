#include "AnalyzerBox.h"

#include "Player.h"

#include <QMouseEvent>
#include <QPainter>
#include <array>

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
    clearToBackground();
    refresh();
}

void AnalyzerBox::fitCanvas() {
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (canvas_.size() != wanted) {
        canvas_ = QImage(wanted, QImage::Format_RGB32);
        canvas_.fill(Qt::black);
        shown_ = canvas_;
    }
}

void AnalyzerBox::clearToBackground() {
    fitCanvas();
    canvas_.fill(Qt::black);
    if (background_ != nullptr && !background_->isNull()) {
        QPainter painter(&canvas_);
        painter.drawImage(QPoint(0, 0), *background_, geometry());
    }
}

void AnalyzerBox::paint(const std::vector<AnalyzerPaint>& paints) {
    fitCanvas();
    QPainter painter(&canvas_);
    for (const AnalyzerPaint& p : paints) {
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
}

void AnalyzerBox::drawFrom(Player& player) {
    const int channels = player.outputChannelCount();
    const int areaWidth = width();
    const int areaHeight = height();
    if (mode_ == 3) {
        std::array<float, kWaveValues + 1> samples{};
        for (int channel = 0; channel < channels; ++channel) {
            player.getWaveData(std::span<float>(samples.data(), kWaveValues), channel);
            paint(wavePass(std::span<const float>(samples.data(), kWaveValues), areaHeight));
        }
        return;
    }
    std::array<float, kSpectrumValues + 1> values{};
    float maximum = 0.0f; // once per drawing, not per channel
    for (int channel = 0; channel < channels; ++channel) {
        player.getSpectrum(std::span<float>(values.data(), kSpectrumValues), channel);
        paint(spectrumPass(std::span<const float>(values.data(), kSpectrumValues), maximum, peaks_,
                           areaWidth, areaHeight, mode_, hasBarPicture()));
    }
}

void AnalyzerBox::refresh() {
    shown_ = canvas_.copy();
    update();
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
