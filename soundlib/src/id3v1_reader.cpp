#include "id3v1_reader.h"

#include "id3v1_block.h"
#include "text_encoding.h"

#include <algorithm>

namespace soundlib {

static_assert(kId3v1Size == sorvel::id3v1::kBlockSize);

std::string decodeId3v1Text(std::string_view raw) {
    // Writers pad with NULs or spaces; neither is ever the second byte of a CP932 character.
    if (const size_t nul = raw.find('\0'); nul != std::string_view::npos)
        raw = raw.substr(0, nul);
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    return sorvel::text::utf8OrCp932(raw);
}

std::optional<Id3v1Tag> parseId3v1(std::span<const uint8_t> block) {
    const auto fields = sorvel::id3v1::readBlock(block);
    if (!fields)
        return std::nullopt;
    Id3v1Tag tag;
    tag.title = decodeId3v1Text(fields->title);
    tag.artist = decodeId3v1Text(fields->artist);
    tag.album = decodeId3v1Text(fields->album);
    tag.year = decodeId3v1Text(fields->year);
    tag.comment = decodeId3v1Text(fields->comment);
    tag.track = fields->track;
    tag.genre = fields->genre;
    return tag;
}

void addMissingId3v1Fields(const Id3v1Tag& tag, std::vector<DecodedTag>& tags) {
    const std::pair<const char*, const std::string*> fields[] = {{"TITLE", &tag.title},
                                                                 {"ARTIST", &tag.artist},
                                                                 {"ALBUM", &tag.album},
                                                                 {"COMMENT", &tag.comment}};
    for (const auto& [name, value] : fields) {
        const bool has = std::any_of(tags.begin(), tags.end(),
                                     [&](const DecodedTag& t) { return t.name == name; });
        if (!has && !value->empty())
            tags.push_back({FMOD_TAGTYPE_ID3V1, name, *value});
    }
}

} // namespace soundlib
