// Text conversions for tags, settings, playlists and file names: Japanese files made on Windows
// often carry CP932 (Shift_JIS as Windows writes it) where UTF-8 is expected.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel::text {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut-off sequences.
bool isValidUtf8(std::string_view text);

// CP932 bytes as UTF-8. Bytes that are not CP932 become U+FFFD; a cut-off double-byte
// character at the end becomes one U+FFFD.
std::string cp932ToUtf8(std::string_view bytes);

// Text from files and peers that may have been made on Windows: kept as it is when it is valid
// UTF-8 (plain ASCII reads the same either way), else taken as CP932.
std::string utf8OrCp932(std::string_view bytes);

// UTF-8 as CP932 for tag writers. Characters CP932 cannot hold, and invalid UTF-8 bytes,
// become '?'.
std::string utf8ToCp932(std::string_view text);

// A CP932 lead byte starts a two-byte character; code that cuts CP932 text or counts its
// characters steps over the pair.
constexpr bool isCp932LeadByte(uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The bytes that can follow a lead byte.
constexpr bool isCp932TrailByte(uint8_t byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Cuts for fixed-size fields and buffers. Each returns a start of its input and never splits a
// character; invalid bytes are kept as they are, since cutting is not the place to repair text.

// The longest start of UTF-8 text that fits into maxBytes: the cut steps back over
// continuation bytes.
std::string_view cutUtf8(std::string_view text, size_t maxBytes);

// The first `count` characters of UTF-8 text: each byte that is not a continuation byte starts
// one, and a continuation byte at the very start counts as a character of its own.
std::string_view firstUtf8CodePoints(std::string_view text, size_t count);

// The longest start of CP932 bytes that fits into maxBytes. A lead byte always takes the next
// byte with it, and a lead byte with nothing after it at the end is dropped.
std::string_view cutCp932(std::string_view bytes, size_t maxBytes);

// The lines of a text file made on any system: each ends at CR LF, LF or a lone CR; a last line
// without its line end is a line too. The views point into `text`.
std::vector<std::string_view> splitLines(std::string_view text);

} // namespace sorvel::text
