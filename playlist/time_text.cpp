#include "time_text.h"

#include <cstdio>

namespace sorvel {

std::string TimeText(int64_t lengthMs) {
    const int64_t seconds = lengthMs > 0 ? lengthMs / 1000 : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

std::string RemoveDoubleSpaces(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            ++i;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

} // namespace sorvel
