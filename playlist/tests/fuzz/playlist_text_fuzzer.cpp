// Feeds arbitrary bytes to the playlist file text rules as the bytes of an M3U or PLS file, and
// to the CP932/UTF-8 conversions beneath them. What must hold for any input: nothing crashes,
// the decoded text is UTF-8, lines hold no line break and lose no character, a playlist written
// from the lines reads back as the same lines, and converting to CP932 and back is stable.
#include "fuzz_support.h"
#include "playlist_file_text.h"
#include "text_encoding.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace sorvel;

using fuzzsupport::require;

void checkDecoding(std::string_view bytes, const std::string& text) {
    require(text::isValidUtf8(text));
    std::string_view body = bytes;
    if (body.starts_with("\xEF\xBB\xBF")) {
        body.remove_prefix(3);
    }
    if (text::isValidUtf8(body)) {
        require(text == body);
    } else {
        // CP932 keeps every ASCII byte: line breaks and "=" land where the file has them.
        require(std::count(text.begin(), text.end(), '\n') ==
                std::count(body.begin(), body.end(), '\n'));
        require(std::count(text.begin(), text.end(), '=') ==
                std::count(body.begin(), body.end(), '='));
    }
}

void checkLines(std::string_view text, const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        require(line.find_first_of("\r\n") == std::string::npos);
        joined += line;
    }
    std::string withoutBreaks(text);
    std::erase_if(withoutBreaks, [](char c) { return c == '\r' || c == '\n'; });
    require(joined == withoutBreaks);

    // Saving these entries as M3U and loading that file gives them back unchanged (but for a
    // first entry starting with a byte order mark, which loading takes for the file's own).
    if (lines.empty() || !lines.front().starts_with("\xEF\xBB\xBF")) {
        require(SplitPlaylistLines(DecodePlaylistText(M3uText(lines))) == lines);
    }
}

void checkPlsEntry(const std::string& line) {
    const auto entry = PlsEntryString(line);
    const std::string_view key = std::string_view(line).substr(0, line.find('='));
    require(entry.has_value() == (key.find("Title") == std::string_view::npos));
    if (entry) {
        require(std::string_view(line).ends_with(*entry));
        require(entry->find('=') == std::string::npos);
    }
}

void checkCp932RoundTrip(std::string_view text) {
    const std::string cp932 = text::utf8ToCp932(text);
    const std::string back = text::cp932ToUtf8(cp932);
    require(text::isValidUtf8(back));
    // What the encoder made decodes to characters it makes again byte for byte.
    require(text::utf8ToCp932(back) == cp932);
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        require(cp932 == text && back == text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string text = DecodePlaylistText(bytes);
    checkDecoding(bytes, text);
    const std::vector<std::string> lines = SplitPlaylistLines(text);
    checkLines(text, lines);
    for (const std::string& line : lines) {
        checkPlsEntry(line);
    }

    // The raw bytes as a file name too: PLS rules only for a lower-case ".pls" ending.
    require(UsesPlsRules(bytes) == bytes.ends_with(".pls"));

    checkCp932RoundTrip(text);
    checkCp932RoundTrip(bytes);
    require(text::isValidUtf8(text::cp932ToUtf8(bytes)));
    return 0;
}
