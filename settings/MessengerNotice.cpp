#include "MessengerNotice.h"

#include <cctype>

namespace sorvel {

std::string MessengerNoticeText(const std::string& message, bool messengerOn, bool playing,
                                bool isVideo) {
    const char* flag = messengerOn && playing && !isVideo ? "1" : "0";
    return std::string("Sorvel\\0Music\\0") + flag + "\\0" + message + "\\0";
}

TitleParts SplitNowPlayingTitle(const std::string& titleText) {
    std::string text = titleText;
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        ++digits;
    }
    if (digits > 0 && text.compare(digits, 2, ". ") == 0) {
        text.erase(0, digits + 2);
    }
    const size_t dash = text.rfind(" - ");
    if (dash == std::string::npos) {
        return {text, ""};
    }
    return {text.substr(0, dash), text.substr(dash + 3)};
}

} // namespace sorvel
