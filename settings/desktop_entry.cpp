#include "desktop_entry.h"

#include <cstdlib>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

fs::path xdgHome(const char* variable, const fs::path& belowHome) {
    if (const char* value = std::getenv(variable); value && fs::path(value).is_absolute()) {
        return value;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / belowHome;
}

} // namespace

fs::path xdgConfigHome() {
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path xdgDataHome() {
    return xdgHome("XDG_DATA_HOME", fs::path(".local") / "share");
}

// An Exec value is read in two steps: first the escapes every string value has (\\ \s \n \t
// \r), then the argument quoting (\" \` \$ \\ inside double quotes) and "%%" for a percent
// sign. Writing builds it the other way round, so a literal backslash in a path takes four.
std::string desktopExecValue(const fs::path& program) {
    std::string quoted = "\"";
    for (char c : program.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%'; // a lone one would start a field code
        }
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

} // namespace sorvel
