// What the two skinned windows share: their shape cut by the clear colour, and keeping them on
// top without moving them.
#pragma once

#include "SkinDescription.h"

class QWidget;

namespace sorvel {

class clsSnap;

// Cuts `window` (as drawn, controls included) to its pixels that are not the clear colour. A
// window drawn entirely in the clear colour keeps its whole rectangle, so something stays to
// click.
void applyClearColourShape(QWidget& window, SkinColour clearColour);

// Puts `window` into or out of the always-on-top band where it is, keeping it shown, minimised
// or hidden as it was. The place is the program's own (a docked partner stays).
void setStaysOnTop(QWidget& window, bool onTop, clsSnap& snap);

} // namespace sorvel
