// The playlist window of the whole player on a real X server (the test runs under xvfb-run):
// opened by the main window's button, filled by drops, edited with keys, played by a double
// click, saved and loaded through the file dialogs, and carried along when the main window is
// dragged. The real-time wave writer stands in for the sound card, so the written audio tells
// what played.
#include "PlayerApplication.h"
#include "PlaylistList.h"
#include "PlaylistRows.h"
#include "SkinButton.h"
#include "desktop_run.h"
#include "program_start.h"
#include "skin_shape.h"
#include "test_media.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

using namespace sorvel;
using namespace desktoptest;

// Titles readable in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The Compact skin docks the playlist window this far below the main window.
constexpr QPoint kDocked(0, 108);
constexpr QRgb kClearColour = 0x00FF00;

// The titles of the rows the list shows, checking that their numbers run from "  1." and that
// they are the controller's rows.
std::vector<QString> shownTitles(PlayerApplication& app) {
    const QAbstractItemModel& rows = *app.playlistWindow().rows();
    EXPECT_EQ(rows.rowCount(), app.player().playlist().rowCount());
    std::vector<QString> titles;
    for (int row = 0; row < rows.rowCount(); ++row) {
        EXPECT_EQ(rows.index(row, 0).data().toString(), QString::asprintf("%3d.", row + 1));
        titles.push_back(rows.index(row, 1).data().toString());
        EXPECT_EQ(titles.back().toStdString(), app.player().playlist().rowCells(row + 1).title);
    }
    return titles;
}

bool sameColour(QRgb a, QRgb b, int tolerance = 0) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The share of the skin's background picture that the display shows at the window's place,
// counted where neither a control nor the shape's holes cover it.
double backgroundShown(const QImage& display, const PlaylistFrm& window, const QImage& picture) {
    int counted = 0;
    int same = 0;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            const QRgb skin = picture.pixel(x, y);
            if ((skin & 0xFFFFFF) == kClearColour || window.childAt(x, y) != nullptr) {
                continue;
            }
            ++counted;
            same += sameColour(display.pixel(window.pos() + QPoint(x, y)), skin) ? 1 : 0;
        }
    }
    return counted > 0 ? double(same) / counted : 0.0;
}

// Pixels of the list's rows that the display shows in `colour`, give or take the nearest shades
// of anti-aliased text.
int rowPixelsIn(const QImage& display, const PlaylistFrm& window, QRgb colour) {
    const QWidget* viewport = window.list()->viewport();
    const QRect area(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += sameColour(display.pixel(x, y), colour, 8) ? 1 : 0;
        }
    }
    return count;
}

// A point of the window's own background, away from its shape's holes and its controls.
QPoint backgroundPoint(const QWidget& window) {
    const QRegion shape = window.mask().isEmpty() ? QRegion(window.rect()) : window.mask();
    auto free = [&](QPoint at) { return shape.contains(at) && window.childAt(at) == nullptr; };
    for (int y = 4; y < window.height() - 4; y += 2) {
        for (int x = 4; x < window.width() - 4; x += 2) {
            const QPoint at(x, y);
            if (free(at) && free(at + QPoint(3, 3)) && free(at - QPoint(3, 3))) {
                return at;
            }
        }
    }
    return {};
}

TEST(PlaylistWindow, OnTheDisplayTakesDropsKeysAndDialogsPlaysAndFollowsTheMainWindow) {
    // Repeat-one: the entry playing last goes on until the player closes.
    const fs::path home = makeProgramFolder(
        "playlist-window",
        "[MainSetting]\r\n-MainLeft=3000\r\n-MainTop=1500\r\n[PlayerSetting]\r\n-Loop=1\r\n"
        "[SkinFile]\r\n-SkinFile=Skins\\Compact\\Compact.ssf\r\n[Etc]\r\n-OutputType=3\r\n");
    const fs::path base = home.parent_path();
    fs::create_directories(base / "tones");
    std::map<QString, double> toneOf;
    for (const double frequency : {440.0, 660.0, 990.0, 1320.0}) {
        const std::string name = "tone" + std::to_string(int(frequency)) + ".wav";
        const std::string folder = frequency < 1000.0 ? "playlist-window/tones/" : "";
        ASSERT_FALSE(testmedia::makeTone(folder + name, frequency, 1.5, 44100, 2, {}, 0.5).empty());
        toneOf[QString::fromStdString(name)] = frequency;
    }
    const fs::path out = waveOutput("playlist-window");

    auto app = std::make_unique<PlayerApplication>(home);
    app->start("");
    Mwnd& main = app->mainWindow();
    PlaylistFrm& window = app->playlistWindow();
    ASSERT_TRUE(processUntil([&] { return onScreen(main); }));

    // The main window's button opens the playlist window, docked below it.
    click(main.button(kPlaylist));
    // Its list takes the focus before rows come: one that takes it with rows in it marks the
    // first as current, and Qt's frame for that would tint the colours checked below.
    ASSERT_TRUE(processUntil([&] { return onScreen(window) && window.list()->hasFocus(); }));
    EXPECT_EQ(window.pos(), main.pos() + kDocked);

    // A folder dropped on the window fills the list and starts its first row; a file dropped
    // while that plays joins the end.
    drop(window, {base / "tones"});
    drop(window, {testmedia::mediaDir() / "tone1320.wav"});
    const std::vector<QString> dropped = shownTitles(*app);
    ASSERT_EQ(dropped.size(), 4u);
    EXPECT_EQ(std::set<QString>(dropped.begin(), dropped.begin() + 3),
              (std::set<QString>{"tone440.wav", "tone660.wav", "tone990.wav"}));
    EXPECT_EQ(dropped[3], "tone1320.wav");

    // The display shows the skin's background and the rows: the playing one in the
    // complement of the list's background, the others in its text colour.
    const QImage background(QString::fromStdString(
        (home / "Skins" / "Compact" / "playlist" / "playlists.png").string()));
    ASSERT_FALSE(background.isNull());
    const QRgb text = toQColor(window.layout().listForeColor).rgb();
    const QRgb playing = toQColor(0xFFFFFF - (window.layout().listBackColor & 0xFFFFFF)).rgb();
    QImage display;
    processUntil(
        [&] {
            display = grabDisplay();
            return backgroundShown(display, window, background) > 0.95 &&
                   rowPixelsIn(display, window, text) > 20 &&
                   rowPixelsIn(display, window, playing) > 20;
        },
        10s);
    keepArtefact(display, "playlist-window.png");
    EXPECT_GT(backgroundShown(display, window, background), 0.95);
    EXPECT_GT(rowPixelsIn(display, window, text), 20);
    EXPECT_GT(rowPixelsIn(display, window, playing), 20);

    // Delete removes the selected row; the rows below move up and take their new numbers.
    PlaylistList& list = *window.list();
    list.selectRow(2);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(shownTitles(*app), (std::vector<QString>{dropped[0], dropped[2], dropped[3]}));
    EXPECT_EQ(list.selectedRow(), 2);

    // Ctrl+Up moves the selected row up, and the selection goes with it.
    list.selectRow(3);
    QTest::keyClick(&list, Qt::Key_Up, Qt::ControlModifier);
    const std::vector<QString> edited{dropped[0], dropped[3], dropped[2]};
    EXPECT_EQ(shownTitles(*app), edited);
    EXPECT_EQ(list.selectedRow(), 2);

    // A double click plays the row's entry.
    const QPoint third = list.visualRect(window.rows()->index(2, 1)).center();
    const double before = testmedia::writtenSeconds(out);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, third);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(list.selectedRow(), 3);
    ASSERT_TRUE(processUntil([&] { return testmedia::writtenSeconds(out) >= before + 1.0; }));

    // Saved through the save button's dialog, cleared, and loaded back through the open
    // button's dialog: the same rows in the same order.
    const QString saved = QString::fromStdString((base / "saved.m3u").string());
    answerFileDialog(saved);
    click(window.button(PlaylistFrm::kSave));
    ASSERT_TRUE(fs::exists(saved.toStdString()));
    click(window.button(PlaylistFrm::kClear));
    EXPECT_TRUE(shownTitles(*app).empty());
    answerFileDialog(saved);
    click(window.button(PlaylistFrm::kAddFiles));
    EXPECT_EQ(shownTitles(*app), edited);

    // Dragging the main window by its background carries the docked window along.
    const QPoint grab = backgroundPoint(main);
    ASSERT_FALSE(grab.isNull());
    const QPoint mainFrom = main.pos();
    const QPoint windowFrom = window.pos();
    const QPoint start = main.mapToGlobal(grab);
    const QPoint by(60, 40);
    QTest::mousePress(&main, Qt::LeftButton, {}, grab);
    for (int step = 1; step <= 6; ++step) {
        const QPoint along = by * step / 6;
        QTest::mouseMove(&main, main.mapFromGlobal(start + along));
        ASSERT_TRUE(processUntil([&] { return main.pos() == mainFrom + along; }, 5s)) << step;
    }
    QTest::mouseRelease(&main, Qt::LeftButton, {}, main.mapFromGlobal(start + by));
    EXPECT_TRUE(processUntil([&] { return window.pos() == main.pos() + kDocked; }, 5s));
    EXPECT_EQ(window.pos() - windowFrom, by);
    // The X server has it there too.
    EXPECT_TRUE(processUntil(
        [&] { return backgroundShown(grabDisplay(), window, background) > 0.95; }, 10s));

    main.close();
    EXPECT_TRUE(processUntil([&] { return !main.isVisible() && !window.isVisible(); }, 5s));
    app.reset();

    // The first dropped row played until the double click, then the clicked row to the end.
    const std::vector<double> heard =
        testmedia::toneSequence(testmedia::readWav(out), {440.0, 660.0, 990.0, 1320.0});
    EXPECT_EQ(heard, (std::vector<double>{toneOf.at(dropped[0]), toneOf.at(edited[2])}));
}

} // namespace
