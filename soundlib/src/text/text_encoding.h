// Text conversions for tags: Japanese files often carry CP932 (Shift_JIS as Windows writes it)
// where UTF-8 is expected.
#pragma once

#include <string>
#include <string_view>

namespace soundlib {

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

} // namespace soundlib
