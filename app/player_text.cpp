#include "player_text.h"

#include <cstdio>

namespace sorvel {

std::string formatClock(unsigned int milliseconds) {
    const unsigned int seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u", seconds / 60, seconds % 60);
    return text;
}

std::string positionText(unsigned int positionMs, unsigned int lengthMs) {
    return formatClock(positionMs) + " / " + formatClock(lengthMs);
}

std::string errorTitle(int result, const char* text) {
    std::string title = "ERROR! No." + std::to_string(result);
    if (text && *text)
        title += std::string(" ") + text;
    return title;
}

std::string displayName(const std::string& pathOrAddress) {
    std::string name = pathOrAddress;
    // An address's query and fragment say nothing about the track.
    if (name.find("://") != std::string::npos) {
        const size_t cut = name.find_first_of("?#");
        if (cut != std::string::npos)
            name.erase(cut);
    }
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos && slash + 1 < name.size() &&
        name.compare(0, slash + 1, "http://") != 0 && name.compare(0, slash + 1, "https://") != 0)
        name.erase(0, slash + 1);
    return name.empty() ? pathOrAddress : name;
}

} // namespace sorvel
