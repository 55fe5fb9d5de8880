#include "EffectParameters.h"

#include "NumberFormat.h"

namespace sorvel {

namespace {

// The start positions reproduce the library's default parameters to within one slider step.
constexpr EffectParameterRow kDistortion[] = {
    {"DistortionLevel", 0, 10, 5, 10, 10, false, "0.0"},
};

constexpr EffectParameterRow kChorus[] = {
    {"DRYMIX", 0, 10, 5, 10, 10, false, "0.0"},
    {"WETMIX1", 0, 10, 5, 10, 10, false, "0.0"},
    {"WETMIX2", 0, 10, 5, 10, 10, false, "0.0"},
    {"WETMIX3", 0, 10, 5, 10, 10, false, "0.0"},
    {"DELAY", 1, 1000, 600, 1001, 10, false, "##0.0"},
    {"RATE", 0, 200, 192, 200, 10, false, "#0.0"},
    {"DEPTH", 0, 100, 97, 100, 100, false, "0.00"},
    {"FEEDBACK", 0, 10, 10, 10, 10, false, "0.0"},
};

constexpr EffectParameterRow kEcho[] = {
    {"DELAY", 10, 5000, 4510, 5010, 1, false, "###0"},
    {"DECAYRATIO", 0, 10, 5, 10, 10, false, "0.0"},
    {"MAXCHANNELS", 0, 16, 16, 16, 1, false, "#0"},
    {"DRYMIX", 0, 10, 0, 10, 10, false, "0.0"},
    {"WETMIX", 0, 10, 0, 10, 10, false, "0.0"},
};

// High-pass and low-pass share one mapping.
constexpr EffectParameterRow kPassFilter[] = {
    {"CUTOFF", 10, 22000, 17010, 22010, 1, false, "###0"},
    {"RESONANCE", 10, 100, 100, 110, 10, false, "#0.0"},
};

constexpr EffectParameterRow kFlange[] = {
    {"DRYMIX", 0, 100, 55, 100, 100, false, "0.00"},
    {"WETMIX", 0, 100, 45, 100, 100, false, "0.00"},
    {"DEPTH", 1, 100, 1, 101, 100, false, "0.00"},
    {"RATE", 0, 200, 199, 200, 10, false, "#0.0"},
};

constexpr EffectParameterRow kCompressor[] = {
    {"THRESHOLD", -60, 0, 0, 0, 1, true, "#0"},
    {"ATTACK", 10, 200, 160, 210, 1, false, "##0"},
    {"RELEASE", 20, 1000, 970, 1020, 1, false, "###0"},
    {"GAINMAKEUP", 0, 30, 30, 30, 1, false, "#0"},
};

constexpr EffectParameterRow kReverb[] = {
    {"ROOMSIZE", 0, 10, 5, 10, 10, false, "0.0"},
    {"DAMP", 0, 10, 5, 10, 10, false, "0.0"},
    {"WETMIX", 0, 100, 67, 100, 100, false, "0.00"},
    {"DRYMIX", 0, 100, 34, 100, 100, false, "0.00"},
    {"WIDTH", 0, 10, 0, 10, 10, false, "0.0"},
    {"MODE", 0, 1, 1, 1, 1, false, "0"},
};

const std::array<EffectDescription, kEffectKindCount> kEffects = {{
    {EffectKind::Distortion, "Distortion", "distortion", "-Distortion", FMOD_DSP_TYPE_DISTORTION,
     kDistortion},
    {EffectKind::Chorus, "Chorus", "chorus", "-Chorus", FMOD_DSP_TYPE_CHORUS, kChorus},
    {EffectKind::Echo, "Echo", "echo", "-Echo", FMOD_DSP_TYPE_ECHO, kEcho},
    {EffectKind::HighPass, "HighPass", "highpass", "-HighPass", FMOD_DSP_TYPE_HIGHPASS,
     kPassFilter},
    {EffectKind::LowPass, "LowPass", "lowpass", "-LowPass", FMOD_DSP_TYPE_LOWPASS, kPassFilter},
    {EffectKind::Flange, "Flange", "flange", "-Flange", FMOD_DSP_TYPE_FLANGE, kFlange},
    {EffectKind::Compressor, "Compressor", "compressor", "-Compressor", FMOD_DSP_TYPE_COMPRESSOR,
     kCompressor},
    {EffectKind::Reverb, "Reverb", "reverb", "-Reverb", FMOD_DSP_TYPE_REVERB, kReverb},
}};

constexpr std::string_view kPanelCaptions[kEffectKindCount] = {
    "Distortion Controller", "Chorus Controller", "Echo Controller",       "HighPass Controller",
    "LowPass Controller",    "Flange Controller", "Compresser Controller", "Reverb Controller",
};

} // namespace

const EffectDescription& Effect(EffectKind kind) {
    return kEffects[static_cast<size_t>(kind)];
}

std::span<const EffectDescription, kEffectKindCount> Effects() {
    return kEffects;
}

std::string_view EffectPanelCaption(EffectKind kind) {
    return kPanelCaptions[static_cast<size_t>(kind)];
}

const EffectParameterRow* EffectParameter(EffectKind kind, int index) {
    const auto rows = Effect(kind).parameters;
    if (index < 0 || static_cast<size_t>(index) >= rows.size()) {
        return nullptr;
    }
    return &rows[static_cast<size_t>(index)];
}

float EffectParameterValue(const EffectParameterRow& row, int32_t Lv) {
    const double position = Lv;
    const double value = row.direct ? position : (row.offset - position) / row.divisor;
    return static_cast<float>(value);
}

std::string EffectParameterText(const EffectParameterRow& row, int32_t Lv) {
    return FormatNumber(EffectParameterValue(row, Lv), row.pattern);
}

} // namespace sorvel
