#include "cover_art.h"

#include "WindowsPath.h"
#include "atomic_write.h"
#include "entry_kind.h"

#include <cstdint>
#include <cstdio>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kCachePrefix = "cover-";

// The picture's file extension from its first bytes.
const char* pictureExtension(const std::string& bytes) {
    return bytes.rfind("\x89PNG", 0) == 0 ? ".png" : ".jpg";
}

// FNV-1a: a name that changes with the picture, so the desktop fetches the new one.
std::string contentName(const std::string& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return kCachePrefix + std::string(name) + pictureExtension(bytes);
}

std::optional<fs::path> cachedPicture(const std::string& bytes, const fs::path& cacheFolder) {
    std::error_code error;
    fs::create_directories(cacheFolder, error);
    const fs::path file = cacheFolder / contentName(bytes);
    if (!fs::exists(file, error) && !writeFileAtomically(file, bytes)) {
        return std::nullopt;
    }
    // Only the picture of what plays now is kept.
    for (fs::directory_iterator it(cacheFolder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path() != file && it->path().filename().string().rfind(kCachePrefix, 0) == 0) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
    return file;
}

} // namespace

std::optional<fs::path> coverArtFile(const std::string& entry, const std::string& embedded,
                                     const fs::path& cacheFolder) {
    if (!embedded.empty()) {
        return cachedPicture(embedded, cacheFolder);
    }
    if (entry.empty() || isNetworkEntry(entry) || isCdEntry(entry) ||
        entry.find("://") != std::string::npos) {
        return std::nullopt;
    }
    const fs::path folder = fs::path(entry).parent_path();
    for (const char* name : {"cover.jpg", "folder.jpg", "cover.png", "folder.png"}) {
        const fs::path found = findPathIgnoringCase(folder / name);
        std::error_code error;
        if (fs::is_regular_file(found, error)) {
            return found;
        }
    }
    return std::nullopt;
}

} // namespace sorvel
