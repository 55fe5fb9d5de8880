#include "Equalizer.h"

namespace sorvel {

namespace {

const std::array<EqualizerBand, kBandCount> kBands = {{
    {32, "32", "-32"},
    {60, "60", "-60"},
    {125, "125", "-125"},
    {250, "250", "-250"},
    {500, "500", "-500"},
    {1000, "1k", "-1000"},
    {2000, "2k", "-2000"},
    {4000, "4k", "-4000"},
    {8000, "8k", "-8000"},
    {16000, "16k", "-16000"},
    {20000, "20k", "-20000"},
    {22000, "22k", "-22000"},
}};

const std::array<std::string_view, kBuiltInPresetCount> kPresetNames = {
    "Normal", "Rock", "Pop", "Base Boost", "Treble Boost", "Total Boost", "Total Reduce", "Custom",
};

const std::array<BandPositions, kCustomPreset> kPresetValues = {{
    {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100},
    {130, 120, 110, 100, 90, 90, 100, 110, 120, 130, 100, 100},
    {110, 115, 120, 130, 130, 120, 115, 110, 100, 100, 100, 100},
    {130, 140, 120, 110, 100, 100, 100, 100, 100, 100, 100, 100},
    {100, 100, 100, 100, 110, 115, 120, 130, 130, 130, 100, 100},
    {130, 130, 130, 130, 130, 130, 130, 130, 130, 130, 130, 130},
    {70, 70, 70, 70, 70, 70, 70, 70, 70, 70, 70, 70},
}};

} // namespace

const std::array<EqualizerBand, kBandCount>& EqualizerBands() {
    return kBands;
}

float BandGain(int32_t position) {
    return static_cast<float>((200.0 - static_cast<double>(position)) / 100.0);
}

const std::array<std::string_view, kBuiltInPresetCount>& BuiltInPresetNames() {
    return kPresetNames;
}

const BandPositions* BuiltInPresetValues(int index) {
    if (index < 0 || index >= kCustomPreset) {
        return nullptr;
    }
    return &kPresetValues[static_cast<size_t>(index)];
}

BandPositions PositionsForBuiltInPreset(int index, const BandPositions& current) {
    if (index < 0 || index >= kCustomPreset) {
        return current;
    }
    BandPositions positions{};
    const BandPositions& values = kPresetValues[static_cast<size_t>(index)];
    for (size_t band = 0; band < positions.size(); ++band) {
        positions[band] = 200 - values[band];
    }
    return positions;
}

std::vector<CurvePoint> EqualizerCurve(const BandPositions& positions, double width,
                                       double height) {
    std::vector<CurvePoint> points;
    points.reserve(kBandCount + 1);
    points.push_back({0.0, height / 2.0});
    for (size_t band = 0; band < positions.size(); ++band) {
        points.push_back(
            {width / kBandCount * static_cast<double>(band + 1), positions[band] * height / 200.0});
    }
    return points;
}

} // namespace sorvel
