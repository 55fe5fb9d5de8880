#include "id3v1_reader.h"

#include "text_encoding.h"

namespace soundlib {

std::string decodeId3v1Text(std::string_view raw) {
    // Writers pad with NULs or spaces; neither is ever the second byte of a CP932 character.
    if (const size_t nul = raw.find('\0'); nul != std::string_view::npos)
        raw = raw.substr(0, nul);
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    return utf8OrCp932(raw);
}

std::optional<Id3v1Tag> parseId3v1(std::span<const uint8_t> block) {
    if (block.size() != kId3v1Size || block[0] != 'T' || block[1] != 'A' || block[2] != 'G')
        return std::nullopt;
    const auto field = [&](size_t offset, size_t length) {
        return std::string_view(reinterpret_cast<const char*>(block.data()) + offset, length);
    };
    Id3v1Tag tag;
    tag.title = decodeId3v1Text(field(3, 30));
    tag.artist = decodeId3v1Text(field(33, 30));
    tag.album = decodeId3v1Text(field(63, 30));
    tag.year = decodeId3v1Text(field(93, 4));
    // ID3v1.1 keeps the track number in the comment's last byte behind a NUL.
    if (block[125] == 0 && block[126] != 0) {
        tag.comment = decodeId3v1Text(field(97, 28));
        tag.track = block[126];
    } else {
        tag.comment = decodeId3v1Text(field(97, 30));
    }
    tag.genre = block[127];
    return tag;
}

} // namespace soundlib
