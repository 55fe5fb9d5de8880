#include "program_start.h"

#include "file_uri.h"

namespace sorvel {
namespace fs = std::filesystem;

namespace {

std::string handedItem(const std::string& argument, const fs::path& workingFolder) {
    const fs::path given(argument);
    std::error_code error;
    std::string item = argument;
    if (given.is_relative() && argument.find("://") == std::string::npos &&
        fs::exists(workingFolder / given, error)) {
        item = (workingFolder / given).lexically_normal().string();
    }
    return item.find('"') == std::string::npos ? item : fileUriFromPath(item);
}

} // namespace

ProgramArguments parseProgramArguments(const std::vector<std::string>& arguments,
                                       const fs::path& workingFolder) {
    ProgramArguments parsed;
    std::vector<std::string> items;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--help" || argument == "-h")) {
            parsed.action = ProgramArguments::Action::Help;
            return parsed;
        } else if (options && argument == "--version") {
            parsed.action = ProgramArguments::Action::Version;
            return parsed;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            parsed.action = ProgramArguments::Action::Refuse;
            parsed.problem = "unknown option " + argument;
            return parsed;
        } else if (!argument.empty()) {
            items.push_back(handedItem(argument, workingFolder));
        }
    }
    if (items.size() == 1) {
        parsed.commandLine = items.front();
    } else {
        for (const std::string& item : items) {
            parsed.commandLine += (parsed.commandLine.empty() ? "\"" : " \"") + item + '"';
        }
    }
    return parsed;
}

std::string usageText() {
    return "Usage: sorvel [FILE|URI]...\n"
           "       sorvel --help | --version\n"
           "\n"
           "Sorvel, a skinnable media player. It plays the first file or address it is given and\n"
           "adds the others to the playlist after it: music files, M3U and PLS playlists,\n"
           "audio CD tracks (cd:D:0 is the first track in drive D:), http://, https:// and\n"
           "ftp:// addresses, and file:// URIs. A player already running takes them over.\n"
           "\n"
           "  --help     show this text and end\n"
           "  --version  show the version and end\n"
           "  --         what follows are files, even when they begin with \"-\"\n"
           "\n"
           "Keys on the main window: Space play/pause; Z X C V B back, play, pause, stop, next;\n"
           "Left/Right seek 5 s; Up/Down volume; Ctrl+O open; Ctrl+L playlist; Ctrl+P options;\n"
           "Esc minimise. More in `man sorvel`.\n";
}

void provideShippedFiles(const fs::path& programFolder, const fs::path& programDirectory) {
    std::error_code error;
    if (fs::equivalent(programFolder, programDirectory, error)) {
        return;
    }
    for (const char* shipped : {"Skins"}) {
        const fs::path from = programDirectory / shipped;
        const fs::path to = programFolder / shipped;
        if (fs::exists(to, error) || !fs::is_directory(from, error)) {
            continue;
        }
        fs::create_directories(programFolder, error);
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::skip_existing, error);
    }
}

} // namespace sorvel
