// The loudness scan from the menu: its window while the worker measures the playlist, the
// results reaching the player's cache file, and stopping it.
#include "LoudnessScanDialog.h"
#include "engine_fixture.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace {

using namespace enginetest;
namespace fs = std::filesystem;

TEST_F(EngineTest, LoudnessScanWindowShowsTheProgressAndTheResultsAreKept) {
    QWidget owner;
    LoudnessScanDialog dialog(*player, messageBox, &owner);
    const auto waitForTheScan = [&] {
        while (dialog.running()) {
            QTest::qWait(20);
        }
    };
    const auto kept = [&] {
        return LoudnessCache::load(state.programFolder / kLoudnessCacheFileName);
    };
    dialog.open();
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(messageBox.texts, std::vector<std::string>{kNothingToScanText});

    const fs::path one = testmedia::makeTone("scan-ui-1.flac", 997, 2.0, 44100, 2, {}, 0.1);
    const fs::path two = testmedia::makeTone("scan-ui-2.ogg", 997, 2.0, 44100, 2, {}, 0.05);
    addToList({one, two, one});
    dialog.open();
    ASSERT_TRUE(dialog.running());
    EXPECT_TRUE(dialog.window()->isVisible());
    EXPECT_FALSE(dialog.window()->isModal());
    EXPECT_EQ(dialog.window()->maximum(), 2);
    waitForTheScan();
    EXPECT_FALSE(dialog.window()->isVisible());
    ASSERT_TRUE(kept().find(two));
    EXPECT_NEAR(*kept().find(two)->trackGainDb, 8.0, 0.5);
    EXPECT_TRUE(kept().find(one)->albumGainDb); // one folder, one album
    EXPECT_TRUE(player->loudnessCache().find(one));

    // Long files: stopped by the window's 中止, and by the player closing.
    fs::remove(state.programFolder / kLoudnessCacheFileName);
    for (int i = 0; i < 3; ++i) {
        addToList({testmedia::makeTone("scan-ui-long" + std::to_string(i) + ".flac", 997, 60.0,
                                       44100, 2, {}, 0.1)});
    }
    dialog.open();
    QTest::mouseClick(dialog.window()->findChild<QPushButton*>(), Qt::LeftButton);
    waitForTheScan();
    EXPECT_FALSE(dialog.window()->isVisible());
    EXPECT_LT(kept().size(), 5u);
    dialog.open();
    ASSERT_TRUE(dialog.running());
    dialog.stop();
    EXPECT_FALSE(dialog.running());
}

} // namespace
