#include "update_list.h"

#include "atomic_write.h"

namespace sorvel {

std::string updateListText() {
    std::string text;
    for (const std::string_view entry : kUpdateListEntries) {
        text.append(entry).append("\r\n");
    }
    return text;
}

bool writeUpdateList(const std::filesystem::path& folder) {
    return writeFileAtomically(folder / kUpdateListName, updateListText());
}

std::vector<std::string> parseUpdateList(std::string_view text) {
    std::vector<std::string> entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            entries.emplace_back(line);
        }
    }
    return entries;
}

} // namespace sorvel
