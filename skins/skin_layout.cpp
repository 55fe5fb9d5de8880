#include "skin_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace sorvel {
namespace {

// Rounded as the Windows player's conversions to whole numbers: to nearest, ties to even.
int nearest(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    return static_cast<int>(std::clamp(rounded, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

// Skin numbers come from a text file and may be anything an int holds. Rectangles and window
// offsets built from them are pulled in to this far from the origin (Qt's largest widget size)
// so that Qt's own edge and size arithmetic stays within int.
constexpr int farthest = (1 << 24) - 1;

int onScreen(int value) {
    return std::clamp(value, -farthest, farthest);
}

QRect area(int x, int y, int width, int height) {
    return QRect(onScreen(x), onScreen(y), onScreen(width), onScreen(height));
}

struct Travel {
    int start;
    int end;
    // In double, as the rest of the knob arithmetic, since the ends may lie almost 2^32 apart.
    double length() const { return double(end) - start; }
    double offset(int position) const { return double(position) - start; }
};

// Where the mouse takes a knob's edge; in 64 bits, since a skin may put the knob at INT_MAX.
std::int64_t proposedKnob(int knob, int pointer, int grabOffset) {
    return std::int64_t{knob} + (std::int64_t{pointer} - grabOffset);
}

Travel travel(const SkinDescription::Slider& slider) {
    return slider.vertical() ? Travel{slider.barAreaY, slider.barAreaY2}
                             : Travel{slider.barAreaX, slider.barAreaX2};
}

// The knob at `offset` pixels along its slider from "-BarX", "-BarY".
QPoint alongSlider(const SkinDescription::Slider& slider, double offset) {
    return slider.vertical() ? QPoint(slider.barX, nearest(slider.barY + offset))
                             : QPoint(nearest(slider.barX + offset), slider.barY);
}

SliderState sliderState(const SkinDescription::Slider& slider, int value) {
    return SliderState{slider.barMax,    value,
                       slider.barMin,    slider.barAreaX,
                       slider.barAreaY,  slider.barAreaX2,
                       slider.barAreaY2, slider.vertical()};
}

bool isMainButton(int number) {
    return (number >= 0 && number <= 6) || (number >= 10 && number <= 17);
}

} // namespace

int volumeLevelForSkin(int volumeLevel) {
    return volumeLevel == 0 || volumeLevel == 5 ? 5 : volumeLevel;
}

SliderState volumeSliderState(const SkinDescription& skin, int volumeLevel) {
    return sliderState(skin.volumeSlider, volumeLevelForSkin(volumeLevel));
}

SliderState panSliderState(const SkinDescription& skin, int panPosition) {
    return sliderState(skin.panSlider, panPosition);
}

SliderState trackSliderState(const SkinDescription& skin, bool channelPlaying, int trackMaximum) {
    SliderState state = sliderState(skin.trackSlider, 0);
    if (channelPlaying) {
        state.maximum = trackMaximum;
    }
    return state;
}

QPoint volumeKnobPosition(const SkinDescription::Slider& slider, int volume) {
    const double maximum = slider.barMax;
    if (maximum == 0) {
        return {slider.barX, slider.barY};
    }
    const double length = travel(slider).length();
    return alongSlider(slider, slider.vertical() ? length * (maximum - volume) / maximum
                                                 : length * volume / maximum);
}

QPoint panKnobPosition(const SkinDescription::Slider& slider, int pan) {
    const double range = double(slider.barMax) - slider.barMin;
    if (range == 0) {
        return {slider.barX, slider.barY};
    }
    const double length = travel(slider).length();
    return alongSlider(slider, slider.vertical() ? length * (10 - pan) / range
                                                 : length * (pan + 10) / range);
}

QPoint trackKnobPosition(const SkinDescription::Slider& slider, double positionMs,
                         double lengthMs) {
    if (!(lengthMs > 0)) {
        return {slider.barX, slider.barY};
    }
    const Travel t = travel(slider);
    const int at = nearest(t.start + t.length() * positionMs / lengthMs);
    return slider.vertical() ? QPoint(slider.barX, at) : QPoint(at, slider.barY);
}

KnobMove dragVolumeKnob(const SkinDescription::Slider& slider, int knob, int pointer,
                        int grabOffset, int volume, bool release) {
    const Travel t = travel(slider);
    const std::int64_t proposed = proposedKnob(knob, pointer, grabOffset);
    if (proposed < t.start || proposed > t.end) {
        return {false, knob, volume};
    }
    const int low = release ? 0 : slider.barMin;
    const int high = release ? 10 : slider.barMax;
    // The loud end is the right end of a horizontal slider and the top of a vertical one.
    const int quietEnd = slider.vertical() ? t.end : t.start;
    const int loudEnd = slider.vertical() ? t.start : t.end;
    int value = volume;
    int position = static_cast<int>(proposed); // within the travel
    if (volume < low) {
        value = low;
        position = quietEnd;
    } else if (volume > high) {
        value = high;
        position = loudEnd;
    }
    if (t.length() == 0) {
        return {true, position, value};
    }
    const double share = t.offset(position) * slider.barMax / t.length();
    return {true, position, nearest(slider.vertical() ? slider.barMax - share : share)};
}

KnobMove dragPanKnob(const SkinDescription::Slider& slider, int knob, int pointer, int grabOffset,
                     int pan, bool /*release*/) {
    const Travel t = travel(slider);
    const std::int64_t proposed = proposedKnob(knob, pointer, grabOffset);
    if (proposed < t.start || proposed > t.end) {
        return {false, knob, pan};
    }
    // Left (horizontal) or bottom (vertical) is -10.
    const int leftEnd = slider.vertical() ? t.end : t.start;
    const int rightEnd = slider.vertical() ? t.start : t.end;
    int position = static_cast<int>(proposed); // within the travel
    if (pan < -10) {
        position = leftEnd;
    } else if (pan > 10) {
        position = rightEnd;
    }
    if (t.length() == 0) {
        return {true, position, std::clamp(pan, -10, 10)};
    }
    const double q = t.offset(position) * (double(slider.barMax) - slider.barMin) / t.length();
    return {true, position, nearest(slider.vertical() ? 10 - q : q - 10)};
}

KnobMove dragTrackKnob(const SkinDescription::Slider& slider, int knob, int pointer, int grabOffset,
                       int trackMaximum) {
    const Travel t = travel(slider);
    const std::int64_t proposed = proposedKnob(knob, pointer, grabOffset);
    const bool moved = proposed >= t.start && proposed <= t.end;
    const int position = moved ? static_cast<int>(proposed) : knob;
    const int value = t.length() == 0 ? 0 : nearest(t.offset(position) * trackMaximum / t.length());
    return {moved, position, value};
}

std::string volumeToolTip(int volume) {
    return std::to_string(volume * 20) + "%";
}

int mainButtonState(int number, bool randomMode, int loopMode, bool held) {
    if (number == 10) {
        return randomMode ? 1 : 0;
    }
    if (number == 11) {
        return loopMode >= 0 && loopMode <= 2 ? loopMode : 0;
    }
    return held ? 1 : 0;
}

const QImage& mainButtonPicture(const SkinPictures& pictures, int number, int state) {
    const QImage& picture = pictures.picture(number, state);
    return picture.isNull() ? pictures.picture(number, 0) : picture;
}

bool mainButtonVisible(const SkinPictures& pictures, int number) {
    return isMainButton(number) && !pictures.picture(number, 0).isNull();
}

MainWindowLayout mainWindowLayout(const SkinDescription& skin, const SkinPictures& pictures,
                                  const SkinPlayerState& player) {
    MainWindowLayout layout;
    layout.clientSize = QSize(skin.mainWidth, skin.mainHeight);
    for (std::size_t i = 0; i < SkinDescription::buttonNumbers.size(); ++i) {
        const int number = SkinDescription::buttonNumbers[i];
        const auto& at = skin.buttons[static_cast<std::size_t>(number)];
        layout.buttons[i] = {number, QPoint(at.x, at.y),
                             mainButtonState(number, player.randomMode, player.loopMode, false),
                             mainButtonVisible(pictures, number)};
    }
    layout.volumeLevel = volumeLevelForSkin(player.volumeLevel);
    layout.volumeSlider = volumeSliderState(skin, player.volumeLevel);
    layout.trackSlider = trackSliderState(skin, player.channelPlaying, player.trackMaximum);
    layout.panSlider = panSliderState(skin, player.panPosition);
    layout.volumeKnob = volumeKnobPosition(skin.volumeSlider, layout.volumeLevel);
    layout.trackKnob = QPoint(skin.trackSlider.barX, skin.trackSlider.barY);
    layout.panKnob = panKnobPosition(skin.panSlider, player.panPosition);
    layout.spectrumArea = area(skin.spectrumAreaX, skin.spectrumAreaY, skin.spectrumAreaWidth,
                               skin.spectrumAreaHeight);
    layout.textArea = area(skin.textAreaX, skin.textAreaY, skin.textAreaWidth, skin.textAreaHeight);
    layout.titleOffset = QPoint(skin.titleAreaX, skin.titleAreaY);
    layout.timeText = QPoint(skin.timeTxtAreaX, skin.timeTxtAreaY);
    layout.fileText = QPoint(skin.fileTxtAreaX, skin.fileTxtAreaY);
    layout.fileTextVisible = skin.fileTextShown();
    return layout;
}

std::array<int, 3> playlistColumnWidths(int listWidth) {
    const auto pixels = [](double twips) { return std::max(0, nearest(twips / twipsPerPixel)); };
    return {pixels(500), pixels(double(listWidth) * twipsPerPixel - 1600), pixels(800)};
}

QPoint playlistWindowPosition(const SkinDescription& skin, QPoint mainWindowTopLeft) {
    const auto& list = skin.playListMain;
    if (list.magnetMode != 0) {
        return QPoint(onScreen(mainWindowTopLeft.x()), onScreen(mainWindowTopLeft.y())) -
               QPoint(onScreen(list.mainX), onScreen(list.mainY));
    }
    return {list.mainX, list.mainY};
}

PlaylistWindowLayout playlistWindowLayout(const SkinDescription& skin, QPoint mainWindowTopLeft) {
    const auto& list = skin.playListMain;
    PlaylistWindowLayout layout;
    layout.clientSize = QSize(list.mainWidth, list.mainHeight);
    layout.topLeft = playlistWindowPosition(skin, mainWindowTopLeft);
    layout.followsMain = list.magnetMode != 0;
    layout.bringToFront = list.magnetMode != 0;
    layout.list = area(list.listX, list.listY, list.listWidth, list.listHeight);
    layout.listBackColor = list.listBackColor;
    layout.listForeColor = list.listForeColor;
    layout.columnWidths = playlistColumnWidths(list.listWidth);
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        layout.buttons[i] = QPoint(skin.playListButtons[i].x, skin.playListButtons[i].y);
    }
    return layout;
}

} // namespace sorvel
