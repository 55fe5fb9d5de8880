#include "NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace sorvel {

namespace {

// Adds one unit in the last place of a string of decimal digits; true when it overflowed
// ("99" -> "00"), so the caller puts a "1" in front.
bool incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    return true;
}

} // namespace

std::string FormatNumber(float value, std::string_view pattern) {
    if (!std::isfinite(value)) {
        return {};
    }
    const size_t dot = pattern.find('.');
    const std::string_view integerPattern = pattern.substr(0, dot);
    const std::string_view fractionPattern =
        dot == std::string_view::npos ? std::string_view{} : pattern.substr(dot + 1);
    const auto mandatoryIntegerDigits =
        std::count(integerPattern.begin(), integerPattern.end(), '0');
    const auto mandatoryFractionDigits =
        static_cast<size_t>(std::count(fractionPattern.begin(), fractionPattern.end(), '0'));
    const auto fractionDigits =
        static_cast<size_t>(std::count_if(fractionPattern.begin(), fractionPattern.end(),
                                          [](char c) { return c == '0' || c == '#'; }));

    // The shortest decimal that reads back as this float; fixed notation of the smallest
    // subnormal needs about 50 characters.
    char buffer[128];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    const std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
    const size_t point = text.find('.');
    std::string integer(text.substr(0, point));
    std::string fraction(point == std::string_view::npos ? std::string_view{}
                                                         : text.substr(point + 1));

    if (fraction.size() > fractionDigits) {
        const bool roundUp = fraction[fractionDigits] >= '5';
        fraction.resize(fractionDigits);
        if (roundUp) {
            std::string digits = integer + fraction;
            if (incrementDigits(digits)) {
                digits.insert(digits.begin(), '1');
            }
            integer = digits.substr(0, digits.size() - fraction.size());
            fraction = digits.substr(digits.size() - fraction.size());
        }
    }
    while (fraction.size() > mandatoryFractionDigits && fraction.back() == '0') {
        fraction.pop_back();
    }
    fraction.append(mandatoryFractionDigits - std::min(mandatoryFractionDigits, fraction.size()),
                    '0');

    const bool zero =
        std::all_of(integer.begin(), integer.end(), [](char c) { return c == '0'; }) &&
        std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
    integer.erase(0, integer.find_first_not_of('0'));
    if (integer.size() < static_cast<size_t>(mandatoryIntegerDigits)) {
        integer.insert(0, static_cast<size_t>(mandatoryIntegerDigits) - integer.size(), '0');
    }

    std::string result;
    if (value < 0 && !zero) {
        result += '-';
    }
    result += integer;
    if (dot != std::string_view::npos) {
        result += '.';
        result += fraction;
    }
    return result;
}

} // namespace sorvel
