// The real player on an X server with videos made by ffmpeg: each container plays in the video
// window with its picture drawn through OpenGL (Mesa) and its sound on mpv's own (null) output;
// the transport and zoom, stills, the repeat at the end, a damaged file, and a list that goes
// from music to a video and back.
#include "PlayerApplication.h"
#include "program_start.h"
#include "test_media.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

// How many different colours an image holds, counted on a coarse grid.
int colourCount(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 8) {
        for (int x = 0; x < image.width(); x += 8) {
            colours.insert(image.pixel(x, y) & 0xF0F0F0);
        }
    }
    return static_cast<int>(colours.size());
}

class VideoWindowRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Mesa draws OpenGL in software under Xvfb.
        ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        folder_ = testmedia::mediaDir() / "video-program";
        fs::create_directories(folder_);
        provideShippedFiles(folder_, SORVEL_PROGRAM_FOLDER);
        // The library's real-time no-sound output: music plays in real time, and videos follow
        // it to mpv's null audio output.
        std::ofstream(folder_ / "sorvel_Settings.ini") << "[Etc]\r\n-OutputType=2\r\n";
        app_ = std::make_unique<PlayerApplication>(folder_);
        app_->start("");
    }
    static void TearDownTestSuite() { app_.reset(); }

    PlayerApplication& app() { return *app_; }
    DirectShowPlay& window() { return app_->videoWindow(); }
    PlayerState& state() { return app_->state(); }

    template <class Done> static bool waitFor(Done done, int milliseconds = 8000) {
        return QTest::qWaitFor(done, milliseconds);
    }

    // Opens `file` as the command line does and waits until it has played `seconds`.
    void playUntil(const fs::path& file, double seconds) {
        app().player().OpenFromCommandLine(file.string());
        ASSERT_TRUE(window().loaded()) << state().titleText;
        ASSERT_TRUE(waitFor([&] { return window().PositionSeconds() >= seconds; }))
            << file << " stayed at " << window().PositionSeconds();
    }

    // What the X server shows of the video window.
    QImage onScreen() {
        window().raise();
        QTest::qWait(100);
        const QRect area = window().geometry();
        return window()
            .screen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .toImage();
    }

    static inline fs::path folder_;
    static inline std::unique_ptr<PlayerApplication> app_;
};

TEST_F(VideoWindowRun, EveryContainerPlaysWithPictureAndSoundOfItsOwn) {
    for (const char* name : {"clip.avi", "clip.wmv", "clip.mpg", "clip.ogm"}) {
        SCOPED_TRACE(name);
        const fs::path file = testmedia::makeVideo(name, 3.0);
        ASSERT_FALSE(file.empty());
        playUntil(file, 0.8);
        EXPECT_TRUE(state().isVideo);
        EXPECT_NEAR(state().lengthMs, 3000, 100);
        EXPECT_EQ(state().titleText, std::string("0. ") + name);
        EXPECT_TRUE(window().isVisible());
        EXPECT_TRUE(waitFor([&] { return window().size() == QSize(320, 240); }));
        EXPECT_EQ(window().picture()->kind(), QStringLiteral("OpenGL"));
        // The sound is decoded and played by mpv itself.
        EXPECT_EQ(window().player()->property("current-ao"), "null");
        EXPECT_FALSE(window().player()->property("audio-codec-name").empty());
        // The tick follows the video's clock.
        QTest::qWait(300);
        EXPECT_GT(state().positionMs, 800);
        const QImage shown = onScreen();
        EXPECT_GT(colourCount(shown), 8) << "the picture is blank";
        if (std::string(name) == "clip.avi") {
            QDir().mkpath(SORVEL_ARTEFACTS);
            shown.save(QStringLiteral(SORVEL_ARTEFACTS "/video-window.png"));
        }
    }
}

TEST_F(VideoWindowRun, PauseSeekAndZoom) {
    playUntil(testmedia::makeVideo("transport.avi", 4.0), 0.3);

    app().player().menuCommand(kPause);
    EXPECT_FALSE(window().running());
    const double paused = window().PositionSeconds();
    QTest::qWait(400);
    EXPECT_DOUBLE_EQ(window().PositionSeconds(), paused);
    app().player().SeekBarReleased(2500);
    EXPECT_TRUE(waitFor([&] { return std::abs(window().PositionSeconds() - 2.5) < 0.05; }));
    app().player().menuCommand(kPlay);
    EXPECT_TRUE(waitFor([&] { return window().PositionSeconds() > 2.7; }));

    window().menu()->findChild<QAction*>(QStringLiteral("zoom3"))->trigger();
    EXPECT_TRUE(waitFor([&] { return window().size() == QSize(640, 480); }));
    EXPECT_EQ(window().picture()->widget()->geometry(), QRect(0, 0, 640, 480));
}

TEST_F(VideoWindowRun, PrintScreenSavesTheFrameAtItsOwnSize) {
    playUntil(testmedia::makeVideo("still.mpg", 3.0), 0.5);
    const fs::path still = folder_ / "Temp.bmp";
    // The tick finds the key pressed and asks for the name; its box is taken as it comes.
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            box->accept();
        }
    });
    poll.start(20);
    QTest::keyClick(&window(), Qt::Key_Print);
    ASSERT_TRUE(waitFor([&] { return fs::exists(still); }));
    EXPECT_EQ(title, QStringLiteral("JPG出力"));
    const QImage saved(QString::fromStdString(still.string()));
    EXPECT_EQ(saved.size(), QSize(320, 240));
    EXPECT_GT(colourCount(saved), 8) << "the still is blank";
    EXPECT_TRUE(waitFor([&] { return window().running(); }));
}

TEST_F(VideoWindowRun, AVideoRunsAgainAfterItsEnd) {
    playUntil(testmedia::makeVideo("again.wmv", 1.5), 1.0);
    const int32_t index = state().currentIndex;
    ASSERT_TRUE(waitFor([&] { return window().PositionSeconds() < 0.5; }));
    EXPECT_TRUE(waitFor([&] { return window().running() && window().PositionSeconds() > 0.2; }));
    EXPECT_EQ(state().currentIndex, index);
    EXPECT_TRUE(state().isVideo);
}

TEST_F(VideoWindowRun, AListGoesFromMusicToAVideoPastADamagedOneAndBack) {
    const fs::path first = testmedia::makeTone("first.wav", 440, 0.5);
    const fs::path broken = testmedia::makeGarbage("broken.avi", 20000);
    const fs::path movie = testmedia::makeVideo("movie.ogm", 2.0);
    const fs::path last = testmedia::makeTone("last.wav", 660, 2.0);
    PlaylistController& list = app().player().playlist();
    list.clear();
    int32_t slot = 1;
    for (const fs::path& file : {first, broken, movie, last}) {
        ASSERT_EQ(list.AddEntry(slot++, PlaylistController::kOpenHere, file.string(), true), 0);
    }
    list.PlayEntryAt(1);
    EXPECT_FALSE(window().isVisible());

    std::string brokenTitle;
    ASSERT_TRUE(waitFor([&] {
        if (state().currentIndex == 2 && brokenTitle.empty()) {
            brokenTitle = state().titleText;
        }
        return state().currentIndex == 3 && window().running();
    }));
    EXPECT_EQ(brokenTitle.rfind("ERROR! Video: ", 0), 0u) << brokenTitle;
    EXPECT_TRUE(window().isVisible());

    app().player().menuCommand(kNext);
    EXPECT_EQ(state().currentIndex, 4);
    EXPECT_FALSE(state().isVideo);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().loaded());
    EXPECT_TRUE(app().mainWindow().isVisible());
    EXPECT_TRUE(waitFor([&] { return state().positionMs > 300; }));
}

} // namespace
