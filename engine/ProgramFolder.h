// Where the player keeps its settings, skins, presets and captures, and where it finds the files
// it was shipped with.
#pragma once

#include <filesystem>

namespace sorvel {

struct ProgramPlaces {
    // Installed: the program's folder is not the user's to write (a package's /usr/bin).
    bool installed = false;
    // Written: presets (Data), the user's own skins, the network capture, MIDI banks.
    std::filesystem::path programFolder;
    // sorvel_Settings.ini.
    std::filesystem::path settingsFolder;
    // Read only: the shipped skins and documents. Skins are looked for in the program folder
    // first, so a user's skin overrides a shipped one of the same name.
    std::filesystem::path shippedFolder;
};

// SORVEL_HOME, when set, is the program and settings folder. Otherwise the program's own folder
// when it holds the shipped skins and can be written to (portable: everything stays beside the
// program); else the player is installed: settings in $XDG_CONFIG_HOME/sorvel, everything else it writes in
// $XDG_DATA_HOME/sorvel (~/.config/sorvel and ~/.local/share/sorvel by default), both made on
// first use. The shipped files lie beside the program when it has a Skins folder, else in the
// installation's data folder (<prefix>/share/sorvel beside <prefix>/bin, or the one the build
// was configured for). `canWrite` decides whether a folder can be written to (the real access
// check by default).
ProgramPlaces ResolveProgramPlaces(const std::filesystem::path& programDirectory,
                                   bool (*canWrite)(const std::filesystem::path&) = nullptr);

// The folder of the running executable.
std::filesystem::path ExecutableDirectory();

} // namespace sorvel
