// Putting downloaded files into the program folder all or nothing: nothing installed is touched
// until every new file lies ready beside its target, and a failure half-way puts the old files
// back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sorvel::updater {

// The file operations whose failure matters most, so tests can make them fail.
class InstallFileSystem {
public:
    virtual ~InstallFileSystem() = default;
    virtual bool canWrite(const std::filesystem::path& folder) = 0;
    // Atomically gives `from` the name `to`, replacing what had it.
    virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

class RealFileSystem final : public InstallFileSystem {
public:
    bool canWrite(const std::filesystem::path& folder) override;
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
};

struct InstallResult {
    bool installed = false;
    std::string failure; // the file or step that failed
};

// Installs each named file of `tempFolder` into `programFolder` under the same name. Each new
// file takes the permission bits of the one it replaces (a new file 0644); the player program
// is always executable.
InstallResult installFiles(InstallFileSystem& files, const std::filesystem::path& tempFolder,
                           const std::filesystem::path& programFolder,
                           const std::vector<std::string>& names);

} // namespace sorvel::updater
