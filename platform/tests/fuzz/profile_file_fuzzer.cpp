// Feeds arbitrary bytes to the profile (INI) reader as a file, reads the sections and keys it
// names, then writes one value (or removes a key or a section) through the Windows-style call
// and reads the file back from the disk. What must hold for any file: nothing crashes, the
// written value reads back, and no other line or value of the file is lost or changed.
//
// Input: the file's bytes, optionally followed by "\x01section\x01key\x01value\x01operation".
// Hand-made seeds are plain INI files, for which a value of the first section's first key is
// written. An input that is empty before the first "\x01" stands for a missing file.
#include "ProfileFile.h"
#include "fuzz_support.h"
#include "text_encoding.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using namespace sorvel;

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view blanks = " \t\v\f";
constexpr std::size_t maxLookups = 64;

using fuzzsupport::require;

// One scratch file for the whole run, its folder removed at exit.
const std::filesystem::path& scratchFile() {
    static const fuzzsupport::ScratchFolder folder("profile_fuzz");
    static const std::filesystem::path file = folder.path() / "settings.ini";
    return file;
}

std::optional<std::string> fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Lines as a reader of the saved file sees them: CR LF, CR and LF each end one line.
std::vector<std::string> splitLines(std::string_view text) {
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

struct Name {
    std::string section;
    std::string key;
};

// Section and key names as the file spells them, for lookups that hit. Only a harvest: the
// reader under test decides what they mean.
std::vector<Name> namesIn(const std::vector<std::string>& lines) {
    std::vector<Name> names;
    std::optional<std::string> section;
    for (const std::string& line : lines) {
        if (names.size() >= maxLookups) {
            break;
        }
        const std::string_view text = trim(line);
        if (text.starts_with('[') && text.rfind(']') != std::string_view::npos) {
            section = std::string(text.substr(1, text.rfind(']') - 1));
            names.push_back({*section, ""});
        } else if (section && !text.empty() && !text.starts_with(';')) {
            names.push_back({*section, std::string(text.substr(0, text.find('=')))});
        }
    }
    return names;
}

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

void checkLookups(const ProfileFile& profile, const Name& name) {
    const auto value = profile.find(name.section, name.key);
    profile.getInt(name.section, name.key, -7);
    if (value) {
        require(text::isValidUtf8(*value));
    }
    for (const std::size_t bufferSize : {0, 1, 2, 5, 256}) {
        const std::string text =
            profile.getString(name.section, name.key, " fallback ", bufferSize);
        const std::string_view whole = value ? std::string_view(*value) : " fallback";
        require(whole.starts_with(text));
        require(bufferSize == 0 ? text.empty() : codePoints(text) <= bufferSize - 1);
        if (bufferSize > 0 && codePoints(whole) <= bufferSize - 1) {
            require(text == whole);
        }
    }
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Names and values that are not UTF-8 are taken as CP932 by the profile.
std::string asUtf8(std::string_view text) {
    return text::isValidUtf8(text) ? std::string(text) : text::cp932ToUtf8(text);
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A key whose written line reads back as that key: not a header, not a comment, no "=".
bool plainKey(std::string_view key) {
    const std::string_view name = trim(key);
    return name.find('=') == std::string_view::npos && !name.starts_with('[') &&
           !name.starts_with(';');
}

enum class Operation { WriteValue, RemoveKey, RemoveSection };

struct Request {
    std::string_view file;
    std::string section;
    std::string key;
    std::string value = "written value";
    Operation operation = Operation::WriteValue;
};

Request parseRequest(std::string_view input) {
    Request request;
    const auto cut = input.find('\x01');
    request.file = input.substr(0, cut);
    const std::vector<Name> names = namesIn(splitLines(request.file));
    request.section = names.empty() ? "Section" : names.front().section;
    request.key = names.size() < 2 ? "Key" : names[1].key;
    if (cut == std::string_view::npos) {
        return request;
    }
    std::vector<std::string_view> parts;
    for (std::size_t start = cut + 1;;) {
        const auto end = input.find('\x01', start);
        parts.push_back(input.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    request.section = parts[0];
    if (parts.size() > 1) {
        request.key = parts[1];
    }
    if (parts.size() > 2) {
        request.value = parts[2];
    }
    if (parts.size() > 3 && !parts[3].empty()) {
        request.operation = static_cast<Operation>(static_cast<unsigned char>(parts[3][0]) % 3);
    }
    return request;
}

// Lines of `after` are those of `before` with at most `removedAtMost` lines taken out and at most
// `addedAtMost` put in, all in one place.
void requireOneChange(const std::vector<std::string>& before, const std::vector<std::string>& after,
                      std::size_t removedAtMost, std::size_t addedAtMost) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    require(before.size() - prefix - suffix <= removedAtMost);
    require(after.size() - prefix - suffix <= addedAtMost);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Request request =
        parseRequest(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::filesystem::path& path = scratchFile();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    const bool fileMade = !request.file.empty();
    if (fileMade) {
        std::ofstream out(path, std::ios::binary);
        out.write(request.file.data(), static_cast<std::streamsize>(request.file.size()));
        require(out.good());
    }

    // Reading: any bytes give a profile, and UTF-8 text comes back byte for byte.
    const std::optional<ProfileFile> before = ProfileFile::read(path);
    require(before.has_value());
    const std::string beforeText = before->text();
    std::string_view body = request.file;
    if (body.starts_with(byteOrderMark)) {
        body.remove_prefix(byteOrderMark.size());
    }
    if (text::isValidUtf8(body)) {
        require(beforeText == request.file);
    }
    require(text::isValidUtf8(beforeText));
    require(ProfileFile::load(path).text() == beforeText);

    const std::vector<std::string> beforeLines = splitLines(beforeText);
    const std::vector<Name> names = namesIn(beforeLines);
    for (const Name& name : names) {
        checkLookups(*before, name);
    }
    checkLookups(*before, {request.section, request.key});

    // Writing, then reading the file back from the disk.
    const std::optional<std::string_view> key = request.operation == Operation::RemoveSection
                                                    ? std::nullopt
                                                    : std::optional<std::string_view>(request.key);
    const std::optional<std::string_view> value =
        request.operation == Operation::WriteValue ? std::optional<std::string_view>(request.value)
                                                   : std::nullopt;
    const bool refused = holdsLineBreak(request.section) || (key && holdsLineBreak(*key)) ||
                         (value && holdsLineBreak(*value));
    const bool written = WritePrivateProfileStringA(request.section, key, value, path);
    require(written == !refused);
    const std::optional<std::string> bytesAfter = fileBytes(path);
    if (refused) {
        require(fileMade ? bytesAfter == request.file : !bytesAfter);
        return 0;
    }
    if (!fileMade && !value) {
        require(!bytesAfter); // removing from a missing file creates nothing
        return 0;
    }
    require(bytesAfter.has_value());
    const std::optional<ProfileFile> after = ProfileFile::read(path);
    require(after.has_value());
    const std::vector<std::string> afterLines = splitLines(after->text());

    switch (request.operation) {
    case Operation::WriteValue:
        // The key's line replaced, or a line added to the section, or a new section (a blank
        // line, the header and the key).
        if (before->find(request.section, request.key)) {
            require(afterLines.size() == beforeLines.size());
            requireOneChange(beforeLines, afterLines, 1, 1);
        } else {
            requireOneChange(beforeLines, afterLines, 0, 3);
        }
        if (plainKey(asUtf8(request.key))) {
            require(after->find(request.section, request.key) ==
                    std::string(unquote(trim(asUtf8(request.value)))));
        }
        break;
    case Operation::RemoveKey:
        requireOneChange(beforeLines, afterLines, 1, 0);
        break;
    case Operation::RemoveSection:
        requireOneChange(beforeLines, afterLines, beforeLines.size(), 0);
        break;
    }

    // Every other value reads as before. A key written with "[" or ";" in front or "=" inside
    // makes a header, a comment or another key, as it does on Windows; that is the caller's
    // name to choose, so only plain keys are held to this.
    const std::string section = asUtf8(request.section);
    const std::string writtenKey = asUtf8(request.key);
    if (request.operation == Operation::WriteValue && !plainKey(writtenKey)) {
        return 0;
    }
    for (const Name& name : names) {
        const bool touched =
            sameName(name.section, section) &&
            (request.operation == Operation::RemoveSection || sameName(name.key, writtenKey));
        if (!touched) {
            require(after->find(name.section, name.key) == before->find(name.section, name.key));
        }
    }
    return 0;
}
