// The picture the desktop shows beside what plays: the file's embedded cover, written to a cache
// file since MPRIS hands pictures over by address, or a cover picture lying beside the file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace sorvel {

// `embedded` (a picture file's bytes, possibly empty) is written to `cacheFolder` under a name
// made from its contents, replacing the picture written there before, and that file is the
// answer. Without one, a local file's folder is searched for cover.jpg, folder.jpg, cover.png
// or folder.png, in that order and in any letter case. Nothing for addresses, CD tracks, or
// when there is no picture.
std::optional<std::filesystem::path> coverArtFile(const std::string& entry,
                                                  const std::string& embedded,
                                                  const std::filesystem::path& cacheFolder);

} // namespace sorvel
