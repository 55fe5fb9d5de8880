// Writes a generated skin: its skin file and its pictures.
#pragma once

#include "SkinDesign.h"

#include <filesystem>
#include <string>

namespace sorvel::skingen {

// The skin file's text (UTF-8, Windows line ends) for the design.
std::string skinFileText(const SkinDesign& design);

// Paints the design and writes skinsFolder/<folder>/<folder>.ssf with all its pictures. Returns
// false with a message on standard error when a file cannot be written.
bool writeSkin(const SkinDesign& design, const std::filesystem::path& skinsFolder);

} // namespace sorvel::skingen
