// Reading a skin file (INI format, ".ssf") into the skin description.
#pragma once

#include "SkinDescription.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// Reads every section and key of the skin file into `description`, section by section in the
// order the Windows player read them. A missing file or key gives the key's default; a colour
// whose text is not hexadecimal keeps the field's previous value ("-ClearColor" its default).
// Never fails as a whole. `programFolder` is the folder relative "-Dir" values start from.
void ReadSkinDescription(const std::filesystem::path& skinFile,
                         const std::filesystem::path& programFolder, SkinDescription& description);
// The same with the folders relative "-Dir" values are looked for in, in turn (the user's
// program folder, then the shipped files' folder); the first is the one "-Dir" texts name.
void ReadSkinDescription(const std::filesystem::path& skinFile,
                         const std::vector<std::filesystem::path>& programFolders,
                         SkinDescription& description);

// A fresh description read from the skin file.
SkinDescription ReadSkinDescription(const std::filesystem::path& skinFile,
                                    const std::filesystem::path& programFolder);

// A colour text: hexadecimal without prefix, at most eight digits (leading zeros aside), taken
// as a colour reference, so "0000FF" is pure red. Nothing for any other text.
std::optional<SkinColour> parseSkinColour(std::string_view text);

// The "-Dir" text as the Windows player resolved it: a trailing "\" is added when missing and
// the program folder and "\" are put in front unless the second character is ":" (or, here, the
// text is an absolute path of this system).
std::string resolveSkinDir(std::string_view value, std::string_view programFolder);

// The real folder that a "-Dir" value names here, its components matched ignoring case, below
// the first of `programFolders` that has it.
std::filesystem::path skinFolderPath(std::string_view value,
                                     const std::vector<std::filesystem::path>& programFolders);

// The real path of a picture or other file the skin names relative to its folder.
std::filesystem::path skinFilePath(const SkinDescription& description, std::string_view name);

} // namespace sorvel
