#include "WindowsPath.h"

#include <optional>
#include <system_error>

namespace sorvel {
namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool entryExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The entry of `folder` named `name` ignoring case; when several differ only in case, the
// smallest name wins so that the choice does not depend on the directory's order.
std::optional<std::string> findEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error);
    std::optional<std::string> best;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (equalsIgnoringCase(entry, name) && (!best || entry < *best)) {
            best = std::move(entry);
        }
    }
    return best;
}

struct Walk {
    std::filesystem::path path;
    bool found;
};

Walk walk(std::filesystem::path current, const std::vector<std::string>& components) {
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& component = components[i];
        if (component == ".") {
            continue;
        }
        if (component == "..") {
            current = current.has_relative_path() ? current.parent_path() : current;
            continue;
        }
        if (entryExists(current / component)) {
            current /= component;
        } else if (auto entry = findEntry(current, component)) {
            current /= *entry;
        } else {
            for (std::size_t rest = i; rest < components.size(); ++rest) {
                current /= components[rest];
            }
            return {current.lexically_normal(), false};
        }
    }
    return {current, true};
}

} // namespace

bool hasDriveLetter(std::string_view text) {
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

std::vector<std::string> splitWindowsPath(std::string_view text) {
    if (hasDriveLetter(text)) {
        text.remove_prefix(2);
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find_first_of("\\/", start);
        const auto piece = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!piece.empty()) {
            components.emplace_back(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return components;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::filesystem::path resolveWindowsPath(std::string_view text, const std::filesystem::path& base) {
    const std::vector<std::string> components = splitWindowsPath(text);
    if (hasDriveLetter(text)) {
        const Walk fromRoot = walk("/", components);
        if (fromRoot.found) {
            return fromRoot.path;
        }
        for (std::size_t first = 1; first < components.size(); ++first) {
            const std::vector<std::string> tail(components.begin() + first, components.end());
            const Walk below = walk(base, tail);
            if (below.found) {
                return below.path;
            }
        }
        return fromRoot.path;
    }
    if (text.starts_with('/')) {
        return walk("/", components).path;
    }
    return walk(base, components).path;
}

std::filesystem::path resolveWindowsPathIn(std::string_view text,
                                           const std::vector<std::filesystem::path>& bases) {
    std::optional<std::filesystem::path> first;
    for (const std::filesystem::path& base : bases) {
        if (base.empty()) {
            continue;
        }
        std::filesystem::path resolved = resolveWindowsPath(text, base);
        if (entryExists(resolved)) {
            return resolved;
        }
        if (!first) {
            first = std::move(resolved);
        }
    }
    return first.value_or(resolveWindowsPath(text, {}));
}

std::filesystem::path findPathIgnoringCase(const std::filesystem::path& path) {
    if (entryExists(path)) {
        return path;
    }
    std::vector<std::string> components;
    for (const auto& part : path.relative_path()) {
        if (!part.empty()) {
            components.push_back(part.string());
        }
    }
    const Walk result = walk(path.root_path(), components);
    return result.found ? result.path : path;
}

} // namespace sorvel
