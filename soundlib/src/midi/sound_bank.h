// Where the General MIDI sound bank comes from when the user named none.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace soundlib {

// The largest of the candidates (path, size in bytes; 0 for a missing file): bigger banks
// sound better. Empty when every size is 0.
std::string largestSoundBank(std::span<const std::pair<std::string, uint64_t>> candidates);

// The installed General MIDI SoundFont: the largest of the places Debian's packages put one
// (fluid-soundfont-gm, timgm6mb-soundfont, the default-GM.sf2 alternative and the like).
// Empty when none is installed.
std::string installedSoundBank();

} // namespace soundlib
