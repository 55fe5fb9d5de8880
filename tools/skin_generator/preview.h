// A picture of shipped skins as the player shows them, assembled from the skin files through
// the skin library (description, pictures and layout), so what it shows is what the player gets.
#pragma once

#include <QImage>
#include <filesystem>
#include <vector>

namespace sorvel::skingen {

// The main and playlist windows of each skin, side by side on a desktop-like backdrop, cut to
// their clear colour. `programFolder` is where the skins' "-Dir" values start.
QImage renderPreview(const std::vector<std::filesystem::path>& skinFiles,
                     const std::filesystem::path& programFolder);

// Every picture of one skin in all its states, enlarged, for looking at the pixels.
QImage renderPictureSheet(const std::filesystem::path& skinFile,
                          const std::filesystem::path& programFolder, int zoom);

} // namespace sorvel::skingen
