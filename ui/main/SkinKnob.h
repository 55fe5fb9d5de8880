// A slider knob of the main window: shows the knob picture of the skin and reports the mouse in
// its own coordinates; the main window moves it by the skin's slider arithmetic.
#pragma once

#include <QImage>
#include <QWidget>

namespace sorvel {

class SkinKnob final : public QWidget {
    Q_OBJECT
public:
    explicit SkinKnob(QWidget* parent);

    void setPicture(const QImage& picture);
    bool dragging() const { return dragging_; }
    // Where the knob was grabbed, along its slider (x or y inside the knob).
    QPoint grabPoint() const { return grab_; }

signals:
    void dragStarted(QPoint inKnob);
    void dragMoved(QPoint inKnob);
    void dragEnded(QPoint inKnob);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool dragging_ = false;
    QPoint grab_;
};

} // namespace sorvel
