// Numbers shown beside the options window's sliders, written with the classic numeric patterns:
// "0" a digit always shown, "#" a digit shown only when it carries value, "." the decimal point.
#pragma once

#include <string>
#include <string_view>

namespace sorvel {

// `value` through `pattern` ("0.0", "##0.0", "#0", ...). Rounds half away from zero at the
// pattern's last decimal, taking the value as the shortest decimal that reads back as the same
// float (0.45f rounds to 0.5 with "0.0", as a person reading 0.45 expects). Integer digits beyond
// the pattern's are always shown; negative results get a leading "-", but a value that rounds to
// zero shows no sign. Non-finite values give an empty text.
std::string FormatNumber(float value, std::string_view pattern);

} // namespace sorvel
