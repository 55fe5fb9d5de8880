// A CD track entry through the whole engine, on a disc image standing in for a drive.
#include "cd_image.h"
#include "engine_fixture.h"

using namespace enginetest;

namespace {

TEST_F(EngineTest, CdEntryOpensItsTrackWithTheDiscText) {
    const cdtest::ImageDrives drives(cdtest::makeDiscImage("engine_disc").string());
    int count = 0;
    ASSERT_EQ(FMOD_System_GetNumCDROMDrives(state.soundSystem, &count), FMOD_OK);
    ASSERT_GE(count, 1);
    char name[255] = {};
    ASSERT_EQ(FMOD_System_GetCDROMDriveName(state.soundSystem, count - 1, name, 255, nullptr, 0,
                                            nullptr, 0),
              FMOD_OK);
    const std::string entry = std::string("cd:") + name + "1";

    state.currentIndex = 0;
    player->OpenMedia(entry);
    EXPECT_TRUE(state.cdMode);
    EXPECT_NE(state.currentChannel, 0u);
    EXPECT_EQ(state.titleText, "0. Song 2 - Singer 2");
    EXPECT_EQ(state.lengthMs, 113u * 1000 / 75);
    EXPECT_EQ(state.lengthText, "00:01");
    // The list keeps the track string as it is.
    ASSERT_EQ(player->playlist().AddEntry(1, PlaylistController::kOpenHere, entry, true), 0);
    EXPECT_EQ(state.playlistEntries[1].title, "Song 2");
    EXPECT_EQ(state.playlistEntries[1].lengthMs, 1506);
}

} // namespace
