// The pure rules of the playlist: next entry, steps, slot growth, time texts and file text.
#include "PlaylistSelection.h"
#include "playlist_file_text.h"
#include "time_text.h"

#include <gtest/gtest.h>
#include <map>

using namespace sorvel;

namespace {

std::vector<PlaylistEntry> listOf(std::initializer_list<const char*> paths) {
    std::vector<PlaylistEntry> entries(1); // slot 0
    for (const char* path : paths) {
        PlaylistEntry entry;
        entry.path = path;
        entries.push_back(entry);
    }
    return entries;
}

double never() {
    return 0.0;
}

TEST(NextAfterEnd, LoopOffEndsTheListAndLoopAllWraps) {
    const auto list = listOf({"a", "b", "c"});
    auto next = ChooseNextAfterEnd(list, 3, 2, 0, 0, never);
    EXPECT_EQ(next.index, 3);
    EXPECT_TRUE(next.play);
    next = ChooseNextAfterEnd(list, 3, 3, 0, 0, never);
    EXPECT_EQ(next.index, 1);
    EXPECT_TRUE(next.stop);
    EXPECT_FALSE(next.play);
    next = ChooseNextAfterEnd(list, 3, 3, 0, 2, never);
    EXPECT_EQ(next.index, 1);
    EXPECT_TRUE(next.play);
    next = ChooseNextAfterEnd(list, 3, 2, 0, 1, never);
    EXPECT_EQ(next.index, 2);
    EXPECT_TRUE(next.play);
    // An empty slot ends the list (loop off) or wraps it (loop all).
    auto gap = listOf({"a", "", "c"});
    EXPECT_TRUE(ChooseNextAfterEnd(gap, 3, 1, 0, 0, never).stop);
    EXPECT_EQ(ChooseNextAfterEnd(gap, 3, 1, 0, 2, never).index, 1);
}

TEST(NextAfterEnd, DirectPlaySlotFollowsOnlyTheLoopModes) {
    const auto list = listOf({"a"});
    EXPECT_FALSE(ChooseNextAfterEnd(list, 1, 0, 0, 0, never).play);
    EXPECT_FALSE(ChooseNextAfterEnd(list, 1, 0, 255, 0, never).play);
    auto again = ChooseNextAfterEnd(list, 1, 0, 0, 1, never);
    EXPECT_TRUE(again.play);
    EXPECT_EQ(again.index, 0);
    auto toList = ChooseNextAfterEnd(list, 1, 0, 0, 2, never);
    EXPECT_EQ(toList.index, 1);
    auto emptyList = ChooseNextAfterEnd(std::vector<PlaylistEntry>(1), 0, 0, 0, 2, never);
    EXPECT_EQ(emptyList.index, 0);
    EXPECT_TRUE(emptyList.play);
    auto emptyFirst = ChooseNextAfterEnd(listOf({"", "b"}), 2, 0, 0, 2, never);
    EXPECT_EQ(emptyFirst.index, 0);
}

TEST(NextAfterEnd, RandomDrawsEveryFilledSlotEquallyOften) {
    const auto list = listOf({"a", "", "c", "d"});
    std::map<int32_t, int> counts;
    const int draws = 3000;
    for (int i = 0; i < draws; ++i) {
        const double r = (i + 0.5) / draws;
        auto next = ChooseNextAfterEnd(list, 4, 1, 255, 0, [r] { return r; });
        ASSERT_TRUE(next.play);
        ++counts[next.index];
    }
    EXPECT_EQ(counts.count(2), 0u);
    EXPECT_EQ(counts[1], 1000);
    EXPECT_EQ(counts[3], 1000);
    EXPECT_EQ(counts[4], 1000);
    // Nothing to draw ends the list instead of drawing forever.
    auto none = ChooseNextAfterEnd(listOf({"", ""}), 2, 1, 255, 0, never);
    EXPECT_TRUE(none.stop);
}

TEST(Steps, BackAndNextStayInsideTheList) {
    const auto list = listOf({"a", "b"});
    EXPECT_FALSE(StepBackTarget(list, 1));
    EXPECT_EQ(StepBackTarget(list, 2), 1);
    EXPECT_EQ(StepNextTarget(list, 2, 1), 2);
    EXPECT_FALSE(StepNextTarget(list, 2, 2));
    EXPECT_EQ(ToggledRandomMode(ToggledRandomMode(0)), 0);
    EXPECT_EQ(NextLoopMode(NextLoopMode(NextLoopMode(0))), 0);
    EXPECT_EQ(NextLoopMode(7), 7);
}

TEST(Steps, SlotGrowthFollowsTheAddRules) {
    std::vector<PlaylistEntry> entries;
    EXPECT_EQ(MakeRoomForSlot(entries, 0, 1), 1);
    EXPECT_EQ(entries.size(), 2u);
    entries = listOf({"a", "b", "c"});
    EXPECT_EQ(MakeRoomForSlot(entries, 3, 7), 7);
    EXPECT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[3].path, "c");
    EXPECT_EQ(MakeRoomForSlot(entries, 7, 2), 7);
}

TEST(Texts, TimeTextShowsTotalMinutes) {
    EXPECT_EQ(TimeText(0), "00:00");
    EXPECT_EQ(TimeText(59999), "00:59");
    EXPECT_EQ(TimeText(3725000), "62:05");
    EXPECT_EQ(TimeText(90 * 60 * 1000), "90:00");
    EXPECT_EQ(TimeText(-5), "00:00");
    EXPECT_EQ(RemoveDoubleSpaces("My  Song"), "MySong");
    EXPECT_EQ(RemoveDoubleSpaces("a   b"), "a b");
}

TEST(PlaylistText, LinesPlsKeysAndM3uOutput) {
    EXPECT_EQ(SplitPlaylistLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitPlaylistLines(" spaced \r\n\r\n"), (std::vector<std::string>{" spaced ", ""}));
    EXPECT_TRUE(UsesPlsRules("/x/list.pls"));
    EXPECT_FALSE(UsesPlsRules("/x/list.PLS"));
    EXPECT_EQ(PlsEntryString("File1=C:\\Music\\a.mp3"), "C:\\Music\\a.mp3");
    EXPECT_EQ(PlsEntryString("Title1=Song"), std::nullopt);
    EXPECT_EQ(PlsEntryString("File2=http://host/a=b"), "b");
    EXPECT_EQ(PlsEntryString("[playlist]"), "[playlist]");
    EXPECT_EQ(M3uText({"a", "cd:D:0"}), "a\r\ncd:D:0\r\n");
    EXPECT_EQ(DecodePlaylistText("\x8B\xC8"), "曲");
    EXPECT_EQ(DecodePlaylistText("\xEF\xBB\xBF曲"), "曲");
}

} // namespace
