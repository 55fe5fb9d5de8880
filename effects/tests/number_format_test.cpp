#include "NumberFormat.h"

#include <gtest/gtest.h>

namespace {

using sorvel::FormatNumber;

TEST(NumberFormat, MandatoryAndOptionalDigits) {
    EXPECT_EQ(FormatNumber(0.5f, "0.0"), "0.5");
    EXPECT_EQ(FormatNumber(1.0f, "0.0"), "1.0");
    EXPECT_EQ(FormatNumber(0.1f, "##0.0"), "0.1");
    EXPECT_EQ(FormatNumber(100.0f, "##0.0"), "100.0");
    EXPECT_EQ(FormatNumber(0.8f, "#0.0"), "0.8");
    EXPECT_EQ(FormatNumber(0.03f, "0.00"), "0.03");
    EXPECT_EQ(FormatNumber(5000.0f, "###0"), "5000");
    EXPECT_EQ(FormatNumber(0.0f, "###0"), "0");
    EXPECT_EQ(FormatNumber(0.0f, "#0"), "0");
    EXPECT_EQ(FormatNumber(7.0f, "0"), "7");
    // Integer digits beyond the pattern's are never cut.
    EXPECT_EQ(FormatNumber(22000.0f, "#0"), "22000");
    // Optional fraction digits vanish when they carry nothing; without any "0" before the point
    // a zero integer part is left out.
    EXPECT_EQ(FormatNumber(2.5f, "0.##"), "2.5");
    EXPECT_EQ(FormatNumber(2.0f, "0.##"), "2.");
    EXPECT_EQ(FormatNumber(0.5f, "#.0"), ".5");
}

TEST(NumberFormat, RoundsHalfAwayFromZeroOnTheFloatsOwnDigits) {
    // 40.1 is not exact as a float (40.0999985); it still shows as 40.1.
    EXPECT_EQ(FormatNumber(static_cast<float>((1001.0 - 600.0) / 10.0), "##0.0"), "40.1");
    EXPECT_EQ(FormatNumber(0.45f, "0.0"), "0.5");
    EXPECT_EQ(FormatNumber(0.25f, "0.0"), "0.3");
    EXPECT_EQ(FormatNumber(2.5f, "0"), "3");
    EXPECT_EQ(FormatNumber(0.04f, "0.0"), "0.0");
    EXPECT_EQ(FormatNumber(9.96f, "0.0"), "10.0");
    EXPECT_EQ(FormatNumber(999.96f, "##0.0"), "1000.0");
}

TEST(NumberFormat, NegativeNumbersGetALeadingMinus) {
    EXPECT_EQ(FormatNumber(-60.0f, "#0"), "-60");
    EXPECT_EQ(FormatNumber(-10.0f, "0.0"), "-10.0");
    EXPECT_EQ(FormatNumber(-0.1f, "0.0"), "-0.1");
    EXPECT_EQ(FormatNumber(-2.5f, "0"), "-3");
    EXPECT_EQ(FormatNumber(-40.0f, "##0"), "-40");
    // Rounded to nothing, no sign is left.
    EXPECT_EQ(FormatNumber(-0.04f, "0.0"), "0.0");
    EXPECT_EQ(FormatNumber(-0.0f, "0"), "0");
}

TEST(NumberFormat, ExtremeValuesAreSafe) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<float>::infinity(), "0.0"), "");
    EXPECT_EQ(FormatNumber(std::numeric_limits<float>::quiet_NaN(), "0.0"), "");
    EXPECT_EQ(FormatNumber(std::numeric_limits<float>::denorm_min(), "0.00"), "0.00");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<float>::max(), "0").size(), 40u);
}

} // namespace
