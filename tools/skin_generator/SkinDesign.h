// What one generated skin looks like and where everything sits; the painter draws from it and
// the skin file is written from it, so pictures and positions always agree.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <string>
#include <vector>

namespace sorvel::skingen {

enum class Icon {
    Previous,
    Rewind,
    Play,
    Pause,
    Stop,
    FastForward,
    Next,
    Random,
    Loop,
    Open,
    Playlist,
    Settings,
    Close,
    Cd,
    Minimise,
    Add,
    Save,
    Remove,
    Up,
    Down,
    Clear,
};

// Face: a raised button with a face of its own; Flat: an icon on the window's strip that only
// gets a face while pressed.
enum class ButtonStyle { Face, Flat, FlatDanger };

struct SkinDesign {
    struct Theme {
        QColor key; // the clear colour; never drawn anywhere else
        QColor bodyTop;
        QColor bodyBottom;
        QColor border;
        QColor highlight; // the lit top edge of the body
        QColor panel;     // the display
        QColor panelBorder;
        QColor accent;
        QColor accentHigh; // the far end of the accent gradient
        QColor face;
        QColor faceTop;
        QColor faceBorder;
        QColor icon;
        QColor iconDim;
        QColor pressedIcon;
        QColor danger;
        QColor text;
        QColor textDim;
        QColor groove;
        QColor listBack;
        QColor listFore;
    };

    struct Button {
        int number;
        QRect rect;
        Icon icon;
        ButtonStyle style = ButtonStyle::Face;
    };

    struct Slider {
        QRect groove; // the drawn line; the knob travels inside it
        int knob;     // knob picture size (square)
        int minimum;
        int maximum;
        // Knob travel and position as the skin file gives them.
        int areaX() const { return groove.left() + 1; }
        int areaX2() const { return groove.right() - knob; }
        int barY() const { return groove.center().y() - knob / 2 + (groove.height() % 2 == 0); }
    };

    struct Label {
        QString text;
        QPoint at; // baseline start
        int pixels;
        bool bold;
        bool accent;
    };

    std::string folder;
    std::string name;
    std::string author;
    std::string comment;
    std::string extension;
    Theme theme;

    QSize mainSize;
    int radius;
    QRect display;
    QRect textArea;
    QPoint titleOffset;
    int titleFontSize;
    QPoint timeText;
    int timeFontSize;
    QRect spectrum;
    Slider seek;
    Slider volume;
    Slider pan;
    std::vector<Button> buttons;
    std::vector<Label> labels;

    QSize playlistSize;
    QRect list;
    std::vector<Button> playlistButtons; // by playlist button number 0 to 6
    std::vector<Label> playlistLabels;
    bool magnet;
    QPoint playlistPosition; // magnet: offset as the skin file writes it; else screen position
};

SkinDesign defaultSkinDesign();
SkinDesign compactSkinDesign();

} // namespace sorvel::skingen
