// The now-playing display's arithmetic: the title's scroll step and the time box's text and
// place, as plain functions.
#pragma once

#include "twips.h"

#include <cstdint>
#include <string>

namespace sorvel {

// The title's next scroll position (twips, relative to the box's left edge): 30 twips further
// left each tick, until the text has left the box by 1000 twips; then it starts again at the
// box's right edge. Scrolling does not depend on whether the text fits.
int32_t nextTitleScroll(int32_t positionTwips, int32_t textWidthTwips, int32_t boxWidthTwips);

// "mm:ss/" and the entry's length text, from the elapsed time: minutes are taken within the
// hour, so 1 h 2 min 5 s reads 02:05.
std::string timeBoxText(int64_t elapsedMs, const std::string& lengthText);

// The reference text the time box keeps its right edge against.
inline constexpr const char* kTimeBoxReference = "00:00/00:00";

// The time box's left edge: the skin's anchor moved left by as much as the text is wider than
// the reference text, so the right edge stays put while the digits change width.
int timeBoxLeft(int anchorX, int textWidth, int referenceWidth);

} // namespace sorvel
