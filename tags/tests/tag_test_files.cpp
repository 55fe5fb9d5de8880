#include "tag_test_files.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace tagtest {
namespace {

struct ScratchDir {
    ScratchDir() {
        path = std::filesystem::temp_directory_path() /
               ("sorvel_tags_tests_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

} // namespace

std::filesystem::path scratchDir() {
    static const ScratchDir dir;
    return dir.path;
}

std::filesystem::path writeFile(const std::string& name, const Bytes& bytes) {
    const auto path = scratchDir() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::filesystem::path makeMp3(const std::string& name, double seconds, const std::string& options) {
    const auto path = scratchDir() / name;
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "
                                "sine=frequency=1000:duration=" +
                                std::to_string(seconds) + " -c:a libmp3lame " + options + " '" +
                                path.string() + "'";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(path))
        return {};
    return path;
}

} // namespace tagtest
