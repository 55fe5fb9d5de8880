// The title's scrolling and the time box's text and place.
#include "now_playing_text.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(TitleScroll, MovesThirtyTwipsLeftUntilTheTextHasLeftTheBoxBy1000Twips) {
    EXPECT_EQ(nextTitleScroll(0, 3000, 6000), -30);
    EXPECT_EQ(nextTitleScroll(-3970, 3000, 6000), -4000);
    EXPECT_EQ(nextTitleScroll(-4000, 3000, 6000), -4030); // not yet below -(3000 + 1000)
    EXPECT_EQ(nextTitleScroll(-4030, 3000, 6000), 6000);  // starts again at the right edge
}

TEST(TitleScroll, ATitleNarrowerThanTheBoxStillScrollsRoundTheWholeBox) {
    int32_t position = 6000;
    int ticks = 0;
    while (position <= 6000 && ticks < 1000) {
        position = nextTitleScroll(position, 600, 6000);
        ++ticks;
        if (position == 6000) {
            break;
        }
    }
    // From the right edge to 1600 twips left of the box, 30 twips a tick.
    EXPECT_EQ(position, 6000);
    EXPECT_EQ(ticks, (6000 + 1600) / 30 + 2);
}

TEST(TimeBox, ShowsTotalMinutesAndTheEntrysLength) {
    EXPECT_EQ(timeBoxText(0, "03:20"), "00:00/03:20");
    EXPECT_EQ(timeBoxText(61999, "03:20"), "01:01/03:20");
    // 1 h 2 min 5 s.
    EXPECT_EQ(timeBoxText((3600 + 125) * 1000, "75:00"), "62:05/75:00");
    EXPECT_EQ(timeBoxText(5000, ""), "00:05/");
}

TEST(TimeBox, KeepsItsRightEdgeWhereTheReferenceTextEnds) {
    const int anchor = 22;
    const int reference = 77;
    for (const int width : {70, 77, 84, 120}) {
        EXPECT_EQ(timeBoxLeft(anchor, width, reference) + width, anchor + reference);
    }
}
