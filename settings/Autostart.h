// Starting the player at log-on: an XDG autostart entry stands for the Windows Run value.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace sorvel {

// $XDG_CONFIG_HOME/autostart/sorvel.desktop (~/.config when unset or relative).
std::filesystem::path AutostartEntryPath();

// True when the entry exists and its Exec line starts exactly `program` (quoting undone).
bool AutostartEnabled(const std::filesystem::path& program);

// Creates or removes the entry. Nothing on success, else the system's error text.
std::optional<std::string> SetAutostart(bool enabled, const std::filesystem::path& program);

} // namespace sorvel
