#include "skin_shape.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(SkinShape, ColourReferenceBytesAreRedGreenBlue) {
    EXPECT_EQ(toQColor(skinColour(10, 20, 30)), QColor(10, 20, 30));
    EXPECT_EQ(toQColor(0x0000FF), QColor(255, 0, 0));
}

TEST(SkinShape, OnlyExactClearColourPixelsAreCutOut) {
    QImage window(3, 1, QImage::Format_RGB32);
    window.setPixel(0, 0, qRgb(255, 0, 255));
    window.setPixel(1, 0, qRgb(254, 0, 255));
    window.setPixel(2, 0, qRgb(0, 0, 0));
    const QImage mask = clearColourMask(window, skinColour(255, 0, 255));
    ASSERT_EQ(mask.size(), window.size());
    EXPECT_EQ(mask.pixelIndex(0, 0), 0);
    EXPECT_EQ(mask.pixelIndex(1, 0), 1);
    EXPECT_EQ(mask.pixelIndex(2, 0), 1);
    EXPECT_TRUE(clearColourMask(QImage(), 0).isNull());
}
