// Length texts shown for entries and in the time box.
#pragma once

#include <cstdint>
#include <string>

namespace sorvel {

// Whole minutes and seconds, two digits at least each, joined by ":". Lengths of an hour or more
// show their total minutes (90 minutes read 90:00), so long recordings are not shown as short.
std::string TimeText(int64_t lengthMs);

// Removes every pair of consecutive spaces, scanning left to right ("a  b" -> "ab").
std::string RemoveDoubleSpaces(const std::string& text);

} // namespace sorvel
