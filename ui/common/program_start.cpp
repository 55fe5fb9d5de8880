#include "program_start.h"

namespace sorvel {
namespace fs = std::filesystem;

std::string commandLineFromArguments(const std::vector<std::string>& arguments,
                                     const fs::path& workingFolder) {
    if (arguments.empty() || arguments.front().empty()) {
        return {};
    }
    const std::string& first = arguments.front();
    const fs::path given(first);
    std::error_code error;
    if (given.is_relative() && fs::exists(workingFolder / given, error)) {
        return (workingFolder / given).lexically_normal().string();
    }
    return first;
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
