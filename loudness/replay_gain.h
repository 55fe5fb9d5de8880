// ReplayGain: the gain and peak values a file's tags (or a loudness measurement) give, and the
// level a channel plays at for the chosen mode and pre-amp. Plain functions, no sound library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvel {

// The settings' "-ReplayGain": which of a file's gains levels it.
enum class ReplayGainMode : int32_t { Off = 0, Track = 1, Album = 2 };
// "-PreAmp", whole decibels added to every gain that is known.
inline constexpr int32_t kMinPreAmpDb = -15;
inline constexpr int32_t kMaxPreAmpDb = 15;
// ReplayGain 2.0's reference: a gain of 0 dB means the track measures this loudness.
inline constexpr double kReferenceLufs = -18.0;
// The most a channel may be raised (the sound library's limit, +24 dB).
inline constexpr float kMaxReplayGainFactor = 16.0f;

struct LoudnessValues {
    std::optional<double> trackGainDb;
    std::optional<double> trackPeak; // linear, 1.0 = full scale
    std::optional<double> albumGainDb;
    std::optional<double> albumPeak;
    bool hasGain() const { return trackGainDb || albumGainDb; }
    bool operator==(const LoudnessValues&) const = default;
};

// "-6.48 dB", "+3.5dB", " -6,5 DB", "-6": the number in decibels; nothing for text that is not
// a plain number (with an optional "dB" after it) or lies beyond +-60 dB.
std::optional<double> parseGainDb(std::string_view text);
// "0.988831": a linear peak above 0 and at most 100 (floating-point sources may go over 1).
std::optional<double> parsePeak(std::string_view text);

// The values in a file's tags (name, text), names compared without regard to case:
// REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK, _ALBUM_GAIN, _ALBUM_PEAK, and Opus's R128_TRACK_GAIN and
// R128_ALBUM_GAIN (Q7.8 decibels against -23 LUFS). The first valid value of each wins; bad
// values are skipped.
LoudnessValues replayGainFromTags(const std::vector<std::pair<std::string, std::string>>& tags);

// The gain the loudness of a measurement asks for to reach the reference.
inline double gainForLoudness(double lufs) {
    return kReferenceLufs - lufs;
}

// The linear level for a channel: 1 when the mode is off or no gain is known. Album mode takes
// the track's values when the album's are missing. The pre-amp adds to the gain; the result is
// lowered so that the peak, when known, stays within full scale, and never exceeds
// kMaxReplayGainFactor.
float replayGainFactor(const LoudnessValues& values, ReplayGainMode mode, double preAmpDb);

// A settings value as a mode; nothing for numbers that name none.
std::optional<ReplayGainMode> replayGainModeOf(int32_t value);

} // namespace sorvel
