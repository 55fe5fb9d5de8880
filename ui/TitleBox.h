// The title box of the main window: the now-playing title in the skin's font over the skin's
// background, at a fixed place or scrolling.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

namespace sorvel {

class TitleBox final : public QWidget {
    Q_OBJECT
public:
    explicit TitleBox(QWidget* parent);

    // `background` is the main window's picture (the box shows the part under it, or-ed over
    // `backColour`); it must outlive the box.
    void setSkin(const QImage* background, QColor backColour, const QFont& font, QColor textColour);
    // Draws `text` with its top-left at `at` (pixels of the box) and refreshes the box.
    void showText(const QString& text, QPoint at);
    int textWidth(const QString& text) const;
    const QString& text() const { return text_; }

signals:
    void mousePressed(Qt::MouseButton button, QPointF globalPosition);
    void mouseMoved(QPointF globalPosition);
    void mouseReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage* background_ = nullptr;
    QColor backColour_ = Qt::black;
    QColor textColour_ = Qt::white;
    QString text_;
    QPoint at_;
};

} // namespace sorvel
