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

// A 192 kb/s MP3 made by ffmpeg: two voices a fifth and a third apart, vibrato, tremolo and a
// little noise per channel, enough movement that the encoder works as it would on music,
// unlike on a steady tone or silence.
inline bool makeMusicMp3(const std::filesystem::path& out, double seconds, int rate) {
    const std::string left = "0.20*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.5*t))"
                             "+0.12*sin(2*PI*330*t+2*sin(2*PI*5*t))+0.04*(random(0)-0.5)";
    const std::string right = "0.20*sin(2*PI*277.18*t)+0.12*sin(2*PI*440*t)*(0.5+0.5*sin(2*PI*"
                              "0.25*t))+0.04*(random(1)-0.5)";
    const std::string source = "aevalsrc=exprs='" + left + "|" + right +
                               "':s=" + std::to_string(rate) + ":d=" + std::to_string(seconds);
    return run("ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i " + quote(source) +
               " -c:a libmp3lame -b:a 192k " + quote(out.string()));
}

} // namespace bench
