// A line of text in a skin font over the skin's background, as large as its text: the main
// window's time box (which the window moves so its right edge stays put) and its file text.
#pragma once

#include "SkinTextLine.h"

namespace sorvel {

class SkinText final : public SkinTextLine {
    Q_OBJECT
public:
    explicit SkinText(QWidget* parent);

    void showText(const QString& text);
};

} // namespace sorvel
