// Where a dragged window goes: following the mouse, the dead zone and snapping to the work
// area's edges.
#include "snap_arithmetic.h"

#include <gtest/gtest.h>

using namespace sorvel;

namespace {

constexpr WorkArea kArea{0, 0, 1024, 740};

// A window 300 x 100 pixels at (left, top) pixels, grabbed at (50, 20) pixels, dragged so that
// its left edge would land at `toLeft` pixels (top unchanged). Twips throughout.
std::optional<TwipsPoint> dragTo(float toLeft, bool snap, float top = 300.0f, bool normal = true) {
    const TwipsRect window{400.0f * 15, top * 15, 300.0f * 15, 100.0f * 15};
    const TwipsPoint grab{50.0f * 15, 20.0f * 15};
    SnapSettings settings;
    settings.snapMode = snap;
    const float dx = (toLeft - 400.0f) * 15;
    return snapWindowPosition(window, grab.x + dx, grab.y + 3 * 15, grab, normal, kArea, settings);
}

} // namespace

TEST(SnapWindow, RightEdgesFrom1010To1038PixelsSnapToTheWorkAreaWithTheDockedGap) {
    for (int right = 1010; right <= 1038; ++right) {
        const auto to = dragTo(float(right - 300), true);
        ASSERT_TRUE(to) << right;
        EXPECT_FLOAT_EQ(to->x, 1024.0f * 15 - 4500 - 5) << right;
    }
}

TEST(SnapWindow, BothEndsOfTheMagneticBandAreStrict) {
    for (const int right : {1009, 1039}) {
        const auto to = dragTo(float(right - 300), true);
        ASSERT_TRUE(to);
        EXPECT_FLOAT_EQ(to->x, float(right - 300) * 15) << right;
    }
}

TEST(SnapWindow, LeftAndTopEdgesSnapInsideTheWorkArea) {
    const auto left = dragTo(8.0f, true);
    ASSERT_TRUE(left);
    EXPECT_FLOAT_EQ(left->x, 5.0f);
    // Top edge dragged to 10 pixels below a work area starting at 0.
    const auto top = dragTo(500.0f, true, 10.0f - 3.0f);
    ASSERT_TRUE(top);
    EXPECT_FLOAT_EQ(top->y, 5.0f);
}

TEST(SnapWindow, MouseJitterOfOnePixelDoesNotMoveTheWindow) {
    const TwipsRect window{6000, 4500, 4500, 1500};
    const TwipsPoint grab{750, 300};
    SnapSettings settings;
    for (const bool snap : {false, true}) {
        settings.snapMode = snap;
        EXPECT_FALSE(snapWindowPosition(window, 765, 285, grab, true, kArea, settings));
        EXPECT_FALSE(snapWindowPosition(window, 735, 315, grab, true, kArea, settings));
        EXPECT_TRUE(snapWindowPosition(window, 766, 300, grab, true, kArea, settings));
    }
}

TEST(SnapWindow, WithSnappingOffTheWindowFollowsTheMouseExactly) {
    const auto to = dragTo(1000.0f, false); // right edge far beyond the screen
    ASSERT_TRUE(to);
    EXPECT_FLOAT_EQ(to->x, 1000.0f * 15);
    EXPECT_FLOAT_EQ(to->y, 303.0f * 15);
}

TEST(SnapWindow, AwayFromTheEdgesASnappingDragDoesNotCreep) {
    // Many small moves in the open: the window ends exactly where the mouse took it.
    TwipsRect window{6000, 4500, 4500, 1500};
    const TwipsPoint grab{750, 300};
    SnapSettings settings;
    settings.snapMode = true;
    for (int move = 0; move < 50; ++move) {
        const auto to =
            snapWindowPosition(window, grab.x + 30, grab.y + 30, grab, true, kArea, settings);
        ASSERT_TRUE(to);
        window.left = to->x;
        window.top = to->y;
    }
    EXPECT_FLOAT_EQ(window.left, 6000 + 50 * 30);
    EXPECT_FLOAT_EQ(window.top, 4500 + 50 * 30);
}

TEST(SnapWindow, AMaximisedOrMinimisedWindowIsNeverMoved) {
    EXPECT_FALSE(dragTo(700.0f, true, 300.0f, false));
    EXPECT_FALSE(dragTo(700.0f, false, 300.0f, false));
}
