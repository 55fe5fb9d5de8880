#include "skin_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>
#include <limits>

using namespace sorvel;

TEST(SkinFontMapping, WindowsJapaneseFontsBecomeAnInstalledJapaneseFont) {
    const QStringList installed{"DejaVu Sans", "IPAGothic", "Noto Sans CJK JP",
                                "Noto Serif CJK JP"};
    EXPECT_EQ(mapSkinFontFamily("MS UI Gothic", installed), "Noto Sans CJK JP");
    EXPECT_EQ(mapSkinFontFamily("ＭＳ Ｐゴシック", installed), "Noto Sans CJK JP");
    EXPECT_EQ(mapSkinFontFamily("ms pgothic", installed), "Noto Sans CJK JP");
    EXPECT_EQ(mapSkinFontFamily("ＭＳ 明朝", installed), "Noto Serif CJK JP");
    EXPECT_EQ(mapSkinFontFamily("", installed), "Noto Sans CJK JP");
    // Without Noto the IPA font serves.
    EXPECT_EQ(mapSkinFontFamily("MS UI Gothic", {"DejaVu Sans", "IPAGothic"}), "IPAGothic");
    EXPECT_EQ(mapSkinFontFamily("ＭＳ 明朝", {"IPAGothic"}), "IPAGothic");
}

TEST(SkinFontMapping, InstalledFamiliesAreUsedAsTheyAre) {
    const QStringList installed{"DejaVu Sans", "Noto Sans CJK JP"};
    EXPECT_EQ(mapSkinFontFamily("dejavu sans", installed), "DejaVu Sans");
    EXPECT_EQ(mapSkinFontFamily("Noto Sans CJK JP", installed), "Noto Sans CJK JP");
    // An unknown family falls back to the Japanese font so titles keep their glyphs.
    EXPECT_EQ(mapSkinFontFamily("Tahoma", installed), "Noto Sans CJK JP");
    EXPECT_EQ(mapSkinFontFamily("Tahoma", {}), "Tahoma");
}

TEST(SkinFontMapping, PointsArePixelsAtNinetySixDpi) {
    EXPECT_EQ(skinFontPixels(9), 12);
    EXPECT_EQ(skinFontPixels(12), 16);
    EXPECT_EQ(skinFontPixels(0), 12);
    EXPECT_EQ(skinFontPixels(-3), 12);
}

TEST(SkinFont, SkinFontsResolveToAnInstalledJapaneseFont) {
    if (!QFontDatabase::families().contains("Noto Sans CJK JP")) {
        GTEST_SKIP() << "Noto Sans CJK JP is not installed (scripts/install-deps installs it)";
    }
    SkinDescription::Font font;
    font.name = "ＭＳ Ｐゴシック";
    font.size = 9;
    font.bold = 1;
    const QFont qfont = skinFont(font);
    EXPECT_EQ(QFontInfo(qfont).family(), "Noto Sans CJK JP");
    EXPECT_EQ(qfont.pixelSize(), 12);
    EXPECT_TRUE(qfont.bold());
    EXPECT_FALSE(qfont.italic());
}

TEST(SkinFont, TitleFontUsesSizePlusTwoPixels) {
    SkinDescription::Font font;
    font.size = 11;
    font.italic = 1;
    const QFont qfont = skinTitleFont(font);
    EXPECT_EQ(qfont.pixelSize(), 13);
    EXPECT_TRUE(qfont.italic());
    font.size = -5;
    EXPECT_EQ(skinTitleFont(font).pixelSize(), 1);
}

TEST(SkinFont, DamagedSizesStayDrawable) {
    EXPECT_EQ(skinFontPixels(std::numeric_limits<int>::max()), kLargestFontPixels);
    SkinDescription::Font font;
    font.size = std::numeric_limits<int>::max();
    EXPECT_EQ(skinTitleFont(font).pixelSize(), kLargestFontPixels);
}

TEST(SkinFont, TitleIsSemiBoldOnlyForABoldFlagOfOne) {
    SkinDescription::Font font;
    font.size = 9;
    font.bold = 1;
    EXPECT_EQ(skinTitleFont(font).weight(), QFont::DemiBold);
    font.bold = 2;
    EXPECT_EQ(skinTitleFont(font).weight(), QFont::Normal);
    font.bold = 0;
    EXPECT_EQ(skinTitleFont(font).weight(), QFont::Normal);
}
