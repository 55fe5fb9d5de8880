// ID3 tags by plain byte reads and writes: the 128-byte ID3v1 tag at the end of a file (read,
// written, removed), the genre table, and the 10-byte ID3v2 header at the start (only to skip
// the tag and name its version; ID3v2 frames are never touched). ID3v1 text is CP932 on disk
// and UTF-8 in the record. No file stays open between calls.
#pragma once

#include "ID3TagRecord.h"
#include "RawFile.h"
#include "id3v1_block.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace sorvel {

inline constexpr std::size_t kID3v1Size = id3v1::kBlockSize;
inline constexpr std::size_t kID3v2HeaderSize = 10;
inline constexpr int kGenreCount = 148;
inline constexpr int kNoGenre = 255;

// Copies the file's ID3v1 tag into record; false (record untouched) when the file cannot be
// read, is shorter than 128 bytes or does not end in a "TAG" block.
bool ReadID3v1(const std::filesystem::path& path, ID3TagRecord& record);

// Writes record as an ID3v1.1 tag over the file's old tag, or appends it when there is none.
// A read-only file (no owner-write permission) is made writable first when clearReadOnly is
// true, and stays so; otherwise it is refused. False when the file cannot be opened or the
// write fails; a failed write leaves the file's length and bytes as they were.
bool WriteID3v1(const std::filesystem::path& path, const ID3TagRecord& record, bool clearReadOnly);

// Cuts a trailing ID3v1 tag off the file. True when the file is 128 bytes or longer, whether or
// not there was a tag; false when it cannot be opened, is shorter or cannot be cut.
bool RemoveID3v1(const std::filesystem::path& path, bool clearReadOnly);

// The name of genre 0 to 147; "" for any other number.
std::string GenreName(int number);

// The first genre whose name matches (spaces trimmed, letter case ignored); kNoGenre when none.
int GenreNumber(std::string_view name);

// Bytes from offset to the audio after an ID3v2 tag starting there: 0 when there is no
// "ID3" header (or a damaged one, see ID3v2HeaderSize), else 10 + size (+ 10 for a footer).
std::uint64_t ID3v2Size(const RawFile& file, std::uint64_t offset);

// Sets every field to "".
void ClearTagRecord(ID3TagRecord& record);

// The pure byte work behind the calls above.

// Size of the tag whose header is the first 10 bytes of header, as ID3v2Size counts it. The
// size field is sync-safe when no byte has its top bit set, else a plain big-endian number; a
// plain size of 0x80000000 or more marks a damaged header and gives 0, as does a short or
// missing header. The footer counts only from major version 4 on.
std::uint64_t ID3v2HeaderSize(std::span<const std::uint8_t> header);

// Fills record from a 128-byte block; false (record untouched) unless it begins with "TAG".
bool ParseID3v1Block(std::span<const std::uint8_t, kID3v1Size> block, ID3TagRecord& record);

// The ID3v1.1 block for record.
std::array<std::uint8_t, kID3v1Size> BuildID3v1Block(const ID3TagRecord& record);

} // namespace sorvel
