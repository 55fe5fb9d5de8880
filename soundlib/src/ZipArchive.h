// Read-only access to a zip archive's members, in archive order (libzip).
#pragma once

#include "soundlib.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <zip.h>

namespace soundlib {

class ZipArchive {
public:
    struct Member {
        uint64_t index = 0;
        std::string name;
        uint64_t size = 0; // uncompressed
    };

    // Null with 25 in `result` when the file is not a readable zip archive.
    static std::unique_ptr<ZipArchive> open(const std::string& path, FMOD_RESULT& result);

    struct Key {}; // construction goes through open()
    explicit ZipArchive(Key) {}

    // Files only (folders left out), in the order the archive lists them.
    const std::vector<Member>& members() const { return members_; }
    // The whole member, or nothing when it is larger than `maxBytes`, encrypted or damaged.
    std::optional<std::vector<uint8_t>> read(const Member& member, uint64_t maxBytes) const;

private:
    struct Discarder {
        void operator()(zip_t* archive) const { zip_discard(archive); }
    };
    struct FileCloser {
        void operator()(zip_file_t* file) const { zip_fclose(file); }
    };

    std::unique_ptr<zip_t, Discarder> archive_;
    std::vector<Member> members_;
};

} // namespace soundlib
