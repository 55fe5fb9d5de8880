// Paths written by Windows programs ("Skins\Blue\back.bmp", "C:\Program Files\..."), found on a
// file system whose names are case-sensitive.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// True when the text starts with a drive letter and a colon ("C:", "d:\x").
bool hasDriveLetter(std::string_view text);

// The components of a path split on "\" and "/", without a drive letter and without empty
// components (so leading, trailing and doubled separators vanish).
std::vector<std::string> splitWindowsPath(std::string_view text);

// Names compare as Windows compares file names for ASCII letters.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The real path for `text`: each component is matched against the folder it lies in, exactly
// when such an entry exists, else ignoring case. Relative text (also text starting with "\",
// which Windows-made files use below the program folder) is taken below `base`; a leading "/"
// is an absolute path of this system. A drive-letter path is tried from the root first; when it
// names nothing there, the longest tail of it that exists below `base` is taken (a skin copied
// from "C:\Program Files\Sorvel\Skins\Blue" is found in base/Skins/Blue). When nothing matches,
// the result keeps the unmatched components as written, so an existence test fails as it should.
std::filesystem::path resolveWindowsPath(std::string_view text, const std::filesystem::path& base);

// resolveWindowsPath below each of `bases` in turn (empty ones skipped): the first result that
// exists, else the result below the first base. The user's folder before the shipped files'
// folder lets a user's skin override a shipped one of the same name.
std::filesystem::path resolveWindowsPathIn(std::string_view text,
                                           const std::vector<std::filesystem::path>& bases);

// An existing path that matches `path` component by component ignoring case, or `path` itself
// when none does. The exact path is preferred whenever it exists.
std::filesystem::path findPathIgnoringCase(const std::filesystem::path& path);

} // namespace sorvel
