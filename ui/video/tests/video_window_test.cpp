// The video window on the offscreen platform with a real video: mpv draws through its software
// renderer here (the offscreen platform has no OpenGL; the OpenGL picture runs in ui_desktop).
// Zoom, full screen, the mouse, the pop-up menu, closing, stills and the sound settings.
#include "DirectShowPlay.h"
#include "TempFolder.h"
#include "test_media.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

class VideoWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::printf("[ NOTE     ] mpv draws with its software renderer here (%s); the OpenGL "
                    "picture is tested by ui_desktop under Xvfb\n",
                    openGlAvailable() ? "OpenGL is left aside" : "no OpenGL on this platform");
    }
    void SetUp() override {
        mainWindow.resize(200, 100);
        mainWindow.show();
        window.setOpenGl(false);
        window.setSoundOutput(VideoSoundOutput::None);
        window.setNameQuestion([this](const QString& title, const QString& prompt,
                                      const QString& initial) -> std::optional<QString> {
            asked << title << prompt << initial;
            return answer;
        });
    }

    // Loads and shows a 320 x 240 clip.
    void present() {
        static const fs::path clip = testmedia::makeVideo("window.avi", 2.0);
        ASSERT_TRUE(window.Load(clip.string())) << window.failure();
        window.Present();
    }
    QWidget* picture() { return window.picture()->widget(); }
    QAction* action(const char* name) { return window.menu()->findChild<QAction*>(name); }

    TempFolder folder;
    QWidget mainWindow;
    DirectShowPlay window{folder.path(), &mainWindow};
    QStringList asked;
    std::optional<QString> answer;
};

TEST_F(VideoWindow, IsACaptionlessToolWindowWithItsMenu) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("DirectShowPlayer"));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowType(), Qt::Tool);
    QStringList captions;
    for (QAction* item : window.menu()->actions()) {
        if (!item->isSeparator()) {
            captions << item->text();
        }
    }
    EXPECT_EQ(captions, QStringList({"zoom 50%", "zoom 100%", "zoom 150%", "zoom 200%",
                                     "Close MovieViewer"}));
    EXPECT_FALSE(window.loaded());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(VideoWindow, ZoomFullScreenAndBackToTheNativeSize) {
    present();
    EXPECT_EQ(window.NativeSize(), (VideoSize{320, 240}));
    EXPECT_FALSE(window.running()); // loaded paused: the engine's tick starts it
    EXPECT_EQ(window.size(), QSize(320, 240));
    action("zoom0")->trigger();
    EXPECT_EQ(window.size(), QSize(160, 120));
    action("zoom3")->trigger();
    EXPECT_EQ(window.size(), QSize(640, 480));
    EXPECT_EQ(picture()->geometry(), QRect(0, 0, 640, 480));

    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_TRUE(window.fullScreen());
    const QSize screen = window.screen()->size();
    EXPECT_EQ(window.size(), screen);
    EXPECT_FALSE(mainWindow.isVisible());
    const int height = static_cast<int>(std::lround(240.0 * screen.width() / 320.0));
    EXPECT_EQ(picture()->geometry(),
              QRect(0, (screen.height() - height) / 2, screen.width(), height));

    // In full screen a left click shows or hides the main window, and the cursor with it.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(window.cursor().shape(), Qt::BlankCursor);

    // Leaving restores the native size, whatever the zoom was.
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(window.fullScreen());
    EXPECT_EQ(window.size(), QSize(320, 240));
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);

    // A resize by hand keeps the picture filling the window.
    window.resize(400, 200);
    EXPECT_EQ(picture()->geometry(), QRect(0, 0, 400, 200));
}

TEST_F(VideoWindow, DraggingMovesTheWindowAndTheRightButtonOpensTheMenu) {
    present();
    mainWindow.hide();
    const QPoint start = window.pos();
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(mainWindow.isVisible());
    QTest::mouseMove(&window, QPoint(130, 110));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(130, 110));
    EXPECT_EQ(window.pos(), start + QPoint(30, 10));

    mainWindow.hide();
    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(window.menu()->isVisible());
    window.menu()->hide();
}

TEST_F(VideoWindow, ClosingRewindsReleasesAndBringsTheMainWindowBack) {
    present();
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_FALSE(mainWindow.isVisible());
    action("close_me")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.loaded());
    EXPECT_FALSE(window.fullScreen());
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(VideoWindow, StillsAskForANameAndSaveTheFrameAsABitmap) {
    present();
    QTest::keyClick(&mainWindow, Qt::Key_Print);
    EXPECT_FALSE(window.stillRequested()) << "only while the video runs";
    window.Run();
    QTest::keyClick(&mainWindow, Qt::Key_Print);
    EXPECT_TRUE(window.stillRequested());

    answer = QString();
    window.SaveVideoStill();
    EXPECT_FALSE(window.stillRequested());
    EXPECT_EQ(asked, QStringList({"JPG出力",
                                  "ファイルは自動的にﾌﾟﾚｲﾔｰのフォルダへ出力されます。\n"
                                  "保存名を入力してください。(拡張子不要）",
                                  "Temp"}));
    EXPECT_TRUE(fs::is_empty(folder.path())) << "an empty name saves nothing";

    answer = QStringLiteral("frame");
    window.SaveVideoStill();
    const QImage still(QString::fromStdString((folder.path() / "frame.bmp").string()));
    EXPECT_EQ(still.size(), QSize(320, 240));
    EXPECT_NE(still.pixel(40, 60), still.pixel(280, 60));
    EXPECT_TRUE(window.running());
}

TEST_F(VideoWindow, AFileWithoutPictureIsRefused) {
    const fs::path audioOnly = testmedia::makeTone("window-sound.ogg", 440, 0.5);
    EXPECT_FALSE(window.Load(audioOnly.string()));
    EXPECT_EQ(window.failure(), "no video stream");
    EXPECT_FALSE(window.loaded());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(VideoWindow, VolumeAndBalanceReachMpv) {
    present();
    window.SetVolume(-6000);
    EXPECT_NEAR(std::stod(window.player()->property("volume")), 10.0, 0.01);
    window.SetBalance(2000);
    EXPECT_NE(window.player()->property("af").find("pan=stereo"), std::string::npos);
    window.SetBalance(0);
    EXPECT_EQ(window.player()->property("af"), "");
    EXPECT_EQ(window.player()->property("ao"), "null");
}

} // namespace
