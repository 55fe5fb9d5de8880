// The clear colour: pixels of a skinned window in that colour are holes in the window. The
// Windows player applied it to the main window only on some system builds; here both skinned
// windows are always shaped by it.
#pragma once

#include "SkinDescription.h"

#include <QColor>
#include <QImage>

namespace sorvel {

QColor toQColor(SkinColour colour);

// A one-bit mask of `window` (as drawn, background and controls together): 1 where the window
// shows, 0 where its pixel is exactly the clear colour. Suits QBitmap::fromImage and setMask.
QImage clearColourMask(const QImage& window, SkinColour clearColour);

} // namespace sorvel
