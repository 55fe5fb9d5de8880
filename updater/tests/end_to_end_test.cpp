// The real updater under a virtual X display (the test runs under xvfb-run), in a program
// folder of its own with a stand-in player, against a loopback server: the answers come from
// SORVEL_UPDATER_ANSWERS. It must install the newer player and documents, start the player
// again, and show its window (kept as build/test-artefacts/updater-window.png).
#include "TempFolder.h"
#include "TestHttpServer.h"
#include "program_version.h"
#include "update_list.h"
#include "update_test_files.h"

#include <QImage>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace sorvel;
namespace fs = std::filesystem;

TEST(UpdaterProgram, UpdatesThePlayerFromTheServerAndStartsItAgain) {
    updatertest::withoutProxies();
    TempFolder folder;
    TempFolder served;
    const fs::path program = folder.path();
    fs::copy_file(UPDATER_BINARY, program / "updater");
    updatertest::copyWithVersion(UPDATER_STUB, program / "sorvel", "1.0.0.0");
    fs::permissions(program / "sorvel", fs::perms(0755));
    folder.write("ReadSorvel.txt", "old read-me\n");
    ASSERT_TRUE(writeUpdateList(program));

    updatertest::copyWithVersion(UPDATER_STUB, served / "sorvel", "1.1.0.0");
    std::map<std::string, nettest::FileReply> files = {
        {"/sorvel", {200, TempFolder::read(served / "sorvel")}},
        {"/SorvelHistory.txt", {200, "history\n"}},
        {"/ReadSorvel.txt", {200, std::string(2500, 'n')}},
        {"/SorvelSkin.txt", {200, ""}},
        {"/sorvelhlp.html", {200, "<html></html>\n"}},
    };
    nettest::TestHttpServer server(files);
    folder.write("updater.ini", "[Updater]\r\n-BaseURL=" + server.url("/") + "\r\n");

    const fs::path artefacts = SORVEL_ARTEFACTS;
    fs::create_directories(artefacts);
    const fs::path picture = artefacts / "updater-window.png";
    fs::remove(picture);
    ::setenv("SORVEL_UPDATER_ANSWERS", "yes,yes", 1);
    ::setenv("SORVEL_SCREENSHOT", picture.c_str(), 1);
    // `timeout` bounds the run should the updater ever wait for a real answer.
    FILE* output = ::popen(("cd / && timeout 60 " + (program / "updater").string()).c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string printed;
    char line[1024];
    while (std::fgets(line, sizeof line, output) != nullptr) {
        printed += line;
    }
    const int status = ::pclose(output);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << printed;

    EXPECT_EQ(printed,
              "question: 新しいバージョン：1.1.0.0が公開されています アップデートしますか？\n"
              "question: 最新のバージョンへアップデートされました。 Sorvelを再起動しますか？\n");
    EXPECT_EQ(programVersionOf(program / "sorvel"), parseProgramVersion("1.1.0.0"));
    EXPECT_TRUE((fs::status(program / "sorvel").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
    EXPECT_EQ(TempFolder::read(program / "ReadSorvel.txt"), std::string(2500, 'n'));
    EXPECT_TRUE(fs::exists(program / "SorvelSkin.txt"));

    // The new player was started in the program folder.
    const fs::path started = program / "started";
    for (int i = 0; i < 100 && !fs::exists(started); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(TempFolder::read(started), program.string());

    // The window as the display showed it: the label and the block on its track.
    const QImage shot(QString::fromStdString(picture.string()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(320, 100));
    int blockPixels = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            blockPixels += shot.pixelColor(x, y) == QColor(0, 0, 128) ? 1 : 0;
        }
    }
    EXPECT_GT(blockPixels, 200) << "the block covers the track";
}
