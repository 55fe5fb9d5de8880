#include "now_playing_text.h"

#include <cstdio>

namespace sorvel {

int32_t nextTitleScroll(int32_t positionTwips, int32_t textWidthTwips, int32_t boxWidthTwips) {
    if (positionTwips >= -(textWidthTwips + 1000)) {
        return positionTwips - 30;
    }
    return boxWidthTwips;
}

std::string timeBoxText(int64_t elapsedMs, const std::string& lengthText) {
    const int64_t seconds = elapsedMs > 0 ? elapsedMs / 1000 : 0;
    char text[32];
    // Total minutes past the hour, like the length beside it (62:05, not 02:05).
    std::snprintf(text, sizeof text, "%02lld:%02d/", static_cast<long long>(seconds / 60),
                  static_cast<int>(seconds % 60));
    return text + lengthText;
}

int timeBoxLeft(int anchorX, int textWidth, int referenceWidth) {
    return anchorX - (textWidth - referenceWidth);
}

} // namespace sorvel
