// Files and folders dropped on the main window go to the end of the list; the first one plays
// when nothing does.
#include "engine_fixture.h"

#include <fstream>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

class DroppedItems : public enginetest::EngineTest {
protected:
    fs::path tone(const std::string& name, double frequency) {
        return testmedia::makeTone(name, frequency, 0.4, 44100, 2);
    }
};

} // namespace

TEST_F(DroppedItems, AFolderAndAFileFillTheSlotsAfterTheListWithoutAGap) {
    addToList({tone("drop-a.wav", 300)});
    const fs::path folder = testmedia::mediaDir() / "drop-folder";
    fs::create_directories(folder / "inner");
    fs::copy_file(tone("drop-b.wav", 400), folder / "b.wav", fs::copy_options::overwrite_existing);
    fs::copy_file(tone("drop-c.wav", 500), folder / "c.wav", fs::copy_options::overwrite_existing);
    std::ofstream(folder / "notes.txt") << "not audio";
    fs::copy_file(tone("drop-d.wav", 600), folder / "inner" / "d.wav",
                  fs::copy_options::overwrite_existing); // sub-folders are not entered
    const fs::path after = tone("drop-e.wav", 700);

    const DropOutcome outcome =
        player->playlist().addDroppedItems({folder.string(), after.string()});
    EXPECT_EQ(outcome.firstSlot, 2);
    EXPECT_EQ(outcome.added, 3);
    EXPECT_EQ(state.entryCount, 4);
    for (int slot = 2; slot <= 3; ++slot) {
        EXPECT_EQ(fs::path(state.playlistEntries[static_cast<size_t>(slot)].path).parent_path(),
                  folder);
    }
    EXPECT_EQ(state.playlistEntries[4].path, after.string());
}

TEST_F(DroppedItems, AnItemThatCannotBeAddedTakesNoSlot) {
    const fs::path text = testmedia::mediaDir() / "dropped.txt";
    std::ofstream(text) << "plain text";
    const fs::path good = tone("drop-good.wav", 440);
    const DropOutcome outcome = player->playlist().addDroppedItems({text.string(), good.string()});
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(state.entryCount, 1);
    EXPECT_EQ(state.playlistEntries[1].path, good.string());
}

TEST_F(DroppedItems, ADropOnAFreshPlayerPlaysTheFirstDroppedEntry) {
    ASSERT_EQ(state.currentChannel, 0u);
    const fs::path first = tone("drop-first.wav", 440);
    const fs::path second = tone("drop-second.wav", 550);
    player->playlist().dropOnMainWindow({first.string(), second.string()});
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_FALSE(state.stoppedFlag);
}

TEST_F(DroppedItems, ADropWhilePlayingOnlyAddsToTheList) {
    const fs::path playing = tone("drop-playing.wav", 440);
    player->OpenMedia(playing.string());
    const FMOD_CHANNEL channel = state.currentChannel;
    ASSERT_NE(channel, 0u);
    player->playlist().dropOnMainWindow({tone("drop-more.wav", 660).string()});
    EXPECT_EQ(state.currentChannel, channel);
    EXPECT_EQ(state.playlistEntries[0].path, playing.string());
    EXPECT_EQ(state.entryCount, 1);
}
