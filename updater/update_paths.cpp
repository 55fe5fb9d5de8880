#include "update_paths.h"

#include "ProfileFile.h"

namespace sorvel::updater {
namespace fs = std::filesystem;

std::optional<std::string> normaliseBaseAddress(std::string_view setting) {
    std::string base(setting);
    const auto startsWith = [&base](std::string_view scheme) {
        return base.size() > scheme.size() && base.compare(0, scheme.size(), scheme) == 0;
    };
    if (!startsWith("http://") && !startsWith("https://")) {
        return std::nullopt;
    }
    if (base.back() != '/') {
        base += '/';
    }
    return base;
}

std::string downloadAddress(std::string_view base, std::string_view entry) {
    return std::string(base).append(entry);
}

bool isSafeEntry(std::string_view entry) {
    if (entry.empty() || entry.front() == '/') {
        return false;
    }
    for (const char c : entry) {
        if (c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    while (true) {
        const size_t slash = entry.find('/');
        const std::string_view part = entry.substr(0, slash);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        entry.remove_prefix(slash + 1);
    }
}

std::optional<fs::path> localPathFor(const fs::path& tempFolder, std::string_view entry) {
    if (!isSafeEntry(entry)) {
        return std::nullopt;
    }
    const fs::path local = tempFolder / fs::path(std::string(entry));
    // A link inside the temp folder (temp/sub -> /etc) would carry the file elsewhere.
    std::error_code error;
    const fs::path root = fs::weakly_canonical(tempFolder, error);
    const fs::path resolved = error ? fs::path() : fs::weakly_canonical(local, error);
    if (error) {
        return std::nullopt;
    }
    const fs::path inside = resolved.lexically_relative(root);
    if (inside.empty() || *inside.begin() == "..") {
        return std::nullopt;
    }
    return local;
}

std::string baseAddressSetting(const fs::path& programFolder) {
    const ProfileFile settings = ProfileFile::load(programFolder / "updater.ini");
    return settings.find("Updater", "-BaseURL").value_or(std::string(kDefaultBaseAddress));
}

} // namespace sorvel::updater
