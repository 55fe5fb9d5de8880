// The CD chooser's logic on a player on the no-sound output, with disc images standing in for
// drives: a data disc first, then a disc of three tone tracks.
#include "CdChooserModel.h"
#include "disc_images_fixture.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

TEST(CdChooserTexts, RowsItemsAndEntryStrings) {
    const std::vector<std::pair<int, std::string>> rows{{1, "01 - Track01\t"},
                                                        {3, "03 - Track03\t"},
                                                        {12, "12 - Track12\t"},
                                                        {100, "100 - Track100\t"}};
    for (const auto& [number, text] : rows) {
        EXPECT_EQ(trackRowText(number), text);
    }
    EXPECT_EQ(driveItemText(std::string("D:\0\0", 4), std::string("/dev/sr0\0", 9)), "D:/dev/sr0");
    EXPECT_EQ(cdEntryString("E:", 2), "cd:E:2");

    const std::vector<std::pair<std::string, int>> infos{
        {"", 0},
        {"CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\ndrive name:\t\tsr0\ndrive "
         "speed:\t\t24\n",
         1},
        {"drive name:\t\tsr1\tsr0\ndrive speed:\t\t24\t24\n", 2},
    };
    for (const auto& [info, count] : infos) {
        EXPECT_EQ(cdromInfoDriveCount(info), count) << info;
    }
}

class CdChooser : public DiscImagesTest {
protected:
    void SetUp() override {
        DiscImagesTest::SetUp();
        CdChooserOwners owners;
        owners.state = &state;
        owners.player = player.get();
        owners.messageBox = &messageBox;
        owners.showPlaylistWindow = [this] { ++playlistShown; };
        chooser = std::make_unique<CdChooserModel>(std::move(owners));
    }
    void TearDown() override {
        chooser.reset();
        DiscImagesTest::TearDown();
    }

    // Whether `sound` is a live handle of the library.
    static bool alive(FMOD_SOUND sound) {
        int count = 0;
        return sound != 0 && FMOD_Sound_GetNumSubSounds(sound, &count) != FMOD_ERR_INVALID_HANDLE;
    }
    const std::string& entryPath(int32_t slot) const {
        return state.playlistEntries.at(static_cast<size_t>(slot)).path;
    }

    int playlistShown = 0;
    std::unique_ptr<CdChooserModel> chooser;
};

TEST_F(CdChooser, OpensOnTheFirstDriveWhoseDiscHasTracks) {
    if (realDrives > 0) {
        GTEST_SKIP() << "a real drive comes before the images";
    }
    chooser->open();
    ASSERT_EQ(chooser->driveItems(),
              (std::vector<std::string>{"D:" + dataDisc.string(), "E:" + audioDisc.string()}));
    EXPECT_EQ(chooser->selectedDrive(), 1);
    EXPECT_EQ(chooser->drive(), "E:");
    EXPECT_EQ(chooser->trackRows(),
              (std::vector<std::string>{"01 - Track01\t", "02 - Track02\t", "03 - Track03\t"}));

    // With no disc that has tracks, the first drive is chosen and lists nothing.
    const cdtest::ImageDrives dataOnly(dataDisc.string());
    chooser->open();
    EXPECT_EQ(chooser->selectedDrive(), 0);
    EXPECT_EQ(chooser->trackCount(), 0);
    EXPECT_TRUE(messageBox.texts.empty());
}

TEST_F(CdChooser, SwitchingDrivesLetsThePreviousDiscGo) {
    chooser->open();
    const FMOD_SOUND first = chooser->listedDisc();
    ASSERT_TRUE(alive(first));
    chooser->selectDrive(realDrives); // the data disc
    EXPECT_FALSE(alive(first));
    EXPECT_EQ(chooser->trackCount(), 0);
    chooser->selectDrive(realDrives + 1);
    EXPECT_EQ(chooser->trackCount(), 3);
    const FMOD_SOUND second = chooser->listedDisc();
    EXPECT_TRUE(alive(second));
    chooser->close();
    EXPECT_FALSE(alive(second));
}

TEST_F(CdChooser, DoubleClickPlaysTheTrackAtOnceWithoutTouchingThePlaylist) {
    chooser->open();
    chooser->selectDrive(realDrives + 1);
    chooser->playTrack(2);
    EXPECT_TRUE(state.cdMode);
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_EQ(entryPath(0), "cd:" + audioDrive + "2");
    EXPECT_EQ(state.titleText, "0. Song 3 - Singer 3");
    EXPECT_EQ(player->playlist().rowCount(), 0);
}

TEST_F(CdChooser, AppendedTracksFollowTheLastRowAndTakeSlotsOnlyWhenAdded) {
    const fs::path tone = testmedia::makeTone("cd-chooser-tone.wav", 440, 0.2);
    addToList({tone, tone, tone, tone, tone});
    chooser->open();
    chooser->selectDrive(realDrives + 1);
    chooser->appendToPlaylist({0, 2});
    EXPECT_EQ(player->playlist().rowCount(), 7);
    EXPECT_EQ(entryPath(6), "cd:" + audioDrive + "0");
    EXPECT_EQ(entryPath(7), "cd:" + audioDrive + "2");
    EXPECT_EQ(state.playlistEntries[7].title, "Song 3");
    EXPECT_EQ(playlistShown, 1);

    // The disc went away after it was listed: no row is added, each try takes the same slot
    // (where AddEntry leaves the record it could not measure), and the window still shows.
    fs::remove(audioDisc);
    chooser->appendToPlaylist({1, 2});
    EXPECT_EQ(player->playlist().rowCount(), 7);
    EXPECT_EQ(state.entryCount, 8);
    EXPECT_EQ(entryPath(8), "cd:" + audioDrive + "2");
    EXPECT_EQ(playlistShown, 2);

    chooser->clearPlaylist();
    EXPECT_EQ(player->playlist().rowCount(), 0);
    EXPECT_EQ(state.entryCount, 0);
    EXPECT_EQ(playlistShown, 3);
}

TEST_F(CdChooser, EjectIsRefusedWhileACdTrackPlaysAndLetsTheDiscsGoAfterStop) {
    chooser->open();
    chooser->selectDrive(realDrives + 1);
    chooser->playTrack(0);
    const FMOD_SOUND listed = chooser->listedDisc();
    const FMOD_SOUND playing = state.cdDriveSound;
    chooser->eject();
    EXPECT_EQ(messageBox.texts, std::vector<std::string>{std::string(kCdPlayingText)});
    EXPECT_TRUE(alive(listed));
    EXPECT_TRUE(alive(playing));

    player->TransportCommand(kStop);
    chooser->eject();
    EXPECT_EQ(messageBox.texts.size(), 1u);
    EXPECT_FALSE(alive(listed));
    EXPECT_FALSE(alive(playing));
    EXPECT_EQ(chooser->listedDisc(), 0u);
    EXPECT_EQ(state.cdDriveSound, 0u);
    EXPECT_EQ(state.currentSound, 0u);
    // A disc image has no tray; that is not an error to show.
    EXPECT_EQ(state.titleText.rfind("ERROR!", 0), std::string::npos) << state.titleText;
}

} // namespace
