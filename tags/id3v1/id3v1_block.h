// The 128-byte ID3v1 block that ends many MP3 files: its layout and its fields as raw bytes.
// The text has no declared encoding, so decoding it (and any trimming) is left to the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sorvel::id3v1 {

inline constexpr std::size_t kBlockSize = 128;

// Byte offsets and sizes of the fields (ID3v1.1: the comment's last two bytes are a zero and
// the track number).
inline constexpr std::size_t kTitleAt = 3;
inline constexpr std::size_t kArtistAt = 33;
inline constexpr std::size_t kAlbumAt = 63;
inline constexpr std::size_t kYearAt = 93;
inline constexpr std::size_t kCommentAt = 97;
inline constexpr std::size_t kTextSize = 30;
inline constexpr std::size_t kYearSize = 4;
inline constexpr std::size_t kCommentV11Size = 28;
inline constexpr std::size_t kZeroByteAt = 125;
inline constexpr std::size_t kTrackAt = 126;
inline constexpr std::size_t kGenreAt = 127;

// The text fields view the block they were read from, each cut at its first zero byte.
struct RawFields {
    std::string_view title;
    std::string_view artist;
    std::string_view album;
    std::string_view year;
    std::string_view comment;
    std::uint8_t track = 0; // ID3v1.1; 0 when absent
    std::uint8_t genre = 0;
};

// Whether bytes begin with "TAG", the mark of an ID3v1 block.
bool startsWithTag(std::span<const std::uint8_t> bytes);

// The fields of a block; nothing unless it is 128 bytes that start with "TAG".
std::optional<RawFields> readBlock(std::span<const std::uint8_t> block);

} // namespace sorvel::id3v1
