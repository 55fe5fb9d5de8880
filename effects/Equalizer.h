// The twelve-band graphic equalizer: the band table, the band sliders' gain mapping, the
// built-in presets, the preset choice's effect on the sliders, and the curve drawn in the
// options window. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sorvel {

inline constexpr int kBandCount = 12;

struct EqualizerBand {
    float centreHz;
    std::string_view label;       // under the slider: "1k"
    std::string_view settingsKey; // "-1000"
};

const std::array<EqualizerBand, kBandCount>& EqualizerBands();

// Band sliders: vertical, thumb at the top = most gain.
inline constexpr int32_t kBandSliderMinimum = 5;
inline constexpr int32_t kBandSliderMaximum = 195;
inline constexpr int32_t kBandSliderStep = 5;
inline constexpr int32_t kBandSliderStart = 100; // flat
inline constexpr std::string_view kBandScaleTop = "+95db";
inline constexpr std::string_view kBandScaleBottom = "-95db";

// The gain factor sent for a band slider position: (200 - position) / 100.
float BandGain(int32_t position);

using BandPositions = std::array<int32_t, kBandCount>;

// The preset list always starts with these; entries from kFirstUserPreset on are files.
inline constexpr int kBuiltInPresetCount = 8;
inline constexpr int kCustomPreset = 7;
inline constexpr int kFirstUserPreset = 8;
const std::array<std::string_view, kBuiltInPresetCount>& BuiltInPresetNames();

// Built-in preset 0..6 in hundredths of gain per band (100 = flat); null for other indexes.
const BandPositions* BuiltInPresetValues(int index);

// The slider positions after choosing built-in entry `index` (0..7) with the sliders at
// `current`: each band at 200 - value; "Custom" (7) keeps the sliders where they are. Any other
// index leaves them too (user presets come from files).
BandPositions PositionsForBuiltInPreset(int index, const BandPositions& current);

struct CurvePoint {
    double x;
    double y;
};

// The equalizer curve for a box of the given size: from (0, height / 2) to one point per band
// at x = width / 12 * (band + 1), y = position * height / 200. 13 points.
std::vector<CurvePoint> EqualizerCurve(const BandPositions& positions, double width, double height);

} // namespace sorvel
