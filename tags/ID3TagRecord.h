// The ID3v1 tag as the tag editor sees it: every field is UTF-8 text.
#pragma once

#include <string>

namespace sorvel {

struct ID3TagRecord {
    std::string artist;
    std::string album;
    std::string title;
    std::string year;
    std::string genre; // the genre's name, not its number; "" when none
    std::string comment;
    std::string track; // decimal text; "" when the tag has no track number
};

} // namespace sorvel
