// Feeds arbitrary bytes to the ID3 and MPEG header parsers, both directly and as a file through
// the same calls the tag editor makes, and checks what must hold for any input: no crash, the
// reported sizes match the file, and writing or removing a tag changes the length by exactly
// one tag.
#include "Mp3Info.h"
#include "fuzz_support.h"
#include "mdlID3.h"
#include "text_encoding.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace {

using namespace sorvel;

using fuzzsupport::require;

// One scratch file for the whole run, its folder removed at exit.
const std::filesystem::path& scratchPath() {
    static const fuzzsupport::ScratchFolder folder("tags_fuzz");
    static const std::filesystem::path file = folder.path() / "tag.mp3";
    return file;
}

std::uint64_t fileSize(const std::filesystem::path& path) {
    return std::filesystem::file_size(path);
}

void checkCp932Cut(std::string_view text) {
    for (std::size_t maxBytes : {0, 1, 2, 4, 28, 30}) {
        const std::string_view cut = text::cutCp932(text, maxBytes);
        require(cut.size() <= maxBytes && text.starts_with(cut));
        // At most one byte is given up, and only to keep a two-byte character whole.
        require(cut.size() + 1 >= std::min(maxBytes, text.size()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::uint64_t skip = ID3v2HeaderSize(bytes);
    require(skip == 0 || skip >= kID3v2HeaderSize);
    checkCp932Cut(text);

    const auto& path = scratchPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        require(out.good());
    }

    Mp3Info info;
    const bool found = ReadMp3Info(path, info);
    if (size >= 4)
        require(info.fileSize == static_cast<std::int32_t>(size));
    require(info.bitrateKbps >= 0 && info.lengthSeconds >= 0 && info.frequencyHz >= 0);
    require(found || info.versionText.empty());

    ID3TagRecord record;
    const bool hadTag = ReadID3v1(path, record);
    require(hadTag == (size >= kID3v1Size && text.substr(size - kID3v1Size).starts_with("TAG")));

    // Arbitrary bytes (often not UTF-8) as the texts to write.
    record.title = std::string(text.substr(0, 40));
    record.comment = std::string(text.substr(size / 2, 40));
    record.track = std::string(text.substr(0, 4));
    require(WriteID3v1(path, record, false));
    const std::uint64_t written = fileSize(path);
    require(written == (hadTag ? size : size + kID3v1Size));

    // What was written reads back, and writing that again gives the same bytes.
    ID3TagRecord readBack;
    require(ReadID3v1(path, readBack));
    const auto first = BuildID3v1Block(readBack);
    ID3TagRecord again;
    require(ParseID3v1Block(first, again));
    require(BuildID3v1Block(again) == first);

    require(RemoveID3v1(path, false));
    require(fileSize(path) == written - kID3v1Size);
    return 0;
}
