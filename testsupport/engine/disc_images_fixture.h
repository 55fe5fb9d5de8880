// A player on the no-sound output (EngineTest) whose CD drives end with two disc images made for
// the test: a data disc, then the three-track audio disc of cd_image.h.
#pragma once

#include "cd_image.h"
#include "engine_fixture.h"

#include <memory>
#include <string>

namespace enginetest {

class DiscImagesTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        {
            const cdtest::ImageDrives none("");
            ASSERT_EQ(FMOD_System_GetNumCDROMDrives(state.soundSystem, &realDrives), FMOD_OK);
        }
        static int counter = 0;
        const std::string name = "discs" + std::to_string(++counter);
        dataDisc = cdtest::makeDataDiscImage(name + "-data");
        audioDisc = cdtest::makeDiscImage(name + "-audio");
        images =
            std::make_unique<cdtest::ImageDrives>(dataDisc.string() + ":" + audioDisc.string());
        audioDrive = std::string(1, static_cast<char>('D' + realDrives + 1)) + ":";
    }

    // The machine's own drives, which come before the images.
    int realDrives = 0;
    std::filesystem::path dataDisc;
    std::filesystem::path audioDisc;
    std::unique_ptr<cdtest::ImageDrives> images;
    // The audio disc's drive name ("E:" without real drives).
    std::string audioDrive;
};

} // namespace enginetest
