// A skinned button of the main or the playlist window: shows one picture of the skin (normal,
// pressed or the state of a toggle) and reports presses and releases of the left mouse button.
#pragma once

#include <QImage>
#include <QWidget>

namespace sorvel {

class SkinButton final : public QWidget {
    Q_OBJECT
public:
    SkinButton(int number, QWidget* parent);

    int number() const { return number_; }
    // Shows `picture`; the button takes its size.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

signals:
    void pressed(int number);
    // `inside`: the pointer was still over the button when it was let go.
    void released(int number, bool inside);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int number_;
    QImage picture_;
    bool down_ = false;
};

} // namespace sorvel
