#include "ProgramFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

bool writable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

fs::path perUserFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        return fs::path(data) / "sorvel";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".local" / "share" / "sorvel";
}

} // namespace

fs::path ExecutableDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

fs::path ResolveProgramFolder(const fs::path& programDirectory, bool (*canWrite)(const fs::path&)) {
    std::error_code error;
    if (const char* home = std::getenv("SORVEL_HOME"); home != nullptr && *home != '\0') {
        fs::create_directories(home, error);
        return fs::path(home);
    }
    if ((canWrite != nullptr ? canWrite : writable)(programDirectory)) {
        return programDirectory;
    }
    const fs::path user = perUserFolder();
    if (!fs::exists(user / "Skins", error)) {
        // First start of an installed player: take the shipped skins and data along.
        fs::create_directories(user, error);
        for (const char* shipped : {"Skins", "Data"}) {
            const fs::path from = programDirectory / shipped;
            if (fs::exists(from, error)) {
                fs::copy(from, user / shipped,
                         fs::copy_options::recursive | fs::copy_options::skip_existing, error);
            }
        }
    }
    return user;
}

} // namespace sorvel
