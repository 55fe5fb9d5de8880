// The four playback controls (pitch, frequency, speed, FFT size of the pitch shifter): their
// sliders, check boxes and settings keys, and the arithmetic from slider position to library
// value and caption text. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvel {

// The control index is also the kind number of PlayDSPChange.
enum class PlaybackKind : int { Pitch = 0, Frequency = 1, Speed = 2, FftSize = 3 };
inline constexpr int kPlaybackKindCount = 4;

struct PlaybackControlDescription {
    PlaybackKind kind;
    std::string_view checkBox; // the check box's caption
    int32_t minimum;
    int32_t maximum;
    int32_t start;
    std::string_view onKey;    // settings key of the on/off state
    std::string_view valueKey; // settings key of the slider position
};

const std::array<PlaybackControlDescription, kPlaybackKindCount>& PlaybackControlTable();

// Pitch factor for a pitch slider in semitones: straight lines, half an octave down at -12 and
// one up at +12 (not the equal-tempered curve).
float PitchRatio(float semitones);
// Speed slider in percent to the factor the pitch shifter corrects by: the channel runs at
// 1 / factor of its rate. -100 gives 2.0 (half speed), 100 gives 0.5 (double speed).
float SpeedRatio(float percent);
// The channel rate for frequency slider x on a sound whose own rate is `defaultHz`.
float FrequencyForSlider(float x, float defaultHz);
// The pitch shifter's FFT size for slider -2..2 (256..4096); 0 for any other position.
float FftSizeForSlider(float x);

// The caption beside playback slider `kind` at position Lv; empty for a kind outside 0..3.
std::string PlaybackCaption(int32_t kind, int32_t Lv);

} // namespace sorvel
