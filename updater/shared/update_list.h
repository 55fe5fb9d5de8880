// The update list the player writes and the updater reads, and the names of the files both
// programs know in the program folder.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

inline constexpr std::string_view kPlayerProgramName = "sorvel";
inline constexpr std::string_view kUpdaterProgramName = "updater";
inline constexpr std::string_view kUpdateListName = "updatelist.dat";
inline constexpr std::string_view kHelpFileName = "sorvelhlp.html";

// What the player asks the updater to fetch, in this order: the program, then the history of
// changes, the read-me, the skin format and the help. (The sound library and the picture
// decoders are linked into the program, so no library files are listed.)
inline constexpr std::array<std::string_view, 5> kUpdateListEntries = {
    kPlayerProgramName, "SorvelHistory.txt", "ReadSorvel.txt", "SorvelSkin.txt", kHelpFileName};

// What both programs say when the program folder belongs to the system.
inline constexpr std::string_view kSystemInstallMessage =
    "このSorvelはシステムにインストールされているため、ここでは更新できません。\r\n"
    "アップデートはシステムのパッケージマネージャーから行ってください。";

// One entry per line, each ended by CR LF.
std::string updateListText();

// Writes the list into the folder, replacing any existing one whole. False when it could not.
bool writeUpdateList(const std::filesystem::path& folder);

// The entries of a list's text: lines ended by CR LF or LF, with blank lines left out.
std::vector<std::string> parseUpdateList(std::string_view text);

} // namespace sorvel
