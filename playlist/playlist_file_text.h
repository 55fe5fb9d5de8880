// The text of playlist files: lines, PLS entry strings, and the M3U text written back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// File bytes as UTF-8: taken as they are when they are valid UTF-8, else read as CP932 (files
// made on Japanese Windows).
std::string DecodePlaylistText(std::string_view bytes);

// Lines end at CR, CR LF or LF. Lines are kept exactly as they are otherwise.
std::vector<std::string> SplitPlaylistLines(std::string_view text);

// PLS rules apply when the path ends with ".pls" written in lower case.
bool UsesPlsRules(std::string_view path);

// A PLS line reduced to its entry string: the text after the last "=" (the whole line when it
// has none); nothing for lines whose key contains "Title".
std::optional<std::string> PlsEntryString(const std::string& line);

// M3U text for the given entry strings: each followed by CR LF.
std::string M3uText(const std::vector<std::string>& paths);

} // namespace sorvel
