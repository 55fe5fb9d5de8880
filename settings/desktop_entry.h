// What the desktop entries the player writes share: the user's XDG folders and the Exec value
// that starts the program.
#pragma once

#include "xdg_folders.h"

#include <filesystem>
#include <string>

namespace sorvel {

// `program` as the first argument of an Exec value: double-quoted, with the argument escapes
// and "%%" for a percent sign, then the escapes every string value has.
std::string desktopExecValue(const std::filesystem::path& program);

} // namespace sorvel
