#include "PlaybackRate.h"

#include "NumberFormat.h"

namespace sorvel {

namespace {

const std::array<PlaybackControlDescription, kPlaybackKindCount> kControls = {{
    {PlaybackKind::Pitch, "音程", -12, 12, 0, "-IntervalON", "-Interval"},
    {PlaybackKind::Frequency, "再生速度（周波数加減法）", -100, 100, 0, "-SpeedON", "-Speed"},
    {PlaybackKind::Speed, "再生速度（周波数音程調整法）", -100, 100, 0, "-Speed&IntervalON",
     "-Speed&Interval"},
    {PlaybackKind::FftSize, "FFT", -2, 2, 0, "-FFTON", "-FFT"},
}};

} // namespace

const std::array<PlaybackControlDescription, kPlaybackKindCount>& PlaybackControlTable() {
    return kControls;
}

float PitchRatio(float semitones) {
    return semitones < 0 ? 1.0f + semitones / 24.0f : 1.0f + semitones / 12.0f;
}

float SpeedRatio(float percent) {
    return percent < 0 ? 1.0f - percent / 100.0f : 1.0f - percent / 200.0f;
}

float FrequencyForSlider(float x, float defaultHz) {
    return (x + 100.0f) / 100.0f * defaultHz;
}

float FftSizeForSlider(float x) {
    if (x == -2.0f) {
        return 256.0f;
    }
    if (x == -1.0f) {
        return 512.0f;
    }
    if (x == 0.0f) {
        return 1024.0f;
    }
    if (x == 1.0f) {
        return 2048.0f;
    }
    if (x == 2.0f) {
        return 4096.0f;
    }
    return 0.0f;
}

std::string PlaybackCaption(int32_t kind, int32_t Lv) {
    switch (kind) {
    case 0:
        return Lv >= 1 ? "+" + std::to_string(Lv) : std::to_string(Lv);
    case 1:
        return FormatNumber(static_cast<float>(Lv) / 10.0f, "0.0");
    case 2:
        return FormatNumber(static_cast<float>(Lv), "##0") + "%";
    case 3:
        return FormatNumber(static_cast<float>(Lv), "0");
    default:
        return {};
    }
}

} // namespace sorvel
