#include "player_text.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(PlayerText, ClockShowsMinutesAndSecondsRoundedDown) {
    EXPECT_EQ(formatClock(0), "00:00");
    EXPECT_EQ(formatClock(999), "00:00");
    EXPECT_EQ(formatClock(59999), "00:59");
    EXPECT_EQ(formatClock(60000), "01:00");
    EXPECT_EQ(formatClock(3599999), "59:59");
    // Long recordings keep counting minutes instead of wrapping at an hour.
    EXPECT_EQ(formatClock(100 * 60000 + 4000), "100:04");
    EXPECT_EQ(formatClock(4294967295u), "71582:47");
}

TEST(PlayerText, PositionLinePutsPositionBeforeLength) {
    EXPECT_EQ(positionText(61000, 245000), "01:01 / 04:05");
}

TEST(PlayerText, ErrorTitleCarriesNumberAndText) {
    EXPECT_EQ(errorTitle(23, "File not found."), "ERROR! No.23 File not found.");
    EXPECT_EQ(errorTitle(25, nullptr), "ERROR! No.25");
    EXPECT_EQ(errorTitle(-1, ""), "ERROR! No.-1");
}

TEST(PlayerText, DisplayNameIsTheFilePartOfPathsAndAddresses) {
    EXPECT_EQ(displayName("/home/me/音楽/曲.mp3"), "曲.mp3");
    EXPECT_EQ(displayName("song.ogg"), "song.ogg");
    EXPECT_EQ(displayName("http://example.com/live/stream.mp3?sid=1"), "stream.mp3");
    EXPECT_EQ(displayName("http://example.com/"), "http://example.com");
    EXPECT_EQ(displayName("http://example.com"), "http://example.com");
    EXPECT_EQ(displayName("/"), "/");
    EXPECT_EQ(displayName(""), "");
}
