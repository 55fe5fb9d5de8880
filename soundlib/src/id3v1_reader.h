// ID3v1: the 128-byte block "TAG" that ends many MP3 files. Its text has no declared encoding;
// Japanese files carry CP932, which FFmpeg would read as Latin-1.
#pragma once

#include "decoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace soundlib {

inline constexpr size_t kId3v1Size = 128;

struct Id3v1Tag {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    int track = 0;   // ID3v1.1; 0 when absent
    int genre = 255; // 255 = none
};

// The fields of a 128-byte block, as UTF-8; nothing unless it starts with "TAG".
std::optional<Id3v1Tag> parseId3v1(std::span<const uint8_t> block);

// One text field: cut at the first NUL, trailing spaces dropped, kept as it is when it is
// UTF-8, otherwise read as CP932.
std::string decodeId3v1Text(std::string_view raw);

// The tag's title, artist, album and comment where `tags` (from an ID3v2 tag or the container)
// have none, as ID3v1 tags.
void addMissingId3v1Fields(const Id3v1Tag& tag, std::vector<DecodedTag>& tags);

} // namespace soundlib
