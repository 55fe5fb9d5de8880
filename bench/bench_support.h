// Small helpers the benchmarks share: clocks, a temporary folder, a system released however a
// run ends, and running shell commands.
#pragma once

#include "soundlib.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            (base && *base ? std::string(base) : std::string("/tmp")) + "/" + prefix + "-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()))
            path_ = buffer.data();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Releases the system (and with it its sounds) however the run ends.
class SystemGuard {
public:
    ~SystemGuard() {
        if (system)
            FMOD_System_Release(system);
    }
    FMOD_SYSTEM system = 0;
};

// Single-quoted for the shell.
inline std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// True when the command ran and exited with 0.
inline bool run(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bench
