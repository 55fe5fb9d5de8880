#include "desktop_entry.h"

namespace sorvel {
namespace fs = std::filesystem;

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
