// The player on the desktop: group movement of the docked windows, the single-instance
// hand-over, the signals that close the player, and the about box.
#include "SignalQuit.h"
#include "SingleInstance.h"
#include "clsSnap.h"
#include "frmAbout.h"
#include "test_media.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace sorvel;

namespace {

// Runs the event loop until `done` holds or two seconds have passed.
template <class Done> bool processUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

QString socketName(const char* tag) {
    return QString::fromStdString((testmedia::mediaDir() / tag).string());
}

} // namespace

TEST(GroupMovement, InMagnetModeThePlaylistWindowKeepsItsOffsetFromTheMainWindow) {
    QWidget main;
    QWidget playlist;
    main.setGeometry(100, 100, 200, 80);
    playlist.setGeometry(0, 0, 200, 120);
    clsSnap snap;
    snap.setWindows(&main, &playlist);
    snap.setMagnet(true, QPoint(0, -90)); // playlist 90 pixels below the main window

    main.move(300, 200);
    snap.WindowMoved(main);
    EXPECT_EQ(playlist.pos(), QPoint(300, 290));

    // Dragging the playlist window drags the main window along.
    snap.setDragState(clsSnap::DragState::Playlist);
    playlist.move(50, 400);
    snap.WindowMoved(playlist);
    snap.setDragState(clsSnap::DragState::None);
    EXPECT_EQ(main.pos(), QPoint(50, 310));

    // A program move of the playlist window alone does not move the main window.
    playlist.move(70, 420);
    snap.WindowMoved(playlist);
    EXPECT_EQ(main.pos(), QPoint(50, 310));

    // The program's own placing of either window (at start, restoring, switching top-most)
    // leaves the partner where it is, even when the window system reports the move late; a
    // later move the program did not make (the window manager dragging the title) drags it.
    snap.placeByProgram(main, QPoint(500, 500));
    snap.WindowMoved(main);
    snap.WindowMoved(main);
    EXPECT_EQ(playlist.pos(), QPoint(70, 420));
    main.move(510, 500);
    snap.WindowMoved(main);
    EXPECT_EQ(playlist.pos(), QPoint(510, 590));

    // Without magnet mode the windows move independently.
    snap.setMagnet(false, QPoint(0, -90));
    main.move(10, 10);
    snap.WindowMoved(main);
    EXPECT_EQ(playlist.pos(), QPoint(510, 590));
}

TEST(GroupMovement, ADragFollowsTheMouseAndStaysPutWithinTheDeadZone) {
    QWidget main;
    main.setGeometry(200, 150, 300, 100);
    clsSnap snap;
    snap.ButtonDown(main, QPoint(40, 10));
    snap.DragMain(main, QPoint(200 + 41, 150 + 10)); // one pixel: jitter
    EXPECT_EQ(main.pos(), QPoint(200, 150));
    snap.DragMain(main, QPoint(200 + 40 + 25, 150 + 10 + 7));
    EXPECT_EQ(main.pos(), QPoint(225, 157));
}

TEST(SingleInstance, ASecondStartHandsItsCommandLineToTheRunningPlayer) {
    const QString name = socketName("instance-a");
    EXPECT_FALSE(SingleInstance::otherInstanceRunning(name));
    SingleInstance server(name);
    server.listen();
    ASSERT_TRUE(server.listening());
    QSignalSpy received(&server, &SingleInstance::commandLineReceived);

    // The hand-over waits for the answer, which the server gives from this event loop.
    bool handed = false;
    std::thread second(
        [&] { handed = SingleInstance::handOver(name, QStringLiteral("/music/曲 1.mp3")); });
    const bool arrived = processUntil([&] { return received.count() == 1; });
    second.join();
    ASSERT_TRUE(arrived);
    EXPECT_TRUE(handed);
    EXPECT_EQ(received.at(0).at(0).toString(), QStringLiteral("/music/曲 1.mp3"));
    server.close();
    EXPECT_FALSE(SingleInstance::handOver(name, QStringLiteral("x")));
}

TEST(SingleInstance, ASenderThatLeftBeforeItsAnswerOrMidLineIsNotPlayed) {
    const QString name = socketName("instance-d");
    SingleInstance server(name);
    server.listen();
    ASSERT_TRUE(server.listening());
    QSignalSpy received(&server, &SingleInstance::commandLineReceived);
    const auto sendAndLeave = [&](const char* bytes) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = name.toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(),
                    std::min(sizeof address.sun_path - 1, size_t(path.size())));
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::send(fd, bytes, std::strlen(bytes), 0), ssize_t(std::strlen(bytes)));
        ::close(fd);
    };
    sendAndLeave("/music/gave up.mp3\n"); // its sender has started a player of its own
    sendAndLeave("/music/cut");
    QElapsedTimer waited;
    waited.start();
    processUntil([&] { return waited.elapsed() > 300; });
    EXPECT_EQ(received.count(), 0);
    // The server still serves the next sender.
    bool handed = false;
    std::thread next([&] { handed = SingleInstance::handOver(name, QStringLiteral("/music/b")); });
    EXPECT_TRUE(processUntil([&] { return received.count() == 1; }));
    next.join();
    EXPECT_TRUE(handed);
}

TEST(SingleInstance, ANameLeftBehindByADeadPlayerIsTakenOver) {
    const QString name = socketName("instance-b");
    {
        // A socket file that no one listens on any more, as after a crash.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = name.toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(),
                    std::min(sizeof address.sun_path - 1, size_t(path.size())));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_FALSE(SingleInstance::otherInstanceRunning(name));
    SingleInstance server(name);
    server.listen();
    EXPECT_TRUE(server.listening());
    EXPECT_TRUE(SingleInstance::otherInstanceRunning(name));
}

TEST(SingleInstance, ARestartedPlayerWaitsForTheClosingOneBeforeTakingTheName) {
    const QString name = socketName("instance-c");
    SingleInstance closing(name);
    closing.listen();
    ASSERT_TRUE(closing.listening());
    SingleInstance restarted(name);
    restarted.listen();
    EXPECT_FALSE(restarted.listening()); // the running player keeps its name
    closing.close();
    EXPECT_TRUE(processUntil([&] { return restarted.listening(); }));
    EXPECT_TRUE(SingleInstance::otherInstanceRunning(name));
}

TEST(SingleInstance, TheNameCarriesTheTopicAndTheUser) {
    const QString name = SingleInstance::serverName();
    EXPECT_TRUE(name.contains(QStringLiteral("Media Player Sorvel|Form1-")));
}

TEST(StopSignals, TheFirstSignalAsksThePlayerToCloseAndASecondEndsTheProcess) {
    SignalQuit quit;
    ASSERT_TRUE(quit.installed());
    QSignalSpy requested(&quit, &SignalQuit::quitRequested);
    ::raise(SIGINT);
    ASSERT_TRUE(processUntil([&] { return requested.count() == 1; }));
    EXPECT_EQ(requested.at(0).at(0).toInt(), SIGINT);
    // The death test's child inherits the first signal's mark.
    EXPECT_EXIT(::raise(SIGTERM), ::testing::ExitedWithCode(128 + SIGTERM), "");
}

TEST(StopSignals, AModalBoxIsCancelledAndItsLoopReportedUntilItReturns) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Sorvel"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    bool nested = false;
    QTimer::singleShot(50, [&] { nested = SignalQuit::dismissModalWindows(0); });
    const int answer = box.exec();
    EXPECT_TRUE(nested);
    EXPECT_NE(answer, QMessageBox::Yes);
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(SignalQuit::dismissModalWindows(0));
}

TEST(AboutBox, ShowsTheTitleAndVersionAndClosesWithOk) {
    frmAbout about(QStringLiteral("Sorvel"), QStringLiteral("0.1.0"), nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Sorvelのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(aboutVersionLine(QStringLiteral("1.2.3.4")), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.2.3.4"));
    EXPECT_EQ(aboutVersionLine(QStringLiteral("2")), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 2.0.0.0"));
    about.show();
    about.cmdOK()->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
