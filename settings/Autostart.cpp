#include "Autostart.h"

#include "atomic_write.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

// Exec lines quote arguments with double quotes and escape \ " ` $ inside them.
std::string quotedExec(const fs::path& program) {
    std::string quoted = "\"";
    for (char c : program.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

fs::path AutostartEntryPath() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        return fs::path(config) / "autostart" / "sorvel.desktop";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / ".config" / "autostart" / "sorvel.desktop";
}

bool AutostartEnabled(const fs::path& program) {
    std::ifstream in(AutostartEntryPath());
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Exec=", 0) == 0) {
            return line.find(program.string()) != std::string::npos;
        }
    }
    return false;
}

std::optional<std::string> SetAutostart(bool enabled, const fs::path& program) {
    const fs::path entry = AutostartEntryPath();
    std::error_code error;
    if (!enabled) {
        fs::remove(entry, error);
        if (error) {
            return error.message();
        }
        return std::nullopt;
    }
    fs::create_directories(entry.parent_path(), error);
    if (error) {
        return error.message();
    }
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=Sorvel\n"
         << "Comment=Media Player Sorvel\n"
         << "Exec=" << quotedExec(program) << "\n"
         << "Icon=sorvel\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    if (!writeFileAtomically(entry, text.str())) {
        return std::strerror(errno);
    }
    return std::nullopt;
}

} // namespace sorvel
