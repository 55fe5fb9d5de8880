#include "ProgramFolder.h"

#include "xdg_folders.h"

#include <cstdlib>
#include <unistd.h>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

bool writable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

bool hasSkins(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder / "Skins", error);
}

fs::path shippedFolderFor(const fs::path& programDirectory) {
    if (hasSkins(programDirectory)) {
        return programDirectory;
    }
    std::error_code error;
    const fs::path beside = (programDirectory / ".." / "share" / "sorvel").lexically_normal();
    if (hasSkins(beside)) {
        return beside;
    }
#ifdef SORVEL_INSTALL_DATADIR
    if (hasSkins(SORVEL_INSTALL_DATADIR)) {
        return SORVEL_INSTALL_DATADIR;
    }
#endif
    return programDirectory;
}

} // namespace

fs::path ExecutableDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

ProgramPlaces ResolveProgramPlaces(const fs::path& programDirectory,
                                   bool (*canWrite)(const fs::path&)) {
    ProgramPlaces places;
    places.shippedFolder = shippedFolderFor(programDirectory);
    std::error_code error;
    if (const char* home = std::getenv("SORVEL_HOME"); home != nullptr && *home != '\0') {
        fs::create_directories(home, error);
        places.programFolder = places.settingsFolder = home;
        return places;
    }
    // Portable: a whole program folder (the build folder, a copied one) that can be written. A
    // program lying alone in a folder its user may write (root's /usr/bin) is still installed.
    if (hasSkins(programDirectory) &&
        (canWrite != nullptr ? canWrite : writable)(programDirectory)) {
        places.programFolder = places.settingsFolder = programDirectory;
        return places;
    }
    places.installed = true;
    places.programFolder = xdgDataHome() / "sorvel";
    places.settingsFolder = xdgConfigHome() / "sorvel";
    fs::create_directories(places.programFolder, error);
    fs::create_directories(places.settingsFolder, error);
    return places;
}

} // namespace sorvel
