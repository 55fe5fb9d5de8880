// The playlist window on the offscreen platform, bound to a player on the no-sound output and
// opened from the main window: the skin's look on both shipped skins and one made on Windows, the
// buttons, menus and keys acting on the list, drops, and its place beside the main window.
#include "Mwnd.h"
#include "PlaylistFrm.h"
#include "PlaylistList.h"
#include "PlaylistRows.h"
#include "SkinButton.h"
#include "clsSnap.h"
#include "engine_fixture.h"
#include "skin_file.h"
#include "skin_layout.h"
#include "skin_shape.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <fstream>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

// The Default skin as made on Windows: its file and folder names in capitals, named with "\\"
// and in another case than the skin file writes them.
fs::path makeWindowsMadeSkin(const fs::path& programFolder) {
    const fs::path from = fs::path(SORVEL_PROGRAM_FOLDER) / "Skins" / "Default";
    const fs::path to = programFolder / "Skins" / "WINMADE";
    fs::create_directories(to / "PLAYLIST");
    auto upper = [](std::string name) {
        for (char& c : name) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return name;
    };
    for (const auto& file : fs::recursive_directory_iterator(from)) {
        if (!file.is_regular_file() || file.path().extension() == ".ssf") {
            continue;
        }
        const fs::path relative = fs::relative(file.path(), from);
        fs::copy_file(file.path(), to / upper(relative.string()),
                      fs::copy_options::overwrite_existing);
    }
    std::ifstream in(from / "Default.ssf", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string dir = "-Dir=Skins\\Default\\";
    text.replace(text.find(dir), dir.size(), "-Dir=Skins\\WinMade\\");
    std::ofstream(to / "WinMade.ssf", std::ios::binary) << text;
    return to / "WinMade.ssf";
}

class PlaylistWindow : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        static int counter = 0;
        state.programFolder = testmedia::mediaDir() / ("plwnd" + std::to_string(++counter));
        fs::create_directories(state.programFolder);
        std::ofstream(state.programFolder / "sorvel_Settings.ini") << "[Etc]\r\n-OutputType=4\r\n";
        const fs::path shipped = SORVEL_PROGRAM_FOLDER;
        const std::string name = GetParam();
        skin =
            name == "WinMade"
                ? ReadSkinDescription(makeWindowsMadeSkin(state.programFolder), state.programFolder)
                : ReadSkinDescription(shipped / "Skins" / name / (name + ".ssf"), shipped);
        main = std::make_unique<Mwnd>(state, skin, pictures, snap);
        main->setMessageBox(&messages);
        PlayerServices services;
        services.messageBox = &messages;
        services.fileDialog = &dialogs;
        services.mainWindow = main.get();
        player = std::make_unique<Player>(state, services);
        main->setPlayer(player.get());
        main->setClosing([this] { player->Shutdown(); });
        window = std::make_unique<PlaylistFrm>(player->playlist(), skin, pictures, snap, *main);
        main->setPlaylistWindow(window.get());
        snap.setWindows(main.get(), window.get());
        player->StartEngine();
        main->move(200, 150);
        QTest::mouseClick(main->button(kPlaylist), Qt::LeftButton, {}, QPoint(2, 2));
    }
    void TearDown() override {
        main->setPlaylistWindow(nullptr);
        window.reset();
        main->close();
    }

    void addTones(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(testmedia::makeTone(name, 440, 0.3).string());
        }
        player->playlist().dropOnList(paths);
    }
    std::vector<QString> column(int column) const {
        std::vector<QString> texts;
        for (int row = 0; row < window->rows()->rowCount(); ++row) {
            texts.push_back(window->rows()->index(row, column).data().toString());
        }
        return texts;
    }
    static QStringList captions(const QMenu* menu) {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return texts;
    }

    PlayerState state;
    SkinDescription skin;
    SkinPictures pictures;
    clsSnap snap;
    enginetest::FakeMessageBox messages;
    enginetest::FakeFileDialog dialogs;
    std::unique_ptr<Mwnd> main;
    std::unique_ptr<Player> player;
    std::unique_ptr<PlaylistFrm> window;
};

} // namespace

TEST_P(PlaylistWindow, OpensFromTheMainWindowSkinnedAndPlacedByTheSkin) {
    const auto& list = skin.playListMain;
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("PlayListEditor"));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->size(), QSize(list.mainWidth, list.mainHeight));
    const QPoint expected = list.magnetMode != 0 ? main->pos() - QPoint(list.mainX, list.mainY)
                                                 : QPoint(list.mainX, list.mainY);
    EXPECT_EQ(window->pos(), expected);

    EXPECT_EQ(window->list()->geometry(),
              QRect(list.listX, list.listY, list.listWidth, list.listHeight));
    EXPECT_EQ(window->list()->palette().color(QPalette::Base), toQColor(list.listBackColor));
    const auto widths = playlistColumnWidths(list.listWidth);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(window->list()->columnWidth(column), widths[static_cast<size_t>(column)]);
    }
    const QStringList tips = {"OpenFile（ファイルを開く）",
                              "SaveFile（プレイリスト保存）",
                              "Remove（選択曲消去）",
                              "Up(上へ）",
                              "Down（下へ）",
                              "Close（閉じる）",
                              "Clear（全消去）"};
    for (int index = 0; index < 7; ++index) {
        SkinButton* button = window->button(index);
        EXPECT_TRUE(button->isVisible()) << index;
        EXPECT_EQ(button->pos(),
                  QPoint(skin.playListButtons[index].x, skin.playListButtons[index].y));
        EXPECT_EQ(button->toolTip(), tips[index]);
    }
    // The skin's clear colour cuts the window's shape where the background shows it.
    const QImage& back = pictures.playlistBackground();
    ASSERT_FALSE(back.isNull());
    if (back.pixel(0, 0) == toQColor(skin.clearColor).rgb()) {
        EXPECT_FALSE(window->mask().contains(QPoint(0, 0)));
    }
    EXPECT_EQ(captions(window->listMenu()),
              (QStringList{"Play (&P)", "Delete (&D)", "-", "ID3編集 (&I)"}));
    EXPECT_EQ(captions(window->backgroundMenu()),
              (QStringList{"Open (&O)", "Save (&S)", "-", "Clear All (&C)", "-", "Close (&Z)"}));
}

TEST_P(PlaylistWindow, ButtonsKeysAndMenusActOnTheSelectedRow) {
    addTones({"wa.wav", "wb.wav", "wc.wav", "wd.wav"});
    PlaylistList* list = window->list();
    EXPECT_EQ(column(0), (std::vector<QString>{"  1.", "  2.", "  3.", "  4."}));

    // Remove by button (acting on release inside it), then by the Delete key.
    list->selectRow(2);
    QTest::mouseClick(window->button(PlaylistFrm::kRemove), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(column(1), (std::vector<QString>{"wa.wav", "wc.wav", "wd.wav"}));
    EXPECT_EQ(column(0), (std::vector<QString>{"  1.", "  2.", "  3."}));
    EXPECT_EQ(list->selectedRow(), 2);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(column(1), (std::vector<QString>{"wa.wav", "wd.wav"}));

    // Ctrl+Down and the Up button move the row and the selection with it.
    list->selectRow(1);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(column(1), (std::vector<QString>{"wd.wav", "wa.wav"}));
    EXPECT_EQ(list->selectedRow(), 2);
    QTest::mouseClick(window->button(PlaylistFrm::kUp), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(column(1), (std::vector<QString>{"wa.wav", "wd.wav"}));
    EXPECT_EQ(list->selectedRow(), 1);

    // Enter plays the selected row; its row takes the complement of the list background.
    list->selectRow(2);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(state.currentIndex, 2);
    EXPECT_EQ(window->rows()->index(1, 1).data(Qt::ForegroundRole).value<QColor>(),
              toQColor(0xFFFFFF - skin.playListMain.listBackColor));
    EXPECT_EQ(window->rows()->index(0, 1).data(Qt::ForegroundRole).value<QColor>(),
              toQColor(skin.playListMain.listForeColor));

    // The tag editor takes only .mp3 files.
    window->listMenu()->actions().at(3)->trigger();
    EXPECT_EQ(messages.texts.back(), "ID3編集機能はMP3ファイルのみ使用可能です");

    // A button let go outside does nothing; Clear empties the list, Close hides the window.
    QTest::mousePress(window->button(PlaylistFrm::kClear), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(window->button(PlaylistFrm::kClear), Qt::LeftButton, {}, QPoint(-50, 2));
    EXPECT_EQ(window->rows()->rowCount(), 2);
    window->CommandControl(PlaylistFrm::kClear);
    EXPECT_EQ(window->rows()->rowCount(), 0);
    EXPECT_EQ(state.entryCount, 0);
    window->backgroundMenu()->actions().at(5)->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_P(PlaylistWindow, DropsOnTheListAddWithoutPlayingAndOnTheWindowStartPlaying) {
    const fs::path tone = testmedia::makeTone("wdrop.wav", 440, 2.0, 44100, 2);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(tone.string()))});
    auto drop = [&](QWidget* target) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &dropped);
    };
    drop(window->list()->viewport());
    EXPECT_EQ(window->rows()->rowCount(), 1);
    EXPECT_FALSE(player->isPlaying());

    drop(window.get());
    EXPECT_EQ(window->rows()->rowCount(), 2);
    EXPECT_TRUE(player->isPlaying());
}

INSTANTIATE_TEST_SUITE_P(Skins, PlaylistWindow, ::testing::Values("Default", "Compact", "WinMade"));
