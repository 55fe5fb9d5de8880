// Files for the tag tests: a scratch folder per run, raw bytes in and out, and MP3s encoded by
// the ffmpeg command-line tool at test time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tagtest {

using Bytes = std::vector<std::uint8_t>;

// Made on first use, removed with everything in it when the test program ends.
std::filesystem::path scratchDir();

std::filesystem::path writeFile(const std::string& name, const Bytes& bytes);
Bytes readFile(const std::filesystem::path& path);

// The bytes of a text, without a terminating zero.
Bytes bytesOf(std::string_view text);
void append(Bytes& bytes, const Bytes& more);
Bytes bigEndian(std::uint32_t value);

// A 128-byte ID3v1 block: "TAG", `title`, "Artist", "Album", "1999", 28 bytes of 'c', then
// bytes 125 and 126 (zero and track in version 1.1) and the genre number as given.
Bytes id3v1Block(const Bytes& title, std::uint8_t byte125, std::uint8_t byte126,
                 std::uint8_t genre);

// A 1 kHz tone of `seconds` encoded to MP3 by ffmpeg with libmp3lame; `options` go before the
// output name (such as "-ar 22050 -ac 1 -q:a 2"). Empty path when ffmpeg failed.
std::filesystem::path makeMp3(const std::string& name, double seconds, const std::string& options);

} // namespace tagtest
