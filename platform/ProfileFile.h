// Profile (INI) files as the Windows profile calls read and write them: settings and skin files
// made on Windows must read the same here, and files we write must read the same there.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// One profile file held in memory, for callers that read many keys of the same file. Text is
// UTF-8 in memory; the file may be UTF-8 or CP932 (chosen by whether its bytes are valid UTF-8).
//
// Reading rules: section and key names compare without regard to ASCII case; the first section
// with a matching name is the only one searched and its first matching key wins; lines whose
// first non-blank character is ";" are comments; blanks around names and values are trimmed and
// one pair of matching surrounding quotes (" or ') is removed from a value. Names and values
// handed in that are not valid UTF-8 are taken as CP932, as file bytes are, so that one of them
// never turns the saved file into one that reads as CP932.
class ProfileFile {
public:
    ProfileFile() = default;

    // A missing or unreadable file reads as an empty one.
    static ProfileFile load(const std::filesystem::path& file);
    // As load(), but nothing for a file that exists and cannot be read, so that a writer never
    // replaces such a file.
    static std::optional<ProfileFile> read(const std::filesystem::path& file);

    // The trimmed, unquoted value of the key, or nothing when the section or key is missing.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    // As GetPrivateProfileIntA: a missing or empty value gives `defaultValue`; otherwise
    // optional leading blanks, an optional sign and the leading decimal digits, wrapping at
    // 32 bits; text without leading digits gives 0.
    int getInt(std::string_view section, std::string_view key, int defaultValue) const;

    // As GetPrivateProfileStringA with a buffer of `bufferSize` characters: at most
    // bufferSize - 1 characters (code points, never a cut UTF-8 sequence) of the value, or of
    // `defaultValue` less its trailing blanks when the key is missing.
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize) const;

    // As WritePrivateProfileStringA on the in-memory lines: a value replaces the first matching
    // key's line in place, or is added at the end of its section, or in a new section at the
    // end. No value removes the key; no key removes the whole section. Every other line stays
    // as it was. Returns false, changing nothing, for names or values that hold a line break.
    bool set(std::string_view section, std::optional<std::string_view> key,
             std::optional<std::string_view> value);

    // Writes the lines back as UTF-8 with the file's own line endings, through a temporary file
    // in the same folder renamed over the target, so the old file stays whole if anything
    // fails. Returns false when the file could not be written.
    bool save(const std::filesystem::path& file) const;

    // The whole text as save() writes it. Every line reads back from it as a line: a lone CR
    // that an edit put before an empty line ended by LF is written as CR LF.
    std::string text() const;

private:
    struct Line {
        std::string text;   // UTF-8, without its line ending
        std::string ending; // "\r\n", "\n", "\r" or "" for a last line without one
    };

    std::optional<std::size_t> findSection(std::string_view section) const;
    // Index one past the section's last line (the next header or the end of the file).
    std::size_t sectionEnd(std::size_t header) const;
    std::optional<std::size_t> findKey(std::size_t header, std::string_view key) const;
    void insertLine(std::size_t index, std::string text);

    std::vector<Line> lines_;
    std::string newline_ = "\n";
    bool byteOrderMark_ = false;
};

// The Windows profile calls, one file access each.
int GetPrivateProfileIntA(std::string_view section, std::string_view key, int defaultValue,
                          const std::filesystem::path& file);
std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, std::size_t bufferSize,
                                     const std::filesystem::path& file);
// Creates the file, the section and the key as needed. A null key removes the section, a null
// value removes the key. Returns false, leaving the old file as it was, when writing fails.
bool WritePrivateProfileStringA(std::string_view section, std::optional<std::string_view> key,
                                std::optional<std::string_view> value,
                                const std::filesystem::path& file);

// The integer reading rule of GetPrivateProfileIntA applied to a value that is present.
int parseProfileInt(std::string_view value);

} // namespace sorvel
