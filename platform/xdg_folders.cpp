#include "xdg_folders.h"

#include <cstdlib>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

fs::path xdgHome(const char* variable, const fs::path& belowHome) {
    if (const char* value = std::getenv(variable); value && fs::path(value).is_absolute()) {
        return value;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / belowHome;
}

} // namespace

fs::path xdgConfigHome() {
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path xdgDataHome() {
    return xdgHome("XDG_DATA_HOME", fs::path(".local") / "share");
}

fs::path xdgCacheHome() {
    return xdgHome("XDG_CACHE_HOME", ".cache");
}

} // namespace sorvel
