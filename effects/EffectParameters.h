// The eight tunable effects and the SFX reverb: their order, unit types, settings keys, and the
// mapping from slider positions to the values sent to the units and the texts shown beside the
// sliders. Pure tables and arithmetic.
#pragma once

#include "soundlib.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sorvel {

// Fixed order: the effect selector, the preset folders and the preset types follow it.
enum class EffectKind : int {
    Distortion = 0,
    Chorus = 1,
    Echo = 2,
    HighPass = 3,
    LowPass = 4,
    Flange = 5,
    Compressor = 6,
    Reverb = 7,
};
inline constexpr int kEffectKindCount = 8;

// One slider of an effect: its range and start, and how its position becomes a value:
// value = (offset - Lv) / divisor, or Lv itself when `direct` (the compressor threshold, whose
// thumb at the top is the lowest value).
struct EffectParameterRow {
    std::string_view label;
    int32_t minimum;
    int32_t maximum;
    int32_t start;
    double offset;
    double divisor;
    bool direct;
    std::string_view pattern;
};

struct EffectDescription {
    EffectKind kind;
    std::string_view name;        // "Chorus": selector entry, preset folder and header word
    std::string_view checkBox;    // "chorus": the on/off check box's caption
    std::string_view settingsKey; // "-Chorus"
    FMOD_DSP_TYPE unitType;
    std::span<const EffectParameterRow> parameters;
};

const EffectDescription& Effect(EffectKind kind);
// Every effect in the fixed order.
std::span<const EffectDescription, kEffectKindCount> Effects();

// The SFX reverb: one more unit with the library's defaults, no parameter sliders.
inline constexpr FMOD_DSP_TYPE kSfxReverbUnitType = FMOD_DSP_TYPE_SFXREVERB;
inline constexpr std::string_view kSfxReverbSettingsKey = "-SfxReverb";
inline constexpr std::string_view kSfxReverbCheckBox = "sfxreverb";

// The parameter panels' captions ("Compresser Controller" as the window has always spelt it).
std::string_view EffectPanelCaption(EffectKind kind);

// The row of parameter `index`, or nothing when the effect has no such parameter.
const EffectParameterRow* EffectParameter(EffectKind kind, int index);

// The value sent for slider position `Lv`, computed in double precision and narrowed to the
// float the library takes. No range test: a position outside the slider goes through as is.
float EffectParameterValue(const EffectParameterRow& row, int32_t Lv);

// The text shown for that value with the row's pattern.
std::string EffectParameterText(const EffectParameterRow& row, int32_t Lv);

} // namespace sorvel
