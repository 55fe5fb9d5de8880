// File associations, Linux form: the options window's twenty file types, a desktop entry that
// opens files with the player, and the user's default applications in mimeapps.list. Only the
// user's own XDG folders are written, never system-wide files.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace sorvel {

enum class AssociationKind { Music, Movie, Playlist };

struct AssociationEntry {
    std::string_view description;               // "Mpeg Audio Format"
    std::string_view pattern;                   // "(*.mp2 *.mp3)"
    std::array<std::string_view, 3> extensions; // unused ones empty
    AssociationKind kind;
};

inline constexpr std::size_t kAssociationEntryCount = 20;

// The twenty entries in list order.
const std::array<AssociationEntry, kAssociationEntryCount>& associationEntries();
// The list's text for an entry: description, a tab, pattern.
std::string associationListText(const AssociationEntry& entry);
// The desktop entry that starts `program` with files or addresses, naming every listed type's
// MIME type.
std::string desktopEntryText(const std::filesystem::path& program);
// The same entry as a package installs it, starting `sorvel` from the PATH.
std::string installedDesktopEntryText();
// The shared MIME database's declarations of the listed types it lacks (*.dls, *.vag), as
// mime/packages/sorvel.xml.
std::string mimeTypesPackageText();

class FileAssociations {
public:
    // dataHome / configHome: the user's XDG folders; program: the sorvel executable.
    FileAssociations(std::filesystem::path dataHome, std::filesystem::path configHome,
                     std::filesystem::path program);
    // From $XDG_DATA_HOME / $XDG_CONFIG_HOME or their defaults under $HOME.
    static FileAssociations forCurrentUser(std::filesystem::path program);

    // Which entries have every one of their types defaulting to our desktop entry.
    std::array<bool, kAssociationEntryCount> Read() const;
    // Writes the desktop entry "sorvel.desktop" into dataHome/applications, sets the selected
    // entries' types as defaults for it in configHome/mimeapps.list ([Default Applications],
    // keeping every other line and other programs' entries; also listed under [Added
    // Associations] and taken out of [Removed Associations]), removes for an unselected entry
    // only a default that names our desktop entry (never another program's), then runs
    // update-desktop-database on dataHome/applications when the tool exists (no wait on a
    // missing tool). The types the shared MIME database lacks (*.dls, *.vag) are declared in
    // dataHome/mime/packages, refreshed by update-mime-database when it exists. False when a
    // file cannot be written.
    bool Apply(const std::array<bool, kAssociationEntryCount>& selected);

private:
    std::filesystem::path dataHome_;
    std::filesystem::path configHome_;
    std::filesystem::path program_;
};

} // namespace sorvel
