#include "Equalizer.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvel;

BandPositions flat() {
    BandPositions p{};
    p.fill(100);
    return p;
}

TEST(Equalizer, BandGainFromSliderPosition) {
    EXPECT_FLOAT_EQ(BandGain(5), 1.95f);
    EXPECT_FLOAT_EQ(BandGain(100), 1.0f);
    EXPECT_FLOAT_EQ(BandGain(195), 0.05f);
    EXPECT_FLOAT_EQ(BandGain(70), 1.3f);
}

TEST(Equalizer, BuiltInPresetsSetTheSliders) {
    const auto& names = BuiltInPresetNames();
    EXPECT_EQ(names[0], "Normal");
    EXPECT_EQ(names[3], "Base Boost");
    EXPECT_EQ(names[7], "Custom");

    const BandPositions rock = PositionsForBuiltInPreset(1, flat());
    EXPECT_EQ(rock[0], 70);
    EXPECT_EQ(rock[4], 110);
    EXPECT_EQ(rock[11], 100);
    for (int32_t p : PositionsForBuiltInPreset(5, flat())) {
        EXPECT_EQ(p, 70);
    }
    for (int32_t p : PositionsForBuiltInPreset(6, rock)) {
        EXPECT_EQ(p, 130);
    }
    EXPECT_EQ(PositionsForBuiltInPreset(0, rock), flat());
    // "Custom" and indexes that are not built in leave the sliders where they are.
    EXPECT_EQ(PositionsForBuiltInPreset(7, rock), rock);
    EXPECT_EQ(PositionsForBuiltInPreset(9, rock), rock);
    EXPECT_EQ(PositionsForBuiltInPreset(-1, rock), rock);
    EXPECT_EQ(BuiltInPresetValues(7), nullptr);
    EXPECT_EQ((*BuiltInPresetValues(3))[1], 140);
}

TEST(Equalizer, CurveRunsFromTheMiddleThroughEachBand) {
    BandPositions positions = flat();
    positions[0] = 5;
    positions[11] = 195;
    const auto curve = EqualizerCurve(positions, 240, 100);
    ASSERT_EQ(curve.size(), 13u);
    EXPECT_DOUBLE_EQ(curve[0].x, 0);
    EXPECT_DOUBLE_EQ(curve[0].y, 50);
    EXPECT_DOUBLE_EQ(curve[1].x, 20);
    EXPECT_DOUBLE_EQ(curve[1].y, 2.5); // a raised band lifts its point
    EXPECT_DOUBLE_EQ(curve[6].y, 50);
    EXPECT_DOUBLE_EQ(curve[12].x, 240);
    EXPECT_DOUBLE_EQ(curve[12].y, 97.5);
}

} // namespace
