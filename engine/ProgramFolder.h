// Where the player keeps its settings, skins, presets and captures.
#pragma once

#include <filesystem>

namespace sorvel {

// SORVEL_HOME when set; else the folder of the running program when it can be written to; else
// the per-user folder ($XDG_DATA_HOME/sorvel, ~/.local/share/sorvel), which on first use is
// filled with a copy of the shipped files found beside the program.
// `canWrite` decides whether a folder can be written to (the real access check by default).
std::filesystem::path
ResolveProgramFolder(const std::filesystem::path& programDirectory,
                     bool (*canWrite)(const std::filesystem::path&) = nullptr);

// The folder of the running executable.
std::filesystem::path ExecutableDirectory();

} // namespace sorvel
