// Where each entry of the update list comes from and where it goes: the download address and
// the file below the temp folder, with every entry that could lead out of that folder refused.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sorvel::updater {

inline constexpr std::string_view kTempFolderName = "temp";
inline constexpr std::string_view kDefaultBaseAddress = "https://sorvel.example.org/update/linux/";

// The base address as the setting gives it, ending in "/"; nothing unless it is an http:// or
// https:// address.
std::optional<std::string> normaliseBaseAddress(std::string_view setting);

// The base address followed by the entry unchanged.
std::string downloadAddress(std::string_view base, std::string_view entry);

// True for an entry that names a file below the temp folder: relative, "/" as its only
// separator, no "." or ".." part, no empty part, no drive, no backslash, no control character.
bool isSafeEntry(std::string_view entry);

// The entry's file below `tempFolder`, or nothing when the entry is not safe or, once the
// links already present on the way are followed, would lie outside the temp folder.
std::optional<std::filesystem::path> localPathFor(const std::filesystem::path& tempFolder,
                                                  std::string_view entry);

// The base address kept in `updater.ini` beside the updater (section [Updater], key -BaseURL),
// or the built-in one.
std::string baseAddressSetting(const std::filesystem::path& programFolder);

} // namespace sorvel::updater
