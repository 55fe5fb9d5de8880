#include "EffectParameters.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvel;

std::string text(EffectKind kind, int index, int32_t Lv) {
    const EffectParameterRow* row = EffectParameter(kind, index);
    return row ? EffectParameterText(*row, Lv) : "<none>";
}

float value(EffectKind kind, int index, int32_t Lv) {
    return EffectParameterValue(*EffectParameter(kind, index), Lv);
}

TEST(EffectParameters, StartPositionsShowTheLibraryDefaults) {
    const std::vector<std::vector<std::string>> expected = {
        {"0.5"},
        {"0.5", "0.5", "0.5", "0.5", "40.1", "0.8", "0.03", "0.0"},
        {"500", "0.5", "0", "1.0", "1.0"},
        {"5000", "1.0"},
        {"5000", "1.0"},
        {"0.45", "0.55", "1.00", "0.1"},
        {"0", "50", "50", "0"},
        {"0.5", "0.5", "0.33", "0.66", "1.0", "0"},
    };
    for (const EffectDescription& effect : Effects()) {
        for (size_t i = 0; i < effect.parameters.size(); ++i) {
            const EffectParameterRow& row = effect.parameters[i];
            EXPECT_EQ(EffectParameterText(row, row.start),
                      expected[static_cast<size_t>(effect.kind)][i])
                << effect.name << " " << row.label;
            EXPECT_GE(row.start, row.minimum);
            EXPECT_LE(row.start, row.maximum);
        }
    }
}

TEST(EffectParameters, SliderEndsGiveTheDocumentedRanges) {
    EXPECT_EQ(text(EffectKind::Distortion, 0, 0), "1.0");
    EXPECT_EQ(text(EffectKind::Distortion, 0, 10), "0.0");
    EXPECT_FLOAT_EQ(value(EffectKind::Chorus, 4, 600), 40.1f);
    EXPECT_EQ(text(EffectKind::Chorus, 4, 1), "100.0");
    EXPECT_EQ(text(EffectKind::Chorus, 4, 1000), "0.1");
    EXPECT_EQ(text(EffectKind::Chorus, 5, 0), "20.0");
    EXPECT_EQ(text(EffectKind::Echo, 0, 10), "5000");
    EXPECT_EQ(text(EffectKind::Echo, 0, 5000), "10");
    EXPECT_EQ(text(EffectKind::HighPass, 0, 10), "22000");
    EXPECT_EQ(text(EffectKind::LowPass, 1, 10), "10.0");
    EXPECT_EQ(text(EffectKind::Flange, 2, 100), "0.01");
    EXPECT_EQ(text(EffectKind::Compressor, 0, -60), "-60");
    EXPECT_FLOAT_EQ(value(EffectKind::Compressor, 0, -60), -60.0f);
    EXPECT_EQ(text(EffectKind::Compressor, 1, 10), "200");
    EXPECT_EQ(text(EffectKind::Compressor, 2, 20), "1000");
    EXPECT_EQ(text(EffectKind::Compressor, 3, 0), "30");
}

TEST(EffectParameters, PositionsOutsideTheSliderGoThroughUnchanged) {
    EXPECT_EQ(text(EffectKind::Distortion, 0, 11), "-0.1");
    EXPECT_FLOAT_EQ(value(EffectKind::Echo, 0, 6000), -990.0f);
    EXPECT_EQ(text(EffectKind::Compressor, 0, 5), "5");
}

TEST(EffectParameters, UnknownIndexesHaveNoRow) {
    EXPECT_EQ(EffectParameter(EffectKind::LowPass, 2), nullptr);
    EXPECT_EQ(EffectParameter(EffectKind::Reverb, 6), nullptr);
    EXPECT_EQ(EffectParameter(EffectKind::Chorus, -1), nullptr);
    EXPECT_NE(EffectParameter(EffectKind::Chorus, 7), nullptr);
}

} // namespace
