// The skin's geometry as pure functions of the skin description and the player's state, so that
// the windows only apply what these compute. Positions are pixels of a window's client area.
#pragma once

#include "KnobMove.h"
#include "MainWindowLayout.h"
#include "PlaylistWindowLayout.h"
#include "SkinDescription.h"
#include "SkinPictures.h"
#include "SkinPlayerState.h"
#include "SliderState.h"

#include <QImage>
#include <QPoint>
#include <array>
#include <string>

namespace sorvel {

// The windowing units the Windows player measured list columns in: 15 per pixel at 96 dpi.
constexpr int twipsPerPixel = 15;

// Applying a skin turns a volume level of 0 into 5 (100 %); every other level stays.
int volumeLevelForSkin(int volumeLevel);

SliderState volumeSliderState(const SkinDescription& skin, int volumeLevel);
SliderState panSliderState(const SkinDescription& skin, int panPosition);
// Starts at 0; its maximum is the skin's "-BarMax" unless a channel plays, when it keeps the
// track's length.
SliderState trackSliderState(const SkinDescription& skin, bool channelPlaying, int trackMaximum);

// Knob placement by value. A slider whose range is empty keeps its knob at "-BarX", "-BarY".
// Horizontal: left = BarX + travel * value / maximum; vertical: top = BarY + travel *
// (maximum - value) / maximum, the loudest at the top.
QPoint volumeKnobPosition(const SkinDescription::Slider& slider, int volume);
// The pan range is -10 to +10: left = BarX + travel * (pan + 10) / (maximum - minimum);
// vertical: top = BarY + travel * (10 - pan) / (maximum - minimum), positive pan at the top.
QPoint panKnobPosition(const SkinDescription::Slider& slider, int pan);
// The playback tick's rule: area start + travel * position / length; nothing moves for a
// length of 0 or less (the knob stays at "-BarX", "-BarY").
QPoint trackKnobPosition(const SkinDescription::Slider& slider, double positionMs, double lengthMs);

// Dragging a knob. `knob` is the knob's left (horizontal) or top (vertical) edge, `pointer` the
// mouse position inside the knob and `grabOffset` where it was grabbed, along the slider.
// While the button is held (`release` false) the value is clamped to the slider's own minimum
// and maximum; on release to the fixed volume range 0 to 10.
KnobMove dragVolumeKnob(const SkinDescription::Slider& slider, int knob, int pointer,
                        int grabOffset, int volume, bool release);
// Pan clamps to -10 to +10 both while moving and on release; left/bottom end -10.
KnobMove dragPanKnob(const SkinDescription::Slider& slider, int knob, int pointer, int grabOffset,
                     int pan, bool release);
// The track knob follows the pointer inside its area; the value is the seek target,
// (knob - area start) * trackMaximum / travel, rounded.
KnobMove dragTrackKnob(const SkinDescription::Slider& slider, int knob, int pointer, int grabOffset,
                       int trackMaximum);

// The volume knob's tool tip: the level times 20 and "%".
std::string volumeToolTip(int volume);

// The picture state a main button shows: random (10) shows 1 while random play is on, loop (11)
// shows the loop mode, every other button 1 while held down.
int mainButtonState(int number, bool randomMode, int loopMode, bool held);
// The picture for that state, or the normal picture when the skin has none for it.
const QImage& mainButtonPicture(const SkinPictures& pictures, int number, int state);
// Buttons show only when the skin gives them a normal picture.
bool mainButtonVisible(const SkinPictures& pictures, int number);

// Areas (and, below, the playlist window's offset) keep every number within 2^24 - 1 pixels of
// the origin, Qt's largest widget size, whatever the skin file says.
MainWindowLayout mainWindowLayout(const SkinDescription& skin, const SkinPictures& pictures,
                                  const SkinPlayerState& player);

// List columns: "No." 500 twips, "Time" 800 twips, "Title" the list's width less 1600 twips,
// in pixels.
std::array<int, 3> playlistColumnWidths(int listWidth);

// Magnet mode: main window's top-left minus ("-MainX", "-MainY"); otherwise that screen point.
QPoint playlistWindowPosition(const SkinDescription& skin, QPoint mainWindowTopLeft);

PlaylistWindowLayout playlistWindowLayout(const SkinDescription& skin, QPoint mainWindowTopLeft);

} // namespace sorvel
