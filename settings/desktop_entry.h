// What the desktop entries the player writes share: the user's XDG folders and the Exec value
// that starts the program.
#pragma once

#include <filesystem>
#include <string>

namespace sorvel {

// $XDG_CONFIG_HOME and $XDG_DATA_HOME when set to an absolute path (the XDG rules ignore
// relative ones), else ~/.config and ~/.local/share.
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();

// `program` as the first argument of an Exec value: double-quoted, with the argument escapes
// and "%%" for a percent sign, then the escapes every string value has.
std::string desktopExecValue(const std::filesystem::path& program);

} // namespace sorvel
