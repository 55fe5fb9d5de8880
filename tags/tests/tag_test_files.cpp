#include "tag_test_files.h"

#include <algorithm>
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

void append(Bytes& bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes bigEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

Bytes id3v1Block(const Bytes& title, std::uint8_t byte125, std::uint8_t byte126,
                 std::uint8_t genre) {
    Bytes block(128, 0);
    const auto put = [&block](std::size_t at, const Bytes& field) {
        std::copy(field.begin(), field.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(0, bytesOf("TAG"));
    put(3, title);
    put(33, bytesOf("Artist"));
    put(63, bytesOf("Album"));
    put(93, bytesOf("1999"));
    put(97, Bytes(28, 'c'));
    block[125] = byte125;
    block[126] = byte126;
    block[127] = genre;
    return block;
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
