// The whole player under a virtual X display (the test runs under xvfb-run): started with a
// three-entry playlist and loop-all, handed a fourth file by a second start, closed by SIGTERM.
// The real-time wave writer stands in for the sound card, so the written audio tells what
// played and in which order.
#include "player_process.h"

#include <QImage>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

using namespace apptest;
using testmedia::toneSequence;
using testmedia::writtenSeconds;

TEST(PlayerProgram, PlaysLoopsTakesHandOverAndClosesOnSigtermSavingSettings) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("player",
                                "[PlayerSetting]\r\n-Loop=2\r\n[Etc]\r\n-OutputType=3\r\n");
    const auto& [base, home, runtime] = folders;
    const fs::path artefacts = SORVEL_ARTEFACTS;
    fs::create_directories(artefacts);
    const fs::path screenshot = artefacts / "main-window.png";
    fs::remove(screenshot);
    const fs::path out = base / "out.wav";

    const std::vector<double> list = {440.0, 660.0, 990.0};
    const double handed = 1320.0;
    std::string m3u;
    for (const double frequency : list) {
        const fs::path tone = testmedia::makeTone("tone" + std::to_string(int(frequency)) + ".wav",
                                                  frequency, 1.5, 44100, 2, {}, 0.5);
        ASSERT_FALSE(tone.empty());
        m3u += tone.string() + "\r\n";
    }
    const fs::path other = testmedia::makeTone("other.wav", handed, 1.5, 44100, 2, {}, 0.5);
    ASSERT_FALSE(other.empty());
    std::ofstream(base / "list.m3u", std::ios::binary) << m3u;

    std::vector<std::string> environment = playerEnvironment(home, runtime, out);
    environment.push_back("SORVEL_SCREENSHOT=" + screenshot.string());
    environment.push_back("SORVEL_SCREENSHOT_DELAY_MS=2500");

    Child player({SORVEL_BINARY, (base / "list.m3u").string()}, environment);
    ASSERT_TRUE(player.started());
    // The first pass of the list is 4.5 s of audio; the hand-over comes during the second.
    ASSERT_TRUE(waitFor([&] { return writtenSeconds(out) >= 5.2 || !player.running(); }, 40s))
        << "no audio written";
    ASSERT_TRUE(player.running()) << "the player ended early";

    Child second({SORVEL_BINARY, other.string()}, environment);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitExit(20s), 0) << "the second start did not hand over and end";

    const double handedAt = writtenSeconds(out);
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(out) >= handedAt + 2.5; }, 20s));
    EXPECT_TRUE(waitFor([&] { return fs::exists(screenshot); }, 20s)) << "no screenshot";
    const QImage display = grabDisplay();
    display.save(QString::fromStdString((artefacts / "display.png").string()), "PNG");

    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0) << "the player did not close on SIGTERM";

    // What played, in order: the list, the list again (loop all), the handed-over file.
    const testmedia::WavData wav = testmedia::readWav(out);
    std::vector<double> tones = list;
    tones.push_back(handed);
    const std::vector<double> heard = toneSequence(wav, tones);
    ASSERT_GE(heard.size(), 5u) << ::testing::PrintToString(heard);
    EXPECT_EQ(std::vector<double>(heard.begin(), heard.begin() + 4),
              (std::vector<double>{440.0, 660.0, 990.0, 440.0}))
        << ::testing::PrintToString(heard);
    EXPECT_NE(std::find(heard.begin() + 4, heard.end(), handed), heard.end());
    EXPECT_EQ(std::count(heard.begin(), heard.end(), handed), 1);

    // The closing sequence saved the settings.
    const std::string settings = readText(home / "sorvel_Settings.ini");
    EXPECT_NE(settings.find("-Volume=5"), std::string::npos) << settings;
    EXPECT_NE(settings.find("-Loop=2"), std::string::npos) << settings;
    EXPECT_NE(settings.find("-MainLeft="), std::string::npos) << settings;

    // The picture of the window shows the skin (Default: 460 x 142, many colours).
    const QImage picture(QString::fromStdString(screenshot.string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(460, 142));
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 50u);

    // The display shows that picture where the player says its window is (positions are kept
    // in twips, 15 to the pixel); only the title, time and analyzer change in between.
    const auto left = iniInt(settings, "-MainLeft");
    const auto top = iniInt(settings, "-MainTop");
    ASSERT_TRUE(left && top) << settings;
    ASSERT_FALSE(display.isNull());
    const QImage shown = display.copy(*left / 15, *top / 15, picture.width(), picture.height());
    int same = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            same += shown.pixel(x, y) == picture.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(same, picture.width() * picture.height() * 7 / 10)
        << "the display does not show the window's skin at " << *left / 15 << "," << *top / 15;
}

TEST(PlayerProgram, APlainSecondStartEndsUnlessTheRunningPlayerIsRestartingForANewDevice) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("restart");
    const auto& [base, home, runtime] = folders;
    const fs::path settings = home / "sorvel_Settings.ini";
    const fs::path firstOut = base / "first.wav";

    Child first({SORVEL_BINARY}, playerEnvironment(home, runtime, firstOut));
    ASSERT_TRUE(startsPlaying(first, firstOut));

    // A second plain start ends at once.
    Child plain({SORVEL_BINARY}, playerEnvironment(home, runtime, base / "plain.wav"));
    EXPECT_EQ(plain.waitExit(20s), 0);
    EXPECT_TRUE(first.running());

    // The running player is closing for a device change: the new one starts and resets the key.
    std::ofstream(settings, std::ios::binary)
        << "[Etc]\r\n-OutputType=3\r\n-AudioDeviceReset=-1\r\n";
    const fs::path restartedOut = base / "restarted.wav";
    Child restarted({SORVEL_BINARY}, playerEnvironment(home, runtime, restartedOut));
    ASSERT_TRUE(startsPlaying(restarted, restartedOut));
    EXPECT_NE(readText(settings).find("-AudioDeviceReset=0"), std::string::npos);

    // Once the old player has gone, the new one answers a hand-over.
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitExit(20s), 0);
    const fs::path tone = testmedia::makeTone("restart-tone.wav", 880.0, 1.0, 44100, 2);
    std::this_thread::sleep_for(1s); // the new player takes the instance's name over
    const double handedAt = writtenSeconds(restartedOut);
    Child handing({SORVEL_BINARY, tone.string()}, playerEnvironment(home, runtime, base / "x.wav"));
    EXPECT_EQ(handing.waitExit(20s), 0);
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(restartedOut) > handedAt + 1.5; }, 20s));
    restarted.signal(SIGTERM);
    EXPECT_EQ(restarted.waitExit(20s), 0);
    const testmedia::WavData wav = testmedia::readWav(restartedOut);
    const std::vector<double> heard = toneSequence(wav, {880.0});
    EXPECT_EQ(heard, std::vector<double>{880.0}) << "the handed-over file did not play";
}

// The restart after a device change, in the order it really happens: the player closes through
// its normal closing (here on SIGTERM), having saved the flag and the new device as Yes to the
// restart question leaves them, and only then does the new instance start (the old one has
// given its name back by then). The new player must take the flag back at once, or a plain
// second start during its session would start a second player.
TEST(PlayerProgram, ThePlayerRestartedForANewDeviceRunsAloneAndClearsTheFlag) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("device-restart");
    const auto& [base, home, runtime] = folders;
    const fs::path settings = home / "sorvel_Settings.ini";
    const fs::path oldOut = base / "old.wav";
    const fs::path newOut = base / "new.wav";

    Child old({SORVEL_BINARY}, playerEnvironment(home, runtime, oldOut));
    ASSERT_TRUE(startsPlaying(old, oldOut));
    old.signal(SIGTERM);
    ASSERT_EQ(old.waitExit(20s), 0);

    // What the closing saves after Yes: the flag set, and the new device (48000 Hz).
    std::string saved = readText(settings);
    for (const auto& [from, to] : {std::pair{"-AudioDeviceReset=0", "-AudioDeviceReset=-1"},
                                   std::pair{"-Samplerate=4", "-Samplerate=3"}}) {
        const size_t at = saved.find(from);
        ASSERT_NE(at, std::string::npos) << from << " not saved:\n" << saved;
        saved.replace(at, std::string_view(from).size(), to);
    }
    std::ofstream(settings, std::ios::binary) << saved;

    // The closing player's restart: a plain start of the same program.
    Child restarted({SORVEL_BINARY}, playerEnvironment(home, runtime, newOut));
    ASSERT_TRUE(startsPlaying(restarted, newOut)) << "the restarted player did not run";
    EXPECT_EQ(iniInt(readText(settings), "-AudioDeviceReset"), 0) << readText(settings);

    // During its session a plain second start ends at once, leaving it playing.
    Child plain({SORVEL_BINARY}, playerEnvironment(home, runtime, base / "plain.wav"));
    EXPECT_EQ(plain.waitExit(20s), 0) << "a plain second start did not end";
    EXPECT_TRUE(restarted.running());
    EXPECT_FALSE(fs::exists(base / "plain.wav")) << "a second player made sound";

    restarted.signal(SIGTERM);
    EXPECT_EQ(restarted.waitExit(20s), 0);
    EXPECT_EQ(testmedia::readWav(newOut).sampleRate, 48000) << "the new device was not used";
    EXPECT_EQ(iniInt(readText(settings), "-AudioDeviceReset"), 0);
}

// A player that hangs: its instance socket takes connections but never answers them.
class SilentInstance {
public:
    explicit SilentInstance(const fs::path& runtime) {
        const char* user = std::getenv("USER");
        const std::string name =
            "Media Player Sorvel|Form1-" +
            (user != nullptr && *user != '\0' ? std::string(user) : std::to_string(::getuid()));
        path_ = runtime / name;
        fs::remove(path_);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string text = path_.string();
        if (text.size() >= sizeof(address.sun_path)) {
            return;
        }
        std::copy(text.begin(), text.end(), address.sun_path);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(fd_, 16) != 0) {
            close();
        }
    }
    ~SilentInstance() { close(); }
    SilentInstance(const SilentInstance&) = delete;
    SilentInstance& operator=(const SilentInstance&) = delete;

    bool listening() const { return fd_ >= 0; }

private:
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        std::error_code error;
        fs::remove(path_, error);
    }

    fs::path path_;
    int fd_ = -1;
};

TEST(PlayerProgram, AHandOverNobodyTakesStartsThePlayerWithTheFile) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("unanswered");
    const auto& [base, home, runtime] = folders;
    const fs::path tone = testmedia::makeTone("unanswered-tone.wav", 770.0, 1.0, 44100, 2, {}, 0.5);
    ASSERT_FALSE(tone.empty());
    const fs::path out = base / "out.wav";

    SilentInstance hung(runtime);
    ASSERT_TRUE(hung.listening());
    Child player({SORVEL_BINARY, tone.string()}, playerEnvironment(home, runtime, out));
    ASSERT_TRUE(player.started());
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(out) >= 1.5 || !player.running(); }, 40s));
    EXPECT_TRUE(player.running()) << "the start ended instead of playing the file itself";
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);

    const testmedia::WavData wav = testmedia::readWav(out);
    EXPECT_EQ(toneSequence(wav, {770.0}), std::vector<double>{770.0});
}

} // namespace
