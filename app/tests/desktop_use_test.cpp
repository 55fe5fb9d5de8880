// The player as a desktop user meets it, under a virtual X display: lists opened from anywhere,
// files that are not there. The written audio tells what played; the title line is read over
// MPRIS on a session bus of the test's own.
#include "file_uri.h"
#include "player_process.h"

#include <QImage>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

using namespace apptest;
using sorvel::fileUriFromPath;
using testmedia::toneSequence;
using testmedia::writtenSeconds;

TEST(DesktopUse, AWindowsMadeListOpenedFromElsewherePlaysEveryEntryInOrder) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("windows-list"); // loop off
    const auto& [base, home, runtime] = folders;
    const fs::path music = base / "music";
    fs::create_directories(music / "Sub" / "曲");
    const std::vector<double> tones = {440.0, 660.0, 990.0};
    const fs::path places[] = {music / "a.wav", music / "Sub" / "曲" / "B.wav", music / "c.wav"};
    for (size_t i = 0; i < tones.size(); ++i) {
        const fs::path tone = testmedia::makeTone("wl" + std::to_string(i) + ".wav", tones[i], 1.0,
                                                  44100, 2, {}, 0.5);
        ASSERT_FALSE(tone.empty());
        fs::copy_file(tone, places[i], fs::copy_options::overwrite_existing);
    }
    // CP932 (曲 is 8B C8), CR LF, "\" between folders, ".\" and another letter case.
    std::ofstream(music / "list.m3u", std::ios::binary)
        << "a.wav\r\nsub\\\x8B\xC8\\b.WAV\r\n.\\C.WAV\r\n";

    const fs::path out = base / "out.wav";
    // Started from another folder, as a file manager or a terminal elsewhere would.
    Child player({SORVEL_BINARY, (music / "list.m3u").string()},
                 playerEnvironment(home, runtime, out), base);
    ASSERT_TRUE(player.started());
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(out) >= 4.0 || !player.running(); }, 40s));
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);
    EXPECT_EQ(toneSequence(testmedia::readWav(out), tones), tones);
}

TEST(DesktopUse, AMissingFileOnTheCommandLineShowsTheLibrarysErrorLine) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const SessionBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    const PlayerFolders folders("missing-file");
    const auto& [base, home, runtime] = folders;
    Child player({SORVEL_BINARY, (base / "not here.mp3").string()},
                 bus.join(playerEnvironment(home, runtime, base / "out.wav")));
    ASSERT_TRUE(player.started());
    std::optional<std::string> metadata;
    EXPECT_TRUE(waitFor(
        [&] {
            metadata = bus.mprisProperty("org.mpris.MediaPlayer2.Player", "Metadata");
            return (metadata &&
                    metadata->find("ERROR! No.23File not found. ") != std::string::npos) ||
                   !player.running();
        },
        30s))
        << metadata.value_or("(no answer)");
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);
}

// The player's position in milliseconds, as MPRIS tells it.
std::optional<long long> positionMs(const SessionBus& bus) {
    const auto answer = bus.mprisProperty("org.mpris.MediaPlayer2.Player", "Position");
    const size_t at = answer ? answer->find("int64 ") : std::string::npos;
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::atoll(answer->c_str() + at + 6) / 1000;
}

// Focuses the player's main window on the X display and types `key` into it, as a user would.
bool typeKey(const std::string& key) {
    const auto found = runOutput({"xdotool", "search", "--onlyvisible", "--name", "^Sorvel$"},
                                 currentEnvironment());
    if (!found || found->empty()) {
        return false;
    }
    const std::string window = found->substr(0, found->find('\n'));
    return runOutput({"xdotool", "windowfocus", "--sync", window, "key", "--window", window, key},
                     currentEnvironment())
        .has_value();
}

TEST(DesktopUse, SpacePausesAndResumesWhatPlays) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const SessionBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    const PlayerFolders folders("keyboard");
    const auto& [base, home, runtime] = folders;
    const fs::path tone = testmedia::makeTone("keyboard.wav", 550.0, 30.0, 44100, 2, {}, 0.5);
    ASSERT_FALSE(tone.empty());
    Child player({SORVEL_BINARY, tone.string()},
                 bus.join(playerEnvironment(home, runtime, base / "out.wav")));
    ASSERT_TRUE(player.started());
    ASSERT_TRUE(
        waitFor([&] { return positionMs(bus).value_or(0) > 500 || !player.running(); }, 30s));

    ASSERT_TRUE(typeKey("space"));
    std::optional<long long> held;
    EXPECT_TRUE(waitFor(
        [&] {
            const auto before = positionMs(bus);
            std::this_thread::sleep_for(600ms);
            held = positionMs(bus);
            return before && held && *before == *held;
        },
        10s))
        << "the position did not stop";
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(positionMs(bus), held);

    ASSERT_TRUE(typeKey("space"));
    EXPECT_TRUE(waitFor([&] { return positionMs(bus).value_or(0) > held.value_or(0) + 500; }, 10s))
        << "the position did not move again";
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);
}

TEST(DesktopUse, FileUrisAndSeveralFilesPlayInTurnAndAreHandedOverTheSameWay) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("several-files");
    const auto& [base, home, runtime] = folders;
    const std::vector<double> tones = {440.0, 660.0, 990.0, 1320.0};
    std::vector<fs::path> files;
    for (size_t i = 0; i < tones.size(); ++i) {
        // The first is an MP3 whose name has a space, as file managers hand over.
        const std::string name = i == 0 ? "uri tone.mp3" : "several" + std::to_string(i) + ".wav";
        files.push_back(testmedia::makeTone(name, tones[i], 1.0, 44100, 2, {}, 0.5));
        ASSERT_FALSE(files.back().empty());
    }
    const fs::path out = base / "out.wav";
    const auto environment = playerEnvironment(home, runtime, out);
    Child player({SORVEL_BINARY, fileUriFromPath(files[0].string()), files[1].string()},
                 environment);
    ASSERT_TRUE(player.started());
    ASSERT_TRUE(waitFor([&] { return writtenSeconds(out) >= 2.4 || !player.running(); }, 40s));
    Child second({SORVEL_BINARY, files[2].string(), fileUriFromPath(files[3].string())},
                 environment);
    EXPECT_EQ(second.waitExit(20s), 0) << "the second start did not hand over and end";
    const double handedAt = writtenSeconds(out);
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(out) >= handedAt + 2.4; }, 20s));
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);
    EXPECT_EQ(toneSequence(testmedia::readWav(out), tones), tones);
}

TEST(DesktopUse, MprisTellsAlbumAndAddressAndOpenUriPlaysAFile) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const SessionBus bus;
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    const PlayerFolders folders("mpris-calls");
    const auto& [base, home, runtime] = folders;
    const fs::path song =
        testmedia::makeTaggedTone("mpris song.mp3", 440.0, 20.0, "Song", "Singer", "Record");
    const fs::path other = testmedia::makeTone("mpris-other.wav", 990.0, 1.5, 44100, 2, {}, 0.5);
    ASSERT_FALSE(song.empty() || other.empty());
    const fs::path out = base / "out.wav";
    Child player({SORVEL_BINARY, song.string()}, bus.join(playerEnvironment(home, runtime, out)));
    ASSERT_TRUE(player.started());
    std::optional<std::string> metadata;
    EXPECT_TRUE(waitFor(
        [&] {
            metadata = bus.mprisProperty("org.mpris.MediaPlayer2.Player", "Metadata");
            return (metadata && metadata->find("'Record'") != std::string::npos) ||
                   !player.running();
        },
        30s))
        << metadata.value_or("(no answer)");
    ASSERT_TRUE(metadata.has_value());
    EXPECT_NE(metadata->find("'xesam:album': <'Record'>"), std::string::npos) << *metadata;
    EXPECT_NE(metadata->find("'xesam:url': <'" + fileUriFromPath(song.string()) + "'>"),
              std::string::npos)
        << *metadata;
    EXPECT_NE(metadata->find("'xesam:title': <'Song'>"), std::string::npos) << *metadata;

    ASSERT_TRUE(
        bus.mprisCall("org.mpris.MediaPlayer2.Player.OpenUri", {fileUriFromPath(other.string())}));
    const double openedAt = writtenSeconds(out);
    EXPECT_TRUE(waitFor([&] { return writtenSeconds(out) >= openedAt + 2.0; }, 20s));
    ASSERT_TRUE(bus.mprisCall("org.mpris.MediaPlayer2.Quit"));
    EXPECT_EQ(player.waitExit(20s), 0) << "Quit did not close the player";
    EXPECT_EQ(toneSequence(testmedia::readWav(out), {440.0, 990.0}),
              (std::vector<double>{440.0, 990.0}));
}

TEST(DesktopUse, AtTwiceTheScaleTheSkinIsDoubledAndItsShapeCutsEveryClearColourPixel) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const fs::path artefacts = SORVEL_ARTEFACTS;
    fs::create_directories(artefacts);
    // The desktop's scale, and the settings' own zoom.
    for (const bool bySettings : {false, true}) {
        SCOPED_TRACE(bySettings ? "-Zoom=2" : "QT_SCALE_FACTOR=2");
        const PlayerFolders folders(bySettings ? "zoom-setting" : "zoom-scale",
                                    bySettings ? "[Etc]\r\n-OutputType=3\r\n-Zoom=2\r\n"
                                               : "[Etc]\r\n-OutputType=3\r\n");
        const auto& [base, home, runtime] = folders;
        const fs::path screenshot = base / "window.png";
        std::vector<std::string> environment = playerEnvironment(home, runtime, base / "out.wav");
        environment.push_back("SORVEL_SCREENSHOT=" + screenshot.string());
        if (!bySettings) {
            environment.push_back("QT_SCALE_FACTOR=2");
        }
        Child player({SORVEL_BINARY}, environment);
        ASSERT_TRUE(player.started());
        EXPECT_TRUE(waitFor([&] { return fs::exists(screenshot) || !player.running(); }, 30s));
        std::this_thread::sleep_for(300ms);
        const QImage display = grabDisplay();
        player.signal(SIGTERM);
        EXPECT_EQ(player.waitExit(20s), 0);

        const QImage picture(QString::fromStdString(screenshot.string()));
        ASSERT_EQ(picture.size(), QSize(920, 284)) << "the skin is not drawn at twice its size";
        // The place is kept in unscaled units.
        const std::string settings = readText(home / "sorvel_Settings.ini");
        const auto left = iniInt(settings, "-MainLeft");
        const auto top = iniInt(settings, "-MainTop");
        ASSERT_TRUE(left && top) << settings;
        const QImage shown = display.copy(*left / 15 * 2, *top / 15 * 2, 920, 284);
        shown.save(QString::fromStdString(
                       (artefacts / (bySettings ? "zoom-setting.png" : "scale-2.png")).string()),
                   "PNG");
        const QRgb clear = qRgb(0xFF, 0x00, 0xFF); // the Default skin's clear colour
        int clearPixels = 0;
        int same = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                clearPixels += shown.pixel(x, y) == clear ? 1 : 0;
                same += shown.pixel(x, y) == picture.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(clearPixels, 0) << "the shape leaves clear-colour pixels on the screen";
        EXPECT_GT(same, 920 * 284 * 7 / 10) << "the display does not show the doubled skin";
    }
}

TEST(DesktopUse, HelpAndVersionPrintAndEndWithoutADisplay) {
    std::vector<std::string> environment;
    for (const std::string& entry : currentEnvironment()) {
        if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0) {
            environment.push_back(entry);
        }
    }
    const auto help = runOutput({SORVEL_BINARY, "--help"}, environment);
    ASSERT_TRUE(help.has_value());
    EXPECT_EQ(help->rfind("Usage: sorvel [FILE|URI]...\n", 0), 0u) << *help;
    const auto version = runOutput({SORVEL_BINARY, "--version"}, environment);
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->rfind("Sorvel ", 0), 0u) << *version;
    // An unknown option is refused (status 2), not taken for a file.
    EXPECT_FALSE(runOutput({SORVEL_BINARY, "--no-such-option"}, environment).has_value());
}

// The shipped skins in the program folder, and "Broken", a copy of the Default skin whose
// background picture is damaged.
void makeBrokenSkin(const fs::path& home) {
    const fs::path shipped = fs::path(SORVEL_PROGRAM_FOLDER) / "Skins" / "Default";
    const fs::path broken = home / "Skins" / "Broken";
    fs::create_directories(broken);
    fs::copy(shipped.parent_path(), home / "Skins",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy(shipped, broken, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::string ssf = readText(shipped / "Default.ssf");
    const std::string dir = "-Dir=Skins\\Default\\";
    ssf.replace(ssf.find(dir), dir.size(), "-Dir=Skins\\Broken\\");
    std::ofstream(broken / "Broken.ssf", std::ios::binary) << ssf;
    std::ofstream(broken / "back.bmp", std::ios::binary | std::ios::trunc) << "BM damaged";
}

TEST(DesktopUse, SigtermWithAMessageBoxOpenEndsThePlayerSavingItsSettings) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    // The damaged skin's message box is open from start-up on.
    const PlayerFolders folders("sigterm-box", "[SkinFile]\r\n-SkinFile=Skins\\Broken\\Broken.ssf"
                                               "\r\n[PlayerSetting]\r\n-Volume=7\r\n"
                                               "[Etc]\r\n-OutputType=3\r\n");
    const auto& [base, home, runtime] = folders;
    makeBrokenSkin(home);
    const fs::path settings = home / "sorvel_Settings.ini";
    const auto before = fs::last_write_time(settings);
    Child player({SORVEL_BINARY}, playerEnvironment(home, runtime, base / "out.wav"));
    ASSERT_TRUE(player.started());
    std::this_thread::sleep_for(3s); // start-up has reached the box
    ASSERT_TRUE(player.running());
    const auto signalled = Clock::now();
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(5s), 0) << "the player did not end within 5 s";
    EXPECT_LT(Clock::now() - signalled, 5s);
    const std::string saved = readText(settings);
    EXPECT_NE(fs::last_write_time(settings), before);
    EXPECT_NE(saved.find("-MainLeft="), std::string::npos) << saved;
    EXPECT_EQ(iniInt(saved, "-Volume"), 7) << saved;
}

TEST(DesktopUse, ADamagedSkinPictureIsReportedAndTheDefaultSkinShows) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const PlayerFolders folders("skin-fallback",
                                "[SkinFile]\r\n-SkinFile=Skins\\Broken\\Broken.ssf\r\n"
                                "[Etc]\r\n-OutputType=3\r\n");
    const auto& [base, home, runtime] = folders;
    makeBrokenSkin(home);
    const fs::path artefacts = SORVEL_ARTEFACTS;
    fs::create_directories(artefacts);
    const fs::path screenshot = artefacts / "skin-fallback.png";
    fs::remove(screenshot);
    std::vector<std::string> environment = playerEnvironment(home, runtime, base / "out.wav");
    environment.push_back("SORVEL_SCREENSHOT=" + screenshot.string());
    environment.push_back("SORVEL_SCREENSHOT_DELAY_MS=1000");
    Child player({SORVEL_BINARY}, environment);
    ASSERT_TRUE(player.started());
    // The message box (the only window shown until it is answered) takes OK.
    EXPECT_TRUE(waitFor([&] { return typeKey("Return") || !player.running(); }, 20s));
    EXPECT_TRUE(waitFor([&] { return fs::exists(screenshot) || !player.running(); }, 20s));
    player.signal(SIGTERM);
    EXPECT_EQ(player.waitExit(20s), 0);

    const QImage picture(QString::fromStdString(screenshot.string()));
    ASSERT_FALSE(picture.isNull()) << "no screenshot";
    EXPECT_EQ(picture.size(), QSize(460, 142));
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 50u) << "the default skin does not show";
    const std::string saved = readText(home / "sorvel_Settings.ini");
    EXPECT_NE(saved.find("Skins/Default/Default.ssf"), std::string::npos) << saved;
}

} // namespace
