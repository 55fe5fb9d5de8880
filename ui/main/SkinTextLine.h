// What the skinned text widgets of the main window share: the skin's font and colours, the part
// of the main window's picture under the widget, and one line of text drawn over them. The line
// is laid out once per text and repainted only when what shows of it changes.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTextLayout>
#include <QWidget>
#include <optional>

namespace sorvel {

class SkinTextLine : public QWidget {
    Q_OBJECT
public:
    // How the picture under the widget meets the back colour.
    enum class Backdrop {
        PictureOverColour, // the picture covers the colour
        PictureOrColour,   // the picture or-ed over the colour
    };

    // `background` is the main window's picture; it must outlive the widget.
    void setSkin(const QImage* background, QColor backColour, const QFont& font, QColor textColour);
    // The text's size in the skin's font: its advance and the font's line height.
    QSize textSize(const QString& text) const;
    const QString& text() const { return text_; }

protected:
    SkinTextLine(QWidget* parent, Backdrop backdrop);

    // Draws `text` with its top-left at `at` (pixels of the widget); repaints only when that
    // shows something else.
    void setLine(const QString& text, QPoint at);

    void paintEvent(QPaintEvent* event) override;

private:
    void layOut();
    // Where the line's ink may reach with its top-left at `at`.
    QRect inkAt(QPoint at) const;

    Backdrop backdrop_;
    const QImage* background_ = nullptr;
    QColor backColour_ = Qt::black;
    QColor textColour_ = Qt::white;
    QImage under_;   // the back colour and the skin's picture under the widget
    QRect underFor_; // ... at this place
    QString text_;
    QPoint at_;
    QTextLayout layout_; // text_ in the font, ready to draw
    QSize size_;         // textSize(text_)
    int ascent_ = 0;     // the font's, where drawText puts the baseline
    // The last size asked for of another text than the one shown.
    mutable QString measured_;
    mutable std::optional<QSize> measuredSize_;
};

} // namespace sorvel
