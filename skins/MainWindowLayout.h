// Where everything of the skinned main window goes, in pixels of its client area.
#pragma once

#include "SliderState.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace sorvel {

struct MainWindowLayout {
    struct Button {
        int number = 0;
        QPoint position;
        int state = 0;        // the picture state to show
        bool visible = false; // only buttons with a normal picture show
    };

    QSize clientSize;
    std::array<Button, 15> buttons{};
    QPoint volumeKnob;
    QPoint trackKnob;
    QPoint panKnob;
    SliderState volumeSlider;
    SliderState trackSlider;
    SliderState panSlider;
    int volumeLevel = 5; // after the skin's rule that a level of 0 becomes 5
    QRect spectrumArea;
    QRect textArea;
    QPoint titleOffset; // title text inside the text area
    QPoint timeText;
    QPoint fileText;
    bool fileTextVisible = false;
};

} // namespace sorvel
