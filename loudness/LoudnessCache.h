// What the loudness scan measured, kept in a small text file in the settings folder so that
// files without ReplayGain tags are levelled too. Each record belongs to one file as it was
// measured (its size and modification time): a file changed since then has no record. The
// user's files are never written.
//
// Thread: one thread at a time (the UI thread).
#pragma once

#include "replay_gain.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace sorvel {

// Which version of a file was measured.
struct FileStamp {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of a regular file as it is now; nothing when it cannot be read.
std::optional<FileStamp> stampOf(const std::filesystem::path& file);

// The cache file's name in the settings folder.
inline constexpr const char* kLoudnessCacheFileName = "sorvel_Loudness.dat";

class LoudnessCache {
public:
    // Reads a cache file. A missing, unreadable or foreign file gives an empty cache; damaged
    // records are skipped.
    static LoudnessCache load(const std::filesystem::path& file);
    // Writes the whole cache (atomically); false when it could not be written.
    bool save(const std::filesystem::path& file) const;

    // The values measured for `file` if it is still the version that was measured.
    std::optional<LoudnessValues> find(const std::filesystem::path& file) const;
    std::optional<LoudnessValues> find(const std::filesystem::path& file,
                                       const FileStamp& stamp) const;
    // Records (or replaces) the values of a file's version.
    void put(const std::filesystem::path& file, const FileStamp& stamp,
             const LoudnessValues& values);
    size_t size() const { return records_.size(); }

private:
    struct Record {
        FileStamp stamp;
        LoudnessValues values;
    };
    std::map<std::string, Record> records_; // by the file's absolute path
};

} // namespace sorvel
