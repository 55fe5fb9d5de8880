// The four-part program version (major.minor.build.revision) and the marker that carries it
// inside a program file, where the updater reads it without running the program.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The ELF section that holds the marker: the version text, padded with NULs to
// kVersionMarkerSize bytes so that a copy can be given another version in place.
#define SORVEL_VERSION_SECTION ".sorvel_version"

// Defines the marker in the program that expands it, once, at namespace scope. `readelf -p
// .sorvel_version PROGRAM` shows it too.
#define SORVEL_VERSION_MARKER(text)                                                                \
    extern "C" __attribute__((used, section(SORVEL_VERSION_SECTION)))                              \
    const char sorvelVersionMarker[::sorvel::kVersionMarkerSize] = text

namespace sorvel {

inline constexpr std::string_view kVersionSection = SORVEL_VERSION_SECTION;
inline constexpr std::size_t kVersionMarkerSize = 32;

struct ProgramVersion {
    // Each part fits a 16-bit signed number, as the comparison takes it.
    std::array<int16_t, 4> parts{};
    friend bool operator==(const ProgramVersion&, const ProgramVersion&) = default;
};

// Exactly four dot-separated decimal parts of 0 to 32767 ("1.2.0.13"); anything else (a
// missing part, a sign, a blank, a part beyond 32767) is no version at all, so that a part can
// never wrap to a negative number and make an older program look newer.
std::optional<ProgramVersion> parseProgramVersion(std::string_view text);

std::string versionText(const ProgramVersion& version);

// The first part that differs decides, major first; equal versions are not newer.
bool isNewer(const ProgramVersion& candidate, const ProgramVersion& installed);

struct MarkerPlace {
    std::uint64_t offset = 0; // in the file
    std::uint64_t size = 0;
};

// Where the version section lies in a 32- or 64-bit little-endian ELF file; nothing for any
// other file, a damaged one, or one without the section.
std::optional<MarkerPlace> findVersionMarker(const std::filesystem::path& program);

// The marker's text (up to its first NUL), or nothing.
std::optional<std::string> readVersionMarker(const std::filesystem::path& program);

// The version the program file carries; nothing when it has no valid marker.
std::optional<ProgramVersion> programVersionOf(const std::filesystem::path& program);

} // namespace sorvel
