// The user's XDG base folders, where the player writes when it is installed and where the
// desktop entries it writes go.
#pragma once

#include <filesystem>

namespace sorvel {

// $XDG_CONFIG_HOME, $XDG_DATA_HOME and $XDG_CACHE_HOME when set to an absolute path (the XDG
// rules ignore relative ones), else ~/.config, ~/.local/share and ~/.cache.
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();
std::filesystem::path xdgCacheHome();

} // namespace sorvel
