// The options window in the whole player on a real X server: opened from the main window, every
// page shown and kept as a picture, the echo heard in the written audio, an equalizer band
// measured, and the settings found again after a restart.
#include "PlayerApplication.h"
#include "SkinButton.h"
#include "desktop_run.h"
#include "test_media.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QSlider>
#include <cmath>
#include <gtest/gtest.h>

using namespace sorvel;
using namespace desktoptest;

namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "options-window";
constexpr double kToneHz = 1000.0;
constexpr int kThousandHzBand = 5;
constexpr int kDeepCut = 195; // the band's lowest gain

// The share of 10 ms windows of seconds [from, to) of the left channel that are not silent.
double soundingShare(const testmedia::WavData& wav, double from, double to) {
    const std::vector<float> left = testmedia::channelOf(wav, 0);
    const size_t window = static_cast<size_t>(wav.sampleRate / 100);
    size_t sounding = 0;
    size_t windows = 0;
    for (size_t first = size_t(from * wav.sampleRate);
         first + window <= std::min(left.size(), size_t(to * wav.sampleRate)); first += window) {
        const std::vector<float> part(left.begin() + std::ptrdiff_t(first),
                                      left.begin() + std::ptrdiff_t(first + window));
        sounding += testmedia::rms(part) > 0.01 ? 1 : 0;
        ++windows;
    }
    return windows > 0 ? double(sounding) / double(windows) : 0.0;
}

double rmsBetween(const testmedia::WavData& wav, double from, double to) {
    return testmedia::rms(testmedia::channelOf(wav, 0, size_t(from * wav.sampleRate),
                                               size_t((to - from) * wav.sampleRate)));
}

// Waits until the wave writer has written `seconds` more than it had.
void playFor(const fs::path& out, double seconds) {
    const double until = testmedia::writtenSeconds(out) + seconds;
    ASSERT_TRUE(processUntil([&] { return testmedia::writtenSeconds(out) >= until; }, 30s));
}

} // namespace

TEST(OptionsWindow, OnTheDisplayShowsEveryPageActsOnTheSoundAndKeepsItsSettings) {
    // Repeat-one: each file goes on playing until another is opened.
    const fs::path home =
        makeProgramFolder(kName, "[PlayerSetting]\r\n-Loop=1\r\n[Etc]\r\n-OutputType=3\r\n");
    // A 0.1 s burst at the start of every 1.5 s, for the echo to fill the silence after it.
    const fs::path burst = testmedia::makeTone(std::string(kName) + "/burst.wav", kToneHz, 1.5,
                                               44100, 2, {"-af", "volume=0:enable='gte(t,0.1)'"});
    const fs::path steady =
        testmedia::makeTone(std::string(kName) + "/steady.wav", kToneHz, 8.0, 44100, 2);
    ASSERT_FALSE(burst.empty());
    ASSERT_FALSE(steady.empty());
    const fs::path out = waveOutput(kName);

    auto app = std::make_unique<PlayerApplication>(home);
    app->start(burst.string());
    ASSERT_TRUE(processUntil([&] { return onScreen(app->mainWindow()); }));

    click(app->mainWindow().button(kOption));
    ASSERT_TRUE(processUntil([&] { return app->optionsWindow() != nullptr; }));
    OptionWND& window = *app->optionsWindow();
    ASSERT_TRUE(processUntil([&] { return onScreen(window); }));
    auto* pages = window.findChild<QListWidget*>(QStringLiteral("List1"));
    ASSERT_NE(pages, nullptr);
    for (int page = 0; page < kOptionPageCount; ++page) {
        QListWidgetItem* item = pages->item(page);
        QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                          pages->visualItemRect(item).center());
        ASSERT_EQ(window.currentPage(), page);
        // The display has caught up when it shows what the window draws.
        QImage shown;
        ASSERT_TRUE(processUntil([&] {
            const QImage drawn = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
            shown = grabDisplay().copy(window.geometry()).convertToFormat(QImage::Format_RGB32);
            return shown == drawn;
        }));
        keepArtefact(shown, "options-page" + std::to_string(page) + ".png");
    }

    // The echo fills the silence after each burst.
    playFor(out, 3.0);
    const double dryUntil = testmedia::writtenSeconds(out);
    window.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(1);
    auto* echo = window.findChild<QCheckBox*>();
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("echo")) {
            echo = box;
        }
    }
    ASSERT_EQ(echo->text(), QStringLiteral("echo"));
    click(echo);
    ASSERT_TRUE(echo->isChecked());
    playFor(out, 4.5);
    const double echoUntil = testmedia::writtenSeconds(out);

    // The 1 kHz band cut deep takes the steady 1 kHz tone down with it.
    app->openFromCommandLine(steady.string());
    window.showPage(2);
    auto* useEqualizer = window.findChild<QCheckBox*>(QStringLiteral("Check1"));
    click(useEqualizer);
    ASSERT_TRUE(useEqualizer->isChecked());
    playFor(out, 2.5);
    const double flatUntil = testmedia::writtenSeconds(out);
    window.findChild<QSlider*>(QStringLiteral("VScroll1_%1").arg(kThousandHzBand))
        ->setValue(kDeepCut);
    playFor(out, 2.5);
    const double cutUntil = testmedia::writtenSeconds(out);

    window.close();
    app->mainWindow().close();
    ASSERT_TRUE(processUntil([&] { return !app->mainWindow().isVisible(); }));
    app.reset();

    const testmedia::WavData wav = testmedia::readWav(out);
    const double dry = soundingShare(wav, 0.0, dryUntil);
    const double wet = soundingShare(wav, echoUntil - 3.0, echoUntil);
    EXPECT_GT(dry, 0.0);
    EXPECT_GT(wet, 2.5 * dry) << "dry " << dry << ", with echo " << wet;
    const double flat = rmsBetween(wav, flatUntil - 1.0, flatUntil);
    const double cut = rmsBetween(wav, cutUntil - 1.0, cutUntil);
    EXPECT_GT(flat, 0.05);
    EXPECT_LT(cut, 0.3 * flat) << "flat " << flat << ", cut " << cut;

    // Started again, the player has every change back.
    auto again = std::make_unique<PlayerApplication>(home);
    again->start("");
    ASSERT_NE(again->optionsModel(), nullptr);
    OptionsWindowModel& model = *again->optionsModel();
    EXPECT_EQ(model.effects().checkBox(EffectKind::Echo).Value(), 1);
    EXPECT_EQ(model.EqualizerChecked(), 1);
    EXPECT_EQ(model.BandSlider(kThousandHzBand), kDeepCut);
    again->mainWindow().close();
    processUntil([&] { return !again->mainWindow().isVisible(); });
}
