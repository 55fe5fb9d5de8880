#include "replay_gain.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace sorvel {
namespace {

constexpr double kLargestGainDb = 60.0;
constexpr double kLargestPeak = 100.0;
// Opus gains are stored against EBU R128's -23 LUFS.
constexpr double kR128ToReplayGainDb = 5.0;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isSpace(text.back()) || text.back() == '\0')) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// A whole decimal number (sign, digits, one '.' or ',' for the fraction), nothing else.
std::optional<double> plainNumber(std::string_view text) {
    std::string number(trimmed(text));
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);
    }
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0.0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || number.empty() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> r128GainDb(std::string_view text) {
    text = trimmed(text);
    int32_t q78 = 0;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), q78);
    if (error != std::errc() || stop != text.data() + text.size() || q78 < -32768 || q78 > 32767) {
        return std::nullopt;
    }
    return q78 / 256.0 + kR128ToReplayGainDb;
}

} // namespace

std::optional<double> parseGainDb(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && equalsIgnoringCase(text.substr(text.size() - 2), "db")) {
        text.remove_suffix(2);
    }
    const std::optional<double> value = plainNumber(text);
    if (!value || std::abs(*value) > kLargestGainDb) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parsePeak(std::string_view text) {
    const std::optional<double> value = plainNumber(text);
    if (!value || *value <= 0.0 || *value > kLargestPeak) {
        return std::nullopt;
    }
    return value;
}

LoudnessValues replayGainFromTags(const std::vector<std::pair<std::string, std::string>>& tags) {
    LoudnessValues values;
    std::optional<double> r128Track;
    std::optional<double> r128Album;
    const auto take = [](std::optional<double>& slot, std::optional<double> value) {
        if (!slot && value) {
            slot = value;
        }
    };
    for (const auto& [name, text] : tags) {
        if (equalsIgnoringCase(name, "REPLAYGAIN_TRACK_GAIN")) {
            take(values.trackGainDb, parseGainDb(text));
        } else if (equalsIgnoringCase(name, "REPLAYGAIN_TRACK_PEAK")) {
            take(values.trackPeak, parsePeak(text));
        } else if (equalsIgnoringCase(name, "REPLAYGAIN_ALBUM_GAIN")) {
            take(values.albumGainDb, parseGainDb(text));
        } else if (equalsIgnoringCase(name, "REPLAYGAIN_ALBUM_PEAK")) {
            take(values.albumPeak, parsePeak(text));
        } else if (equalsIgnoringCase(name, "R128_TRACK_GAIN")) {
            take(r128Track, r128GainDb(text));
        } else if (equalsIgnoringCase(name, "R128_ALBUM_GAIN")) {
            take(r128Album, r128GainDb(text));
        }
    }
    // ReplayGain's own tags win over Opus's where a file has both.
    take(values.trackGainDb, r128Track);
    take(values.albumGainDb, r128Album);
    return values;
}

float replayGainFactor(const LoudnessValues& values, ReplayGainMode mode, double preAmpDb) {
    if (mode == ReplayGainMode::Off) {
        return 1.0f;
    }
    std::optional<double> gain = values.trackGainDb;
    std::optional<double> peak = values.trackPeak;
    if (mode == ReplayGainMode::Album && values.albumGainDb) {
        gain = values.albumGainDb;
        peak = values.albumPeak ? values.albumPeak : values.trackPeak;
    }
    if (!gain) {
        return 1.0f;
    }
    double factor = std::pow(10.0, (*gain + preAmpDb) / 20.0);
    if (peak) {
        factor = std::min(factor, 1.0 / *peak);
    }
    return static_cast<float>(std::min(factor, static_cast<double>(kMaxReplayGainFactor)));
}

std::optional<ReplayGainMode> replayGainModeOf(int32_t value) {
    if (value < 0 || value > 2) {
        return std::nullopt;
    }
    return static_cast<ReplayGainMode>(value);
}

} // namespace sorvel
