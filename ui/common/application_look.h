// The application-wide look: Japanese text in installed fonts (skins name Windows fonts), the
// tool tips' colours and the player's icon.
#pragma once

class QApplication;

namespace sorvel {

// Maps the Windows font names skins use onto installed Japanese fonts, makes the interface font
// one with Japanese glyphs, colours the tool tips (dark grey, white text) and sets the icon.
void prepareApplicationLook(QApplication& application);

} // namespace sorvel
