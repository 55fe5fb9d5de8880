// The analyzer box of the main window: a spectrum in three densities or an oscilloscope trace of
// what plays, drawn on every tick over the skin's background. Left clicks step the mode.
#pragma once

#include "analyzer_geometry.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace sorvel {

class Player;

class AnalyzerBox final : public QWidget {
    Q_OBJECT
public:
    explicit AnalyzerBox(QWidget* parent);

    // `background` is the main window's picture, which must outlive the box; `barPicture` the
    // skin's spectrum picture (empty: bars in `spectrumColour`, no peak caps).
    void setSkin(const QImage* background, const QImage& barPicture, QColor spectrumColour,
                 QColor waveColour);

    int mode() const { return mode_; }
    const PeakLevels& peaks() const { return peaks_; }

    // Starts a drawing: the skin's background under the box.
    void clearToBackground();
    // Draws every output channel's spectrum (modes 0 to 2) or wave (mode 3) of what `player`
    // plays.
    void drawFrom(Player& player);
    // Carries out the paints of one pass.
    void paint(const std::vector<AnalyzerPaint>& paints);
    // Shows what was drawn since the last clear.
    void refresh();
    bool hasBarPicture() const { return !barPicture_.isNull(); }
    const QImage& shown() const { return shown_; }

signals:
    void rightPressed(QPointF globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The drawing surfaces follow the box's size (hidden boxes get no resize events).
    void fitCanvas();

    const QImage* background_ = nullptr;
    QImage barPicture_;
    QColor spectrumColour_ = Qt::white;
    QColor waveColour_ = Qt::white;
    QImage canvas_; // drawn on during a tick
    QImage shown_;  // what the screen shows
    int mode_ = 0;
    PeakLevels peaks_{};
};

} // namespace sorvel
