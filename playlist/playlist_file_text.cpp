#include "playlist_file_text.h"

#include "text_encoding.h"

namespace sorvel {

std::string DecodePlaylistText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    return text::utf8OrCp932(bytes);
}

std::vector<std::string> SplitPlaylistLines(std::string_view text) {
    const std::vector<std::string_view> lines = text::splitLines(text);
    return {lines.begin(), lines.end()};
}

bool UsesPlsRules(std::string_view path) {
    return path.size() >= 4 && path.substr(path.size() - 4) == ".pls";
}

std::optional<std::string> PlsEntryString(const std::string& line) {
    const size_t firstEquals = line.find('=');
    const std::string key = firstEquals == std::string::npos ? line : line.substr(0, firstEquals);
    if (key.find("Title") != std::string::npos) {
        return std::nullopt;
    }
    const size_t lastEquals = line.rfind('=');
    return lastEquals == std::string::npos ? line : line.substr(lastEquals + 1);
}

std::string M3uText(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text += path;
        text += "\r\n";
    }
    return text;
}

} // namespace sorvel
