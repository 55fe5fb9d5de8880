// Placeholder until the desktop-file version lands: the entries and an interface that stores
// nothing.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace sorvel {

enum class AssociationKind { Music, Movie, Playlist };

struct AssociationEntry {
    std::string_view description;
    std::string_view pattern;
    std::array<std::string_view, 3> extensions;
    AssociationKind kind;
};

inline constexpr std::size_t kAssociationEntryCount = 20;
const std::array<AssociationEntry, kAssociationEntryCount>& associationEntries();
std::string associationListText(const AssociationEntry& entry);

class FileAssociations {
public:
    FileAssociations(std::filesystem::path dataHome, std::filesystem::path configHome,
                     std::filesystem::path program);
    static FileAssociations forCurrentUser(std::filesystem::path program);
    std::array<bool, kAssociationEntryCount> Read() const;
    bool Apply(const std::array<bool, kAssociationEntryCount>& selected);

private:
    std::filesystem::path dataHome_;
    std::filesystem::path configHome_;
    std::filesystem::path program_;
};

} // namespace sorvel
