// Texts the player window shows, as plain functions so they are tested without a window.
#pragma once

#include <string>

namespace sorvel {

// "mm:ss" from milliseconds; minutes keep counting past 99 ("123:04").
std::string formatClock(unsigned int milliseconds);
// "mm:ss / mm:ss", position then length.
std::string positionText(unsigned int positionMs, unsigned int lengthMs);
// The title label's error line: "ERROR! No.<result> <text>" (text may be null).
std::string errorTitle(int result, const char* text);
// What to show for a file path or address: the last path part without query, else the input.
std::string displayName(const std::string& pathOrAddress);

} // namespace sorvel
