// What the program does before the player starts: its arguments and the shipped files of a
// program folder that has none yet.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sorvel {

// What the program's arguments ask for.
struct ProgramArguments {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    // Run: the command line handed to the player (empty without files). One file or address
    // goes as it is; several go each between double quotes, separated by a space. Paths
    // relative to the working folder are made absolute, so that a running player started
    // elsewhere finds them; a path holding a double quote goes as a file: address instead.
    // Addresses and missing paths go unchanged.
    std::string commandLine;
    // Refuse: what was wrong, for the error line.
    std::string problem;
};

// --help and --version (alone), "--" before files that begin with "-", any other option refused.
ProgramArguments parseProgramArguments(const std::vector<std::string>& arguments,
                                       const std::filesystem::path& workingFolder);

// What `sorvel --help` prints.
std::string usageText();

// A portable program folder without skins (a fresh SORVEL_HOME) gets a copy of the shipped
// skins, so that it is a whole program folder of its own. Existing files are kept. An installed
// player copies nothing: it reads the shipped skins where they were installed.
void provideShippedFiles(const std::filesystem::path& programFolder,
                         const std::filesystem::path& programDirectory);

} // namespace sorvel
