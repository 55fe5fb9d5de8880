#include "playlist_entry_path.h"

#include "WindowsPath.h"
#include "entry_kind.h"
#include "file_uri.h"

namespace sorvel {
namespace fs = std::filesystem;

namespace {

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

} // namespace

std::string resolvePlaylistEntry(const std::string& entry, const fs::path& listFolder,
                                 const fs::path& workingFolder) {
    if (const auto local = localPathFromFileUri(entry)) {
        return pathExists(*local) ? *local : findPathIgnoringCase(*local).string();
    }
    if (entry.empty() || isNetworkEntry(entry) || isCdEntry(entry) ||
        entry.find("://") != std::string::npos) {
        return entry;
    }
    if (entry.starts_with('/') && pathExists(entry)) {
        return entry;
    }
    for (const fs::path& base : {listFolder, workingFolder}) {
        if (base.empty()) {
            continue;
        }
        const fs::path found = resolveWindowsPath(entry, base);
        if (pathExists(found)) {
            return found.string();
        }
        if (entry.starts_with('/')) {
            break; // an absolute path names one place, whatever the base
        }
    }
    return entry;
}

} // namespace sorvel
