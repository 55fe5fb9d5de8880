// What the program does before the player starts: the command line's file and the shipped
// files of a program folder that has none yet.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sorvel {

// The command line handed to the player: the first argument (one file is taken), made absolute
// when it names a file or folder relative to `workingFolder`, so that a running player that
// was started elsewhere finds it; addresses and missing paths go unchanged. Empty without one.
std::string commandLineFromArguments(const std::vector<std::string>& arguments,
                                     const std::filesystem::path& workingFolder);

// A program folder without skins (a fresh SORVEL_HOME) gets a copy of the shipped skins from
// beside the program, as the per-user folder does on its first use. Existing files are kept.
void provideShippedFiles(const std::filesystem::path& programFolder,
                         const std::filesystem::path& programDirectory);

} // namespace sorvel
