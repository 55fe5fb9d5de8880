// SHOUTcast/Icecast in-band metadata: the text blocks a server puts between audio bytes when a
// client asks for them, and the titles inside.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace soundlib {

// The StreamTitle value of a metadata block ("StreamTitle='A - B';StreamUrl='';" gives
// "A - B"), with trailing padding ignored and quotes inside the title kept. Nothing when the
// block has no StreamTitle.
std::optional<std::string> icyStreamTitle(std::string_view block);

// "Artist - Title" split at the first " - " into artist and title, each trimmed; text without
// the separator is all title.
std::pair<std::string, std::string> splitArtistTitle(std::string_view text);

// Metadata text as UTF-8: valid UTF-8 is kept, anything else is taken as CP932, which Japanese
// stations send.
std::string icyTextToUtf8(std::string_view text);

} // namespace soundlib
