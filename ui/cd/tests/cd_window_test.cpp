// The CD chooser's widgets on the offscreen platform, on a player on the no-sound output with a
// data disc image and an audio disc image as its drives: what the window shows on opening, and
// the drive list and the buttons reaching the player and the playlist. (The double click runs in
// the desktop test.)
#include "CDList.h"
#include "disc_images_fixture.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace sorvel;

namespace {

class CdWindow : public enginetest::DiscImagesTest {
protected:
    void SetUp() override {
        DiscImagesTest::SetUp();
        CdChooserOwners owners;
        owners.state = &state;
        owners.player = player.get();
        owners.messageBox = &messageBox;
        owners.showPlaylistWindow = [this] { ++playlistShown; };
        window = std::make_unique<CDList>(std::move(owners));
        window->open();
        window->drives()->setCurrentIndex(realDrives + 1);
        emit window->drives()->activated(realDrives + 1);
    }
    void TearDown() override {
        window.reset();
        DiscImagesTest::TearDown();
    }
    void clickRow(int row, bool twice = false) {
        QListWidget* list = window->tracks();
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            // The view takes a double click only on the row it was pressed on.
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
    }

    int playlistShown = 0;
    std::unique_ptr<CDList> window;
};

TEST_F(CdWindow, ShowsTheDrivesTheTracksAndTheSevenButtons) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("AudioCD検出"));
    EXPECT_EQ(window->drives()->count(), realDrives + 2);
    EXPECT_TRUE(
        window->drives()->itemText(realDrives + 1).startsWith(QString::fromStdString(audioDrive)));
    ASSERT_EQ(window->tracks()->count(), 3);
    EXPECT_EQ(window->tracks()->item(2)->text(), QStringLiteral("03 - Track03\t"));
    EXPECT_EQ(window->tracks()->selectionMode(), QAbstractItemView::MultiSelection);
    const QStringList captions = {"取り出し",           "更新",   "全選択", "プレイリストに追加",
                                  "プレイリスト全消去", "全解除", "閉じる"};
    for (int index = 0; index < 7; ++index) {
        EXPECT_EQ(window->button(index)->text(), captions[index]);
        EXPECT_EQ(window->button(index)->objectName(), QStringLiteral("Command1_%1").arg(index));
    }

    // The data disc lists nothing; the audio disc again its three tracks.
    emit window->drives()->activated(realDrives);
    EXPECT_EQ(window->tracks()->count(), 0);
    emit window->drives()->activated(realDrives + 1);
    EXPECT_EQ(window->tracks()->count(), 3);
}

TEST_F(CdWindow, ButtonsSelectAppendClearEjectAndClose) {
    clickRow(0);
    clickRow(2);
    QTest::mouseClick(window->button(CDList::kAppend), Qt::LeftButton);
    EXPECT_EQ(playlistShown, 1);
    ASSERT_EQ(player->playlist().rowCount(), 2);
    EXPECT_EQ(state.playlistEntries.at(2).path, "cd:" + audioDrive + "2");

    QTest::mouseClick(window->button(CDList::kSelectAll), Qt::LeftButton);
    EXPECT_EQ(window->tracks()->selectedItems().size(), 3);
    QTest::mouseClick(window->button(CDList::kDeselectAll), Qt::LeftButton);
    EXPECT_TRUE(window->tracks()->selectedItems().isEmpty());

    QTest::mouseClick(window->button(CDList::kClearPlaylist), Qt::LeftButton);
    EXPECT_EQ(player->playlist().rowCount(), 0);
    EXPECT_EQ(playlistShown, 2);

    clickRow(1, true);
    QTest::mouseClick(window->button(CDList::kEject), Qt::LeftButton);
    EXPECT_EQ(messageBox.texts, std::vector<std::string>{std::string(kCdPlayingText)});

    QTest::mouseClick(window->button(CDList::kClose), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->model().listedDisc(), 0u);
}

} // namespace
