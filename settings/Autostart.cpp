#include "Autostart.h"

#include "atomic_write.h"
#include "desktop_entry.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

// The first step of reading an Exec value (desktopExecValue writes it): the escapes every
// string value has.
std::string unescapeStringValue(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (const char next = value[++i]) {
        case 's':
            text += ' ';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            // Not a string escape: left for the quoting step (entries written with one level).
            text += '\\';
            text += next;
        }
    }
    return text;
}

// The program an Exec value starts: its first argument with quoting and "%%" undone. Nothing
// when a quote is left open.
std::optional<std::string> execProgram(const std::string& value) {
    const std::string line = unescapeStringValue(value);
    std::string program;
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            program += line[i];
        }
        if (i >= line.size()) {
            return std::nullopt;
        }
    } else {
        program = line.substr(0, line.find_first_of(" \t"));
    }
    std::string unpercented;
    for (size_t k = 0; k < program.size(); ++k) {
        unpercented += program[k];
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%') {
            ++k;
        }
    }
    return unpercented;
}

} // namespace

fs::path AutostartEntryPath() {
    return xdgConfigHome() / "autostart" / "sorvel.desktop";
}

bool AutostartEnabled(const fs::path& program) {
    std::ifstream in(AutostartEntryPath());
    std::string line;
    bool mainGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with('[')) {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!mainGroup || equals == std::string::npos ||
            line.substr(0, line.find_last_not_of(' ', equals - 1) + 1) != "Exec") {
            continue;
        }
        const size_t value = line.find_first_not_of(' ', equals + 1);
        const std::optional<std::string> started =
            execProgram(value == std::string::npos ? std::string() : line.substr(value));
        return started && *started == program.string();
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
         << "Exec=" << desktopExecValue(program) << "\n"
         << "Icon=sorvel\n"
         << "Terminal=false\n"
         << "X-GNOME-Autostart-enabled=true\n";
    if (!writeFileAtomically(entry, text.str())) {
        return std::strerror(errno);
    }
    return std::nullopt;
}

} // namespace sorvel
