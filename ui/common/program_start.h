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

// A portable program folder without skins (a fresh SORVEL_HOME) gets a copy of the shipped
// skins, so that it is a whole program folder of its own. Existing files are kept. An installed
// player copies nothing: it reads the shipped skins where they were installed.
void provideShippedFiles(const std::filesystem::path& programFolder,
                         const std::filesystem::path& programDirectory);

} // namespace sorvel
