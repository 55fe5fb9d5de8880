// The analyzer box of the main window: a spectrum in three densities or an oscilloscope trace of
// what plays, worked out on every tick over the skin's background. The box is drawn and shown
// again only when a pass paints something else than the one before (silence paints the same
// every time). Left clicks step the mode.
#pragma once

#include "analyzer_geometry.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

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
    // Adds the paints of one pass to the drawing.
    void paint(const std::vector<AnalyzerPaint>& paints);
    // Shows what was drawn since the last clear, unless the box shows that already.
    void refresh();
    bool hasBarPicture() const { return !barPicture_.isNull(); }
    const QImage& shown() const { return shown_; }

signals:
    void rightPressed(QPointF globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The drawing surface follows the box's size (hidden boxes get no resize events).
    void fitCanvas();

    const QImage* background_ = nullptr;
    QImage barPicture_;
    QColor spectrumColour_ = Qt::white;
    QColor waveColour_ = Qt::white;
    // What drawFrom() worked out last time, and from what.
    struct LastDrawing {
        bool valid = false;
        uint64_t id = 0;
        int mode = 0;
        QSize size;
        bool capsStayed = false;     // the drawing left peaks as it found them
        bool settledSilence = false; // ... and every value was 0
        PeakLevels peaks{};          // after it
        std::vector<float> inputs;
        std::vector<AnalyzerPaint> paints;
    };
    // Drawings are known by number: the same number, the same picture.
    static constexpr uint64_t kBackgroundOnly = 0;
    LastDrawing lastDrawing_;
    std::vector<float> inputs_;          // this drawing's values, channel after channel
    std::vector<AnalyzerPaint> drawing_; // since the last clear, unless drawingIsLast_
    bool drawingIsLast_ = false;         // the drawing is lastDrawing_'s paints alone
    uint64_t drawingId_ = kBackgroundOnly;
    uint64_t shownId_ = kBackgroundOnly;
    uint64_t lastId_ = kBackgroundOnly;
    bool shownStale_ = true; // skin or size changed since shown_ was drawn
    QImage backdrop_;        // the skin's picture under the box
    QRect backdropFor_;      // ... at this place
    QImage shown_;           // what the screen shows
    int mode_ = 0;
    PeakLevels peaks_{};
};

} // namespace sorvel
