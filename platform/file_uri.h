// file: addresses, which file managers, desktop entries ("%U") and playlists written on Linux
// hand over instead of paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvel {

// The local path a "file:" address names ("file:///music/a%20b.mp3", "file://localhost/...",
// "file:/music/x.mp3"), with its percent escapes decoded and any query or fragment dropped.
// Nothing for other text, for an address naming another host, or one that decodes to a NUL.
std::optional<std::string> localPathFromFileUri(std::string_view text);

// The "file://" address of an absolute path: every byte but letters, digits, "/" and "-._~"
// percent-escaped, so that it survives any quoting and reads back through
// localPathFromFileUri.
std::string fileUriFromPath(std::string_view path);

} // namespace sorvel
