// Writing a whole file so that a crash or a full disk never leaves it half written.
#pragma once

#include <filesystem>
#include <string_view>

namespace sorvel {

// Writes `bytes` to a new file in the target's folder, flushes it to the disk and renames it over
// `file` (through a symbolic link to the file it names). An existing file keeps its permission
// bits. Returns false, leaving any old file untouched and no temporary file behind, on failure.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace sorvel
