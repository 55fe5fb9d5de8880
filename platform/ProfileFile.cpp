#include "ProfileFile.h"

#include "atomic_write.h"
#include "text_encoding.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

namespace sorvel {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view blanks = " \t\v\f";

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string_view trimEnd(std::string_view text) {
    const auto last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNames(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The section name of a header line, or nothing for any other line. Like Windows, the name runs
// to the last "]" of the line; a "[" line without one is an ordinary line.
std::optional<std::string_view> headerName(std::string_view line) {
    const std::string_view text = trim(line);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    const auto close = text.rfind(']');
    if (close == std::string_view::npos || close == 0) {
        return std::nullopt;
    }
    return trim(text.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    const std::string_view text = trim(line);
    return !text.empty() && text.front() == ';';
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
    bool hasEquals;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    if (isComment(line) || trim(line).empty() || headerName(line)) {
        return std::nullopt;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return KeyLine{trim(line), {}, false};
    }
    return KeyLine{trim(line.substr(0, equals)), trim(line.substr(equals + 1)), true};
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult readBytes(const std::filesystem::path& file, std::string& bytes) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return ReadResult::Missing;
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        return ReadResult::Failed;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return ReadResult::Failed;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? ReadResult::Failed : ReadResult::Read;
}

} // namespace

int parseProfileInt(std::string_view value) {
    std::size_t index = 0;
    // Windows skips every control character and space before the number.
    while (index < value.size() && static_cast<unsigned char>(value[index]) <= ' ') {
        ++index;
    }
    bool negative = false;
    if (index < value.size() && (value[index] == '-' || value[index] == '+')) {
        negative = value[index] == '-';
        ++index;
    }
    std::uint32_t number = 0; // unsigned so that long digit runs wrap as the Windows call does
    while (index < value.size() && value[index] >= '0' && value[index] <= '9') {
        number = number * 10u + static_cast<std::uint32_t>(value[index] - '0');
        ++index;
    }
    if (negative) {
        number = 0u - number;
    }
    return static_cast<std::int32_t>(number);
}

std::optional<ProfileFile> ProfileFile::read(const std::filesystem::path& file) {
    std::string bytes;
    switch (readBytes(file, bytes)) {
    case ReadResult::Missing:
        return ProfileFile{};
    case ReadResult::Failed:
        return std::nullopt;
    case ReadResult::Read:
        break;
    }

    ProfileFile profile;
    std::string_view body(bytes);
    if (body.starts_with(byteOrderMark)) {
        profile.byteOrderMark_ = true;
        body.remove_prefix(byteOrderMark.size());
    }
    // Windows-made files are CP932; a file that is valid UTF-8 is taken as UTF-8 (plain ASCII
    // reads the same either way).
    const std::string text = text::utf8OrCp932(body);

    bool newlineKnown = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            profile.lines_.push_back({text.substr(start), ""});
            break;
        }
        const std::size_t endingLength = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        std::string ending = text.substr(end, endingLength);
        if (!newlineKnown) {
            profile.newline_ = ending;
            newlineKnown = true;
        }
        profile.lines_.push_back({text.substr(start, end - start), std::move(ending)});
        start = end + endingLength;
    }
    return profile;
}

ProfileFile ProfileFile::load(const std::filesystem::path& file) {
    return read(file).value_or(ProfileFile{});
}

std::optional<std::size_t> ProfileFile::findSection(std::string_view section) const {
    const std::string_view wanted = trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = headerName(lines_[i].text);
        if (name && equalNames(*name, wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t ProfileFile::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !headerName(lines_[i].text)) {
        ++i;
    }
    return i;
}

std::optional<std::size_t> ProfileFile::findKey(std::size_t header, std::string_view key) const {
    const std::string_view wanted = trim(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto line = keyLine(lines_[i].text);
        if (line && equalNames(line->key, wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
    const auto header = findSection(text::utf8OrCp932(section));
    if (!header) {
        return std::nullopt;
    }
    const auto index = findKey(*header, text::utf8OrCp932(key));
    if (!index) {
        return std::nullopt;
    }
    return std::string(unquote(keyLine(lines_[*index].text)->value));
}

int ProfileFile::getInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto value = find(section, key);
    if (!value || value->empty()) {
        return defaultValue;
    }
    return parseProfileInt(*value);
}

std::string ProfileFile::getString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t bufferSize) const {
    if (bufferSize == 0) {
        return {};
    }
    const auto value = find(section, key);
    const std::string_view text = value ? std::string_view(*value) : trimEnd(defaultValue);
    return std::string(text::firstUtf8CodePoints(text, bufferSize - 1));
}

void ProfileFile::insertLine(std::size_t index, std::string text) {
    if (index > 0 && lines_[index - 1].ending.empty()) {
        lines_[index - 1].ending = newline_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), {std::move(text), newline_});
}

bool ProfileFile::set(std::string_view rawSection, std::optional<std::string_view> rawKey,
                      std::optional<std::string_view> rawValue) {
    if (holdsLineBreak(rawSection) || (rawKey && holdsLineBreak(*rawKey)) ||
        (rawValue && holdsLineBreak(*rawValue))) {
        return false;
    }
    // Names and values meet UTF-8 lines: other bytes are read as CP932, as a file's bytes are,
    // so that one such value never makes the saved file read as CP932 and garble every line.
    const std::string section = text::utf8OrCp932(rawSection);
    const std::optional<std::string> key =
        rawKey ? std::optional<std::string>(text::utf8OrCp932(*rawKey)) : std::nullopt;
    const std::optional<std::string> value =
        rawValue ? std::optional<std::string>(text::utf8OrCp932(*rawValue)) : std::nullopt;
    const auto header = findSection(section);

    if (!key) {
        if (header) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
                         lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(*header)));
        }
        return true;
    }
    if (!value) {
        if (header) {
            if (const auto index = findKey(*header, *key)) {
                lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
            }
        }
        return true;
    }

    if (!header) {
        if (!lines_.empty() && !trim(lines_.back().text).empty()) {
            insertLine(lines_.size(), "");
        }
        insertLine(lines_.size(), "[" + section + "]");
        insertLine(lines_.size(), *key + "=" + *value);
        return true;
    }
    if (const auto index = findKey(*header, *key)) {
        // Keep the key as the file spells it, with its spacing around "=".
        std::string& text = lines_[*index].text;
        const auto equals = text.find('=');
        if (equals == std::string::npos) {
            text += "=" + *value;
        } else {
            const auto valueStart = text.find_first_not_of(blanks, equals + 1);
            const auto keep = valueStart == std::string::npos ? text.size() : valueStart;
            text = text.substr(0, keep) + *value;
        }
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next header stay there.
    std::size_t at = sectionEnd(*header);
    while (at > *header + 1 && trim(lines_[at - 1].text).empty()) {
        --at;
    }
    insertLine(at, *key + "=" + *value);
    return true;
}

std::string ProfileFile::text() const {
    std::string out;
    if (byteOrderMark_) {
        out += byteOrderMark;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].text;
        // An edit can put a line ended by a lone CR before an empty line ended by LF; written as
        // they are, the two breaks would read back as one CR LF and the empty line would be lost.
        const bool breaksMerge = lines_[i].ending == "\r" && i + 1 < lines_.size() &&
                                 lines_[i + 1].text.empty() && lines_[i + 1].ending == "\n";
        out += breaksMerge ? std::string_view("\r\n") : std::string_view(lines_[i].ending);
    }
    return out;
}

bool ProfileFile::save(const std::filesystem::path& file) const {
    return writeFileAtomically(file, text());
}

int GetPrivateProfileIntA(std::string_view section, std::string_view key, int defaultValue,
                          const std::filesystem::path& file) {
    return ProfileFile::load(file).getInt(section, key, defaultValue);
}

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, std::size_t bufferSize,
                                     const std::filesystem::path& file) {
    return ProfileFile::load(file).getString(section, key, defaultValue, bufferSize);
}

bool WritePrivateProfileStringA(std::string_view section, std::optional<std::string_view> key,
                                std::optional<std::string_view> value,
                                const std::filesystem::path& file) {
    // A file that exists but cannot be read is never replaced by one holding only this key.
    auto profile = ProfileFile::read(file);
    if (!profile) {
        return false;
    }
    const std::string before = profile->text();
    if (!profile->set(section, key, value)) {
        return false;
    }
    std::error_code error;
    if (profile->text() == before && std::filesystem::exists(file, error)) {
        return true;
    }
    if (!key || !value) {
        // Removing from a file that does not exist creates nothing.
        if (!std::filesystem::exists(file, error)) {
            return true;
        }
    }
    return profile->save(file);
}

} // namespace sorvel
