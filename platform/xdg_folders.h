// The user's XDG base folders, where the player writes when it is installed and where the
// desktop entries it writes go.
#pragma once

#include <filesystem>

namespace sorvel {

// $XDG_CONFIG_HOME and $XDG_DATA_HOME when set to an absolute path (the XDG rules ignore
// relative ones), else ~/.config and ~/.local/share.
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();

} // namespace sorvel
