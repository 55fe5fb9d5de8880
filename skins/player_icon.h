// The program's icon, drawn to match the Default skin: the skin's dark face with its teal play
// mark. The window icon, the tray and the installed icon files are all drawn from here, and
// assets/desktop/sorvel.svg draws the same shapes.
#pragma once

#include <QImage>

namespace sorvel {

// The icon at `side` x `side` pixels, on a transparent background.
QImage playerIconImage(int side);

} // namespace sorvel
