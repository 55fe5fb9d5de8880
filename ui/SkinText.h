// A line of text in a skin font over the skin's background, as large as its text: the main
// window's time box (which the window moves so its right edge stays put) and its file text.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

namespace sorvel {

class SkinText final : public QWidget {
    Q_OBJECT
public:
    explicit SkinText(QWidget* parent);

    // `background` is the main window's picture; it must outlive the box.
    void setSkin(const QImage* background, QColor backColour, const QFont& font, QColor textColour);
    void showText(const QString& text);
    QSize textSize(const QString& text) const;
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* background_ = nullptr;
    QColor backColour_;
    QColor textColour_ = Qt::white;
    QString text_;
};

} // namespace sorvel
