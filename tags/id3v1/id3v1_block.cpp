#include "id3v1_block.h"

#include <algorithm>

namespace sorvel::id3v1 {
namespace {

std::string_view textField(std::span<const std::uint8_t> block, std::size_t at, std::size_t size) {
    const auto field = block.subspan(at, size);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(field.data()),
            static_cast<std::size_t>(end - field.begin())};
}

} // namespace

bool startsWithTag(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G';
}

std::optional<RawFields> readBlock(std::span<const std::uint8_t> block) {
    if (block.size() != kBlockSize || !startsWithTag(block))
        return std::nullopt;
    RawFields fields;
    fields.title = textField(block, kTitleAt, kTextSize);
    fields.artist = textField(block, kArtistAt, kTextSize);
    fields.album = textField(block, kAlbumAt, kTextSize);
    fields.year = textField(block, kYearAt, kYearSize);
    // All 30 bytes: in a v1.1 block the zero at byte 125 ends the comment after 28.
    fields.comment = textField(block, kCommentAt, kTextSize);
    if (block[kZeroByteAt] == 0 && block[kTrackAt] != 0)
        fields.track = block[kTrackAt];
    fields.genre = block[kGenreAt];
    return fields;
}

} // namespace sorvel::id3v1
