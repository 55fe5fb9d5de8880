// Where an entry read from a playlist file lies. Programs that write playlists mean the list's
// own folder by a relative entry, and lists made on Windows write "\" between folders, drive
// letters and names in any letter case.
#pragma once

#include <filesystem>
#include <string>

namespace sorvel {

// The path to open for `entry`, a line of the playlist file in `listFolder`: a "file:" address
// becomes its path; a relative entry is looked for below `listFolder`, then below
// `workingFolder`; "\" separates folders, ".\" and "..\" step as on Windows, a drive-letter path
// is found from the root or by its longest tail below those folders (as skins are), and a name
// missing as written is matched ignoring case. Addresses, CD tracks, existing paths and entries
// found nowhere are returned as written.
std::string resolvePlaylistEntry(const std::string& entry, const std::filesystem::path& listFolder,
                                 const std::filesystem::path& workingFolder);

} // namespace sorvel
