// The options object and its desktop effects, the notice text and the log-on entry.
#include "Autostart.h"
#include "MessengerNotice.h"
#include "clsOption.h"
#include "fake_shell.h"
#include "test_media.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        config = testmedia::mediaDir() / ("config" + std::to_string(++n));
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    fs::path config;
    settingstest::FakeShell shell;
    std::string title = "1. Song - Artist";
};

TEST(Notice, TextFollowsTheFlagRules) {
    EXPECT_EQ(MessengerNoticeText("1. A - B", true, true, false),
              "Sorvel\\0Music\\01\\01. A - B\\0");
    EXPECT_EQ(MessengerNoticeText("1. A - B", false, true, false),
              "Sorvel\\0Music\\00\\01. A - B\\0");
    EXPECT_EQ(MessengerNoticeText("clip", true, true, true), "Sorvel\\0Music\\00\\0clip\\0");
    EXPECT_EQ(MessengerNoticeText("", true, false, false), "Sorvel\\0Music\\00\\0\\0");
    // A title holding backslash-zero is passed on as it is.
    EXPECT_EQ(MessengerNoticeText("a\\0b", true, true, false), "Sorvel\\0Music\\01\\0a\\0b\\0");
}

TEST(Notice, TitleSplitsIntoTitleAndArtist) {
    EXPECT_EQ(SplitNowPlayingTitle("12. Song - Artist").title, "Song");
    EXPECT_EQ(SplitNowPlayingTitle("12. Song - Artist").artist, "Artist");
    EXPECT_EQ(SplitNowPlayingTitle("3. A - B - C").title, "A - B");
    EXPECT_EQ(SplitNowPlayingTitle("0. file.mp3").title, "file.mp3");
    EXPECT_EQ(SplitNowPlayingTitle("0. file.mp3").artist, "");
    EXPECT_EQ(SplitNowPlayingTitle("Buffering...").title, "Buffering...");
}

TEST(Notice, TrayTipIsCutWithoutSplittingACharacter) {
    const std::string japanese(30, 'a');
    std::string text = japanese + "あいうえおかきくけこさしすせそ"; // 30 + 45 bytes
    const std::string tip = TrayTipText(text);
    EXPECT_LE(tip.size(), 64u);
    EXPECT_EQ(tip, japanese + "あいうえおかきくけこさ");
    EXPECT_EQ(TrayTipText("short"), "short");
}

TEST_F(Options, EachWriteCarriesOutItsEffect) {
    clsOption option(shell, "/opt/sorvel/sorvel", [this] { return title; });
    option.TopMost(1);
    option.TopMost(0);
    option.SnapWnd(1);
    option.Analyzer_Off(1);
    option.Analyzer_Off(0);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"ontop", "normal", "snap", "clear-analyzer"}));
}

TEST_F(Options, TrayOnlyWhileMinimisedWithTheOptionOn) {
    clsOption option(shell, "/opt/sorvel/sorvel", [this] { return title; });
    option.TaskIn(1); // shown normally: nothing yet
    EXPECT_TRUE(shell.calls.empty());
    shell.minimized = true;
    option.MainWindowMinimized();
    title = "2. Next - One";
    option.TitleChanged();
    shell.minimized = false;
    option.MainWindowRestored();
    option.TitleChanged(); // no icon any more: nothing
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"tray+1. Song - Artist", "taskbar-",
                                                     "tray=2. Next - One", "tray-", "taskbar+"}));
    shell.calls.clear();
    option.TaskIn(0);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"tray-", "taskbar+"}));
}

TEST_F(Options, StartUpWritesAndRemovesTheLogOnEntry) {
    const fs::path program = "/opt/my player/sorvel";
    {
        clsOption option(shell, program, [this] { return title; });
        EXPECT_EQ(option.StartUp(), 0);
        option.StartUp(0); // nothing to remove: no message
        EXPECT_TRUE(shell.calls.empty());
        option.StartUp(1);
    }
    const fs::path entry = config / "autostart" / "sorvel.desktop";
    ASSERT_TRUE(fs::exists(entry));
    std::stringstream text;
    text << std::ifstream(entry).rdbuf();
    EXPECT_NE(text.str().find("Exec=\"/opt/my player/sorvel\""), std::string::npos);
    clsOption again(shell, program, [this] { return title; });
    EXPECT_EQ(again.StartUp(), 1);
    clsOption other(shell, "/usr/bin/otherplayer", [this] { return title; });
    EXPECT_EQ(other.StartUp(), 0);
    again.StartUp(0);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(Options, LogOnEntryIsFoundForPathsThatNeedEscaping) {
    const fs::path entry = config / "autostart" / "sorvel.desktop";
    for (const std::string program :
         {"/opt/say \"hi\"/sorvel", "/opt/$HOME/sorvel", "/opt/`date`/sorvel",
          "/opt/back\\slash/sorvel", "/opt/100%/sorvel", "/opt/tab\there/sorvel"}) {
        SCOPED_TRACE(program);
        ASSERT_EQ(SetAutostart(true, program), std::nullopt);
        EXPECT_TRUE(AutostartEnabled(program));
        EXPECT_EQ(clsOption(shell, program, [this] { return title; }).StartUp(), 1);
        // Only the whole path counts, not a part of it.
        EXPECT_FALSE(AutostartEnabled(program.substr(0, program.size() - 1)));
        EXPECT_FALSE(AutostartEnabled(program + "2"));
    }
    // The file holds the two levels of escaping a desktop entry's Exec value takes: a backslash
    // becomes four and a percent sign two, so the desktop starts the same path.
    SetAutostart(true, "/opt/a\\b%c/sorvel");
    std::stringstream text;
    text << std::ifstream(entry).rdbuf();
    EXPECT_NE(text.str().find(R"(Exec="/opt/a\\\\b%%c/sorvel")"
                              "\n"),
              std::string::npos)
        << text.str();
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(Options, LogOnEntryWrittenByHandIsRecognised) {
    const fs::path entry = config / "autostart" / "sorvel.desktop";
    auto write = [&](const std::string& body) {
        fs::create_directories(entry.parent_path());
        std::ofstream(entry) << body;
    };
    // Unquoted with a field code, spaces around the equals sign, CR LF lines.
    write("[Desktop Entry]\r\nType=Application\r\nExec = /usr/bin/sorvel %U\r\n");
    EXPECT_TRUE(AutostartEnabled("/usr/bin/sorvel"));
    EXPECT_FALSE(AutostartEnabled("/usr/bin/sorv"));
    // Another group's Exec line says nothing about the entry.
    write("[Desktop Action Play]\nExec=/usr/bin/sorvel\n[Desktop Entry]\nExec=/usr/bin/other\n");
    EXPECT_FALSE(AutostartEnabled("/usr/bin/sorvel"));
    // A quote left open names no program.
    write("[Desktop Entry]\nExec=\"/usr/bin/sorvel\n");
    EXPECT_FALSE(AutostartEnabled("/usr/bin/sorvel"));
}

TEST_F(Options, UnwritableLogOnFolderShowsTheSystemText) {
    // A file where the autostart folder should be makes creating it fail.
    fs::create_directories(config);
    std::ofstream(config / "autostart") << "in the way";
    clsOption option(shell, "/opt/sorvel/sorvel", [this] { return title; });
    option.StartUp(1);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].rfind("message:", 0), 0u);
    EXPECT_EQ(option.StartUp(), 1);
}

} // namespace
