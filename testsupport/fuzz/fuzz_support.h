// What the fuzz targets share: a check that stops the run where it fails, and a scratch folder
// that lives for the whole run.
#pragma once

#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace fuzzsupport {

// Traps rather than throws or exits, so libFuzzer saves the input that broke the promise.
inline void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// A fresh folder under the system's temporary folder, named after `prefix`; removed at exit.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
        require(::mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace fuzzsupport
