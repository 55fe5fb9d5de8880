// The skinned main window on the offscreen platform, driven by the engine on the no-sound
// output: the skin's size and shape, buttons, sliders, analyzer, texts, menu and minimising.
#include "AnalyzerBox.h"
#include "Mwnd.h"
#include "PlayerDesktop.h"
#include "SkinButton.h"
#include "SkinKnob.h"
#include "SkinText.h"
#include "TitleBox.h"
#include "UpdateCommands.h"
#include "clsOption.h"
#include "clsSnap.h"
#include "engine_fixture.h"
#include "fake_shell.h"
#include "frmAbout.h"
#include "main_keys.h"
#include "skin_file.h"
#include "skin_layout.h"
#include "skin_shape.h"
#include "sorvel_version.h"
#include "update_list.h"

#include <QAction>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <fstream>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        state.programFolder = testmedia::mediaDir() / ("mwnd" + std::to_string(++counter));
        fs::create_directories(state.programFolder);
        std::ofstream(state.programFolder / "sorvel_Settings.ini") << "[Etc]\r\n-OutputType=4\r\n";
        const fs::path shipped = SORVEL_PROGRAM_FOLDER;
        skin = ReadSkinDescription(shipped / "Skins" / "Default" / "Default.ssf", shipped);
        window = std::make_unique<Mwnd>(state, skin, pictures, snap);
        window->setMessageBox(&messages);
        PlayerServices services;
        services.messageBox = &messages;
        services.mainWindow = window.get();
        services.playlistView = &rows;
        player = std::make_unique<Player>(state, services);
        window->setPlayer(player.get());
        window->setClosing([this] {
            player->Shutdown();
            ++closings;
        });
        player->StartEngine();
    }
    void TearDown() override { window->close(); }

    // A press and release of the left button at `at` inside `widget`.
    static void click(QWidget* widget, QPoint at) {
        QTest::mousePress(widget, Qt::LeftButton, {}, at);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    }

    // Counts the paint events of a widget and everything on it.
    struct PaintCounter : QObject {
        explicit PaintCounter(QWidget* widget) {
            widget->installEventFilter(this);
            for (QWidget* child : widget->findChildren<QWidget*>()) {
                child->installEventFilter(this);
            }
        }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                ++paints[watched];
            }
            return false;
        }
        int total() const {
            int sum = 0;
            for (const int count : paints) {
                sum += count;
            }
            return sum;
        }
        QHash<QObject*, int> paints;
    };
    // One tick as the timer runs it, and the paints it asks for.
    void tickAndPaint() {
        player->PlaybackTick();
        settle();
    }
    // Lets the paints asked for happen (the platform spaces them a few milliseconds apart).
    static void settle() { QTest::qWait(15); }

    QStringList menuCaptions() const {
        QStringList captions;
        for (QAction* action : window->menu()->actions()) {
            if (!action->isSeparator()) {
                captions << action->text();
            }
        }
        return captions;
    }

    PlayerState state;
    SkinDescription skin;
    SkinPictures pictures;
    clsSnap snap;
    enginetest::FakeMessageBox messages;
    enginetest::FakePlaylistView rows;
    std::unique_ptr<Mwnd> window;
    std::unique_ptr<Player> player;
    int closings = 0;
};

} // namespace

TEST_F(MainWindow, TakesTheSkinsSizeAndIsShapedByItsClearColour) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(skin.mainWidth, skin.mainHeight));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    // The shipped skin's corners are in the clear colour: holes in the window.
    const QImage back = window->background();
    ASSERT_EQ(back.pixel(0, 0), toQColor(skin.clearColor).rgb());
    const QRegion shape = window->mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(skin.mainWidth / 2, skin.mainHeight / 2)));
}

TEST_F(MainWindow, ShowsTheFifteenButtonsAtTheSkinsPlacesWithJapaneseTips) {
    for (const int number : SkinDescription::buttonNumbers) {
        SkinButton* button = window->button(number);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << number;
        EXPECT_EQ(button->pos(), QPoint(skin.buttons[number].x, skin.buttons[number].y));
    }
    // Each tip names the keys that do the same.
    EXPECT_EQ(window->button(2)->toolTip(), QStringLiteral("Play (再生) [X, Space]"));
    EXPECT_EQ(window->button(11)->toolTip(),
              QStringLiteral("Repeat&Loop (一曲リピート&全曲ループ)"));
    EXPECT_EQ(window->button(17)->toolTip(), QStringLiteral("Minimize (最小化) [Esc]"));
    EXPECT_EQ(window->titleBox()->toolTip(), QStringLiteral("曲名 - アーティスト"));
    EXPECT_EQ(window->timeBox()->toolTip(), QStringLiteral("演奏時間"));
    EXPECT_EQ(window->analyzer()->toolTip(), QStringLiteral("Analyzer (クリックで切り替え可能)"));
    EXPECT_EQ(window->volumeKnob()->toolTip(), QStringLiteral("100%"));
}

TEST_F(MainWindow, AButtonActsOnlyWhenReleasedInsideAndShowsItsState) {
    SkinButton* random = window->button(kRandom);
    QTest::mousePress(random, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(state.buttonHeld);
    QTest::mouseRelease(random, Qt::LeftButton, {}, QPoint(-40, 2)); // let go outside
    EXPECT_FALSE(state.buttonHeld);
    EXPECT_EQ(state.randomMode, 0);
    EXPECT_EQ(random->picture(), pictures.picture(kRandom, 0));

    click(random, QPoint(2, 2));
    EXPECT_EQ(state.randomMode, 255);
    EXPECT_EQ(random->picture(), pictures.picture(kRandom, 1));

    SkinButton* loop = window->button(kRepeatLoop);
    for (const int mode : {1, 2, 0}) {
        click(loop, QPoint(2, 2));
        EXPECT_EQ(state.loopMode, mode);
        EXPECT_EQ(loop->picture(), pictures.picture(kRepeatLoop, mode));
    }
}

TEST_F(MainWindow, PressedButtonsShowTheirPressedPicture) {
    SkinButton* stop = window->button(kStop);
    QTest::mousePress(stop, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(stop->picture(), pictures.picture(kStop, 1));
    QTest::mouseRelease(stop, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(stop->picture(), pictures.picture(kStop, 0));
    EXPECT_TRUE(state.stoppedFlag);
}

TEST_F(MainWindow, DraggingTheVolumeKnobSetsTheLevelAndItsTip) {
    SkinKnob* knob = window->volumeKnob();
    const QPoint start = knob->pos();
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(2, 2));
    // To the right end of its travel: the loudest level.
    const int toEnd = skin.volumeSlider.barAreaX2 - start.x();
    QTest::mouseMove(knob, QPoint(2 + toEnd, 2));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(2 + toEnd, 2));
    EXPECT_EQ(knob->x(), skin.volumeSlider.barAreaX2);
    EXPECT_EQ(state.volumeLevel, 10);
    EXPECT_EQ(knob->toolTip(), QStringLiteral("200%"));

    // Beyond the travel nothing moves.
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(60, 2));
    EXPECT_EQ(knob->x(), skin.volumeSlider.barAreaX2);
    EXPECT_EQ(state.volumeLevel, 10);
}

TEST_F(MainWindow, PanFollowsItsKnobAndADoubleClickCentresIt) {
    SkinKnob* knob = window->panKnob();
    const int left = skin.panSlider.barAreaX - knob->x();
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(knob, QPoint(2 + left, 2));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(2 + left, 2));
    EXPECT_EQ(state.panPosition, -10);
    EXPECT_EQ(knob->toolTip(), QStringLiteral("-10"));

    QTest::mouseDClick(knob, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(state.panPosition, 0);
    EXPECT_EQ(knob->pos(), panKnobPosition(skin.panSlider, 0));
    EXPECT_EQ(knob->toolTip(), QStringLiteral("0"));
}

TEST_F(MainWindow, TheTrackKnobShowsTheDragTimeAndSeeksOnRelease) {
    const fs::path tone = testmedia::makeTone("mwnd-seek.wav", 440, 4.0, 44100, 2);
    player->OpenMedia(tone.string());
    ASSERT_GT(state.seekBarLengthMs, 3900u);
    SkinKnob* knob = window->trackKnob();
    const auto& slider = skin.trackSlider;
    const int half = (slider.barAreaX + slider.barAreaX2) / 2 - knob->x();
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(knob, QPoint(2 + half, 2));
    EXPECT_TRUE(state.seekDragging);
    EXPECT_NEAR(state.seekDragTargetMs, 2000, 30);
    EXPECT_TRUE(window->timeBox()->text().startsWith(QStringLiteral("00:02/")));
    // The pointer is let go where it holds the knob, which has moved along with it.
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(state.seekDragging);
    unsigned int position = 0;
    FMOD_Channel_GetPosition(state.currentChannel, &position, FMOD_TIMEUNIT_MS);
    EXPECT_NEAR(position, 2000, 60);
}

TEST_F(MainWindow, AnalyzerClicksStepTheModeAndARightClickOpensTheMenu) {
    AnalyzerBox* analyzer = window->analyzer();
    for (const int mode : {1, 2, 3, 0}) {
        click(analyzer, QPoint(5, 5));
        EXPECT_EQ(analyzer->mode(), mode);
    }
    QTest::mousePress(analyzer, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(analyzer->mode(), 0);
    EXPECT_TRUE(window->menu()->isVisible());
    window->menu()->close();
}

TEST_F(MainWindow, TheAnalyzerDrawsTheSpectrumOfWhatPlaysInTheSkinsBox) {
    const fs::path tone = testmedia::makeTone("mwnd-spectrum.wav", 1000, 2.0, 44100, 2);
    player->OpenMedia(tone.string());
    for (int tick = 0; tick < 20; ++tick) {
        player->PlaybackTick();
    }
    AnalyzerBox* analyzer = window->analyzer();
    EXPECT_EQ(analyzer->geometry(), QRect(skin.spectrumAreaX, skin.spectrumAreaY,
                                          skin.spectrumAreaWidth, skin.spectrumAreaHeight));
    // A 1 kHz tone lifts the caps of the columns around its bin off the floor.
    const PeakLevels& peaks = analyzer->peaks();
    const float highest = *std::min_element(peaks.begin(), peaks.end());
    EXPECT_LT(highest, float(skin.spectrumAreaHeight) / 2);
    const QImage shown = analyzer->shown();
    const QImage bare =
        window->background().copy(analyzer->geometry()).convertToFormat(shown.format());
    EXPECT_NE(shown, bare);

    // Switched off, the box keeps its last picture and the step asks for no library update.
    settingstest::FakeShell shell;
    clsOption options(shell, state.programFolder / "sorvel", [] { return std::string(); });
    window->setOptions(&options);
    options.Analyzer_Off(1);
    const QImage last = analyzer->shown();
    EXPECT_FALSE(window->AnalyzerStep());
    EXPECT_EQ(analyzer->shown(), last);
    window->setOptions(nullptr);
}

TEST_F(MainWindow, TheTimeBoxKeepsItsRightEdgeAndTheTitleScrolls) {
    state.titleText = "1. 夜明けのシンフォニー - Sorvel Ensemble";
    state.lengthText = "04:56";
    state.positionMs = 83000;
    window->DrawTimeAndTitle();
    SkinText* time = window->timeBox();
    EXPECT_EQ(time->text(), QStringLiteral("01:23/04:56"));
    const int right = time->geometry().right();
    state.positionMs = 11000;
    window->DrawTimeAndTitle();
    EXPECT_EQ(time->text(), QStringLiteral("00:11/04:56"));
    EXPECT_EQ(time->geometry().right(), right);
    EXPECT_EQ(time->y(), skin.timeTxtAreaY);

    const int32_t before = window->titleScroll();
    window->DrawTimeAndTitle();
    EXPECT_EQ(window->titleScroll(), before - 30);
    EXPECT_EQ(window->titleBox()->text(), QString::fromStdString(state.titleText));
}

TEST_F(MainWindow, StoppedAndIdleItPaintsNothingTickAfterTick) {
    ASSERT_TRUE(window->isVisible());
    // The first picture of each part; the analyzer's peak caps sink to the floor.
    for (int tick = 0; tick < 100; ++tick) {
        player->PlaybackTick();
    }
    settle();
    PaintCounter counter(window.get());
    for (int tick = 0; tick < 10; ++tick) {
        tickAndPaint();
    }
    EXPECT_EQ(counter.total(), 0);
    for (auto it = counter.paints.begin(); it != counter.paints.end(); ++it) {
        ADD_FAILURE() << it.key()->objectName().toStdString() << " painted " << it.value();
    }
}

TEST_F(MainWindow, AnIdleTickRestsUntilTheNextEventAndNeverWhileSomethingPlays) {
    for (int tick = 0; tick < 100; ++tick) {
        player->PlaybackTick(); // the analyzer's caps sink to the floor
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->ticking(); }, 5000));
    QTest::qWait(300);
    EXPECT_FALSE(window->ticking());
    // Any event wakes it, at its period.
    QEvent poke(QEvent::User);
    QCoreApplication::sendEvent(window.get(), &poke);
    EXPECT_TRUE(window->ticking());
    EXPECT_EQ(window->tickInterval(), 80);

    player->OpenMedia(testmedia::makeTone("mwnd-rest.wav", 440, 2.0).string());
    QTest::qWait(400);
    EXPECT_TRUE(window->ticking());
    player->TransportCommand(kStop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->ticking(); }, 15000));
}

TEST_F(MainWindow, TheTimeRepaintsWhenItsSecondChangesAndTheTitleWhileItScrolls) {
    window->setTickPeriod(3600 * 1000); // ticked by hand below
    state.lengthText = "04:56";
    state.positionMs = 1000;
    window->DrawTimeAndTitle();
    settle();
    PaintCounter counter(window.get());
    for (int32_t ms = 1080; ms < 3000; ms += 80) {
        state.positionMs = ms;
        window->DrawTimeAndTitle();
        settle();
    }
    EXPECT_EQ(counter.paints.value(window->timeBox()), 1); // 00:01 -> 00:02
    EXPECT_EQ(counter.paints.value(window->titleBox()), 0) << "an empty title shows nothing";

    // Long enough to stay in the box over these ticks, wherever the scroll stands.
    state.titleText = "1. 夜明けのシンフォニー - Sorvel Ensemble";
    for (int tick = 0; tick < 5; ++tick) {
        window->DrawTimeAndTitle();
        settle();
    }
    EXPECT_EQ(counter.paints.value(window->titleBox()), 5);
    EXPECT_EQ(counter.paints.value(window->timeBox()), 1);
}

TEST_F(MainWindow, TheMenuHasEveryItemAndUnbuiltWindowsSaySo) {
    const QStringList expected = {
        "Open (&O)",         "URL Open (&R)",       "|>   Play (&P)",
        "| |   Pause (&H)",  "□  Stop (&S)",        "|<   Back (&B)",
        ">|   Forward (&F)", "PlayListEditor (&L)", "ラウドネス解析 (&G)",
        "Option (&T)",       "Effects (&E)",        "Equalizer (&Q)",
        "Extentions (&D)",   "SkinSelect (&A)",     "AutoUpdateCheck (&U)",
        "About (&C)",        "Help (&V)",           "Minimize (&X)",
        "Exit (&Z)"};
    EXPECT_EQ(menuCaptions(), expected);
    for (const char* name : {"PlistEdtShow", "LoudnessScan", "SelectMen", "SelectMenu3"}) {
        messages.texts.clear();
        window->menu()->findChild<QAction*>(QString::fromLatin1(name))->trigger();
        ASSERT_EQ(messages.texts.size(), 1u) << name;
        EXPECT_EQ(messages.texts.front(), kNotAvailableYet);
    }
    messages.texts.clear();
    click(window->button(kOpenCd), QPoint(2, 2));
    EXPECT_EQ(messages.texts.size(), 1u);

    // Given its opener, the OpenCD button opens the CD chooser.
    int chooserOpened = 0;
    window->setCdChooserOpener([&] { ++chooserOpened; });
    messages.texts.clear();
    click(window->button(kOpenCd), QPoint(2, 2));
    EXPECT_EQ(chooserOpened, 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(MainWindow, UpdateAndHelpItemsRunTheirCommandsAndAboutShowsTheVersion) {
    struct Launcher : ShellLauncher {
        std::vector<fs::path> started, opened;
        bool startProgram(const fs::path& program, const fs::path&) override {
            started.push_back(program);
            return true;
        }
        bool openDocument(const fs::path& document) override {
            opened.push_back(document);
            return true;
        }
    } launcher;
    const fs::path folder = state.programFolder;
    UpdateCommands commands(
        folder, messages, launcher, [this] { window->close(); },
        [](const fs::path&) { return true; });
    window->setUpdateCommands(&commands);
    std::ofstream(folder / kHelpFileName) << "<html></html>";
    window->menu()->findChild<QAction*>(QStringLiteral("helpFileOpen"))->trigger();
    EXPECT_EQ(launcher.opened, std::vector<fs::path>{folder / kHelpFileName});

    messages.answer = MessageAnswer::Yes;
    window->menu()->findChild<QAction*>(QStringLiteral("UpdateCheck"))->trigger();
    EXPECT_EQ(launcher.started, std::vector<fs::path>{folder / "updater"});
    EXPECT_EQ(closings, 1) << "the player closes through its normal closing";
    window->setUpdateCommands(nullptr);

    window->menu()->findChild<QAction*>(QStringLiteral("AboutShow"))->trigger();
    auto* about = window->findChild<frmAbout*>();
    ASSERT_NE(about, nullptr);
    QStringList texts;
    for (const QLabel* label : about->findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromLatin1(kSorvelVersion)))
        << texts.join(QLatin1Char('|')).toStdString();
}

TEST_F(MainWindow, MenuTransportItemsRunTheirCommands) {
    const fs::path tone = testmedia::makeTone("mwnd-menu.wav", 440, 2.0, 44100, 2);
    player->OpenMedia(tone.string());
    window->menu()->findChild<QAction*>(QStringLiteral("button2"))->trigger(); // Stop
    EXPECT_TRUE(state.stoppedFlag);
    EXPECT_FALSE(state.commandInProgress);
}

TEST(MainWindowKeys, EachKeyDoesWhatItsButtonDoesAndTheTipsNameThem) {
    using Kind = KeyCommand::Kind;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<std::pair<Kind, int>> command;
    };
    const Case cases[] = {
        {Qt::Key_Space, {}, {{Kind::Button, kPlay}}},
        {Qt::Key_Z, {}, {{Kind::Button, kBack}}},
        {Qt::Key_X, Qt::ShiftModifier, {{Kind::Button, kPlay}}},
        {Qt::Key_C, Qt::KeypadModifier, {{Kind::Button, kPause}}},
        {Qt::Key_V, {}, {{Kind::Button, kStop}}},
        {Qt::Key_B, {}, {{Kind::Button, kNext}}},
        {Qt::Key_Left, {}, {{Kind::Seek, -5000}}},
        {Qt::Key_Right, {}, {{Kind::Seek, 5000}}},
        {Qt::Key_Up, {}, {{Kind::Volume, 1}}},
        {Qt::Key_Down, {}, {{Kind::Volume, -1}}},
        {Qt::Key_O, Qt::ControlModifier, {{Kind::Button, kOpenFile}}},
        {Qt::Key_L, Qt::ControlModifier, {{Kind::Button, kPlaylist}}},
        {Qt::Key_P, Qt::ControlModifier, {{Kind::Button, kOption}}},
        {Qt::Key_Escape, {}, {{Kind::Button, kMinimize}}},
        {Qt::Key_O, {}, std::nullopt},
        {Qt::Key_X, Qt::ControlModifier, std::nullopt},
        {Qt::Key_Space, Qt::AltModifier, std::nullopt},
        {Qt::Key_A, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto command = mainWindowKey(c.key, c.modifiers);
        ASSERT_EQ(command.has_value(), c.command.has_value()) << c.key;
        if (command) {
            EXPECT_EQ(std::pair(command->kind, command->value), *c.command) << c.key;
        }
    }
    EXPECT_EQ(buttonKeysText(kSeekForward), QStringLiteral("→"));
    EXPECT_EQ(buttonKeysText(kOption), QStringLiteral("Ctrl+P"));
    EXPECT_EQ(buttonKeysText(kRandom), QString());
}

TEST_F(MainWindow, KeysPauseAndResumeSeekAndChangeTheVolume) {
    const fs::path tone = testmedia::makeTone("mwnd-keys.wav", 440, 12.0, 44100, 2);
    player->OpenMedia(tone.string());
    auto paused = [&] {
        FMOD_BOOL value = 0;
        FMOD_Channel_GetPaused(state.currentChannel, &value);
        return value != 0;
    };
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_TRUE(paused());
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(paused());
    EXPECT_FALSE(state.commandInProgress);

    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Left);
    unsigned int position = 0;
    FMOD_Channel_GetPosition(state.currentChannel, &position, FMOD_TIMEUNIT_MS);
    EXPECT_NEAR(position, 5000, 100);
    EXPECT_EQ(window->trackKnob()->pos(),
              trackKnobPosition(skin.trackSlider, state.positionMs, state.seekBarLengthMs));
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(window.get(), Qt::Key_Left); // stops at the start
    }
    FMOD_Channel_GetPosition(state.currentChannel, &position, FMOD_TIMEUNIT_MS);
    EXPECT_LT(position, 100u);

    QTest::keyClick(window.get(), Qt::Key_Up);
    EXPECT_EQ(state.volumeLevel, 6);
    EXPECT_EQ(window->volumeKnob()->pos(), volumeKnobPosition(skin.volumeSlider, 6));
    EXPECT_EQ(window->volumeKnob()->toolTip(), QStringLiteral("120%"));
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(window.get(), Qt::Key_Down); // stops at silence
    }
    EXPECT_EQ(state.volumeLevel, 0);

    // Windows the test has not made answer that they are not there yet.
    QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], kNotAvailableYet);
    QTest::keyClick(window.get(), Qt::Key_V);
    EXPECT_TRUE(state.stoppedFlag);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(window->windowState(), WindowState::Minimized);
}

TEST_F(MainWindow, ASkinThatCannotBeUsedIsReportedOnceAndTheDefaultSkinTakesItsPlace) {
    const fs::path shipped = SORVEL_PROGRAM_FOLDER;
    state.shippedFolder = shipped;
    const fs::path own = state.programFolder / "Skins";
    fs::create_directories(own / "Broken");
    fs::copy(shipped / "Skins" / "Default", own / "Broken", fs::copy_options::recursive);
    std::ofstream(own / "Broken" / "back.bmp", std::ios::trunc) << "BM damaged";
    std::ofstream(own / "Garbage.ssf") << "\x01\x02 not a skin";
    struct Case {
        fs::path skinFile;
        std::string message;
    };
    const Case cases[] = {
        {own / "Broken" / "Default.ssf",
         "ピクチャが不正です。\r\n" + (own / "Broken" / "back.bmp").string()},
        {own / "Garbage.ssf",
         std::string(kSkinInvalidText) + "\r\n" + (own / "Garbage.ssf").string()},
        {own / "Gone.ssf", std::string(kSkinMissingText) + "\r\n" + (own / "Gone.ssf").string()},
    };
    const fs::path fallback = shipped / "Skins" / "Default" / "Default.ssf";
    for (const Case& c : cases) {
        messages.texts.clear();
        state.skinFilePath = c.skinFile.string();
        // The broken copy names its own folder as the place of its pictures.
        ReadSkinDescription(c.skinFile, {state.programFolder, state.shippedFolder}, skin);
        skin.skinFolder = own / "Broken";
        window->PrepareWindows();
        EXPECT_EQ(messages.texts, std::vector<std::string>{c.message});
        EXPECT_EQ(state.skinFilePath, fallback.string());
        EXPECT_EQ(window->size(), QSize(460, 142)) << c.skinFile;
        EXPECT_FALSE(window->background().isNull());
    }

    // Without a default skin either, the bare face stands in: said once, and never black.
    state.shippedFolder = state.programFolder;
    messages.texts.clear();
    state.skinFilePath = (own / "Gone.ssf").string();
    skin = SkinDescription{};
    window->PrepareWindows();
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(window->size(), QSize(200, 48));
    const QImage face = window->grab().toImage();
    EXPECT_NE(face.pixelColor(2, 2), QColor(Qt::black));
}

TEST_F(MainWindow, AStoredPlaceOffTheScreensIsBroughtBackWhenTheWindowShows) {
    window->MoveTo(150000 * 15, -9000 * 15);
    window->PrepareWindows();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(window->pos(), window->size()))) << window->pos().x();
    // A place on the screen stays as it is.
    window->MoveTo(1500, 3000);
    window->PrepareWindows();
    EXPECT_EQ(window->pos(), QPoint(100, 200));
}

TEST_F(MainWindow, MinimisingSlowsTheTickAndRestoringUsesTheConfiguredPeriod) {
    state.refreshIntervalMs = 120;
    EXPECT_EQ(window->tickInterval(), 80); // from start-up
    click(window->button(kMinimize), QPoint(2, 2));
    EXPECT_EQ(window->windowState(), WindowState::Minimized);
    EXPECT_EQ(window->tickInterval(), 1000);
    window->restoreNormal();
    EXPECT_EQ(window->windowState(), WindowState::Normal);
    EXPECT_EQ(window->tickInterval(), 120);
}

TEST_F(MainWindow, TheExitButtonRunsTheClosingSequenceOnce) {
    click(window->button(kExit), QPoint(2, 2));
    EXPECT_EQ(closings, 1);
    EXPECT_FALSE(window->ticking());
    EXPECT_EQ(state.soundSystem, 0u);
    window->close();
    EXPECT_EQ(closings, 1);
}

TEST_F(MainWindow, ItsPlaceIsKeptInTwips) {
    window->MoveTo(1500, 3000);
    EXPECT_EQ(window->pos(), QPoint(100, 200));
    EXPECT_EQ(window->LeftTwips(), 1500);
    EXPECT_EQ(window->TopTwips(), 3000);
}

TEST_F(MainWindow, MinimisingToTheTrayLeavesTheTaskBarAndAClickBringsItBack) {
    PlayerDesktop desktop(*window, snap);
    desktop.setTrayAvailable(true);
    clsOption options(desktop, state.programFolder / "sorvel", [this] { return state.titleText; });
    window->setOptions(&options);
    options.TaskIn(1); // nothing happens while the window shows normally
    EXPECT_FALSE(desktop.trayShown());

    click(window->button(kMinimize), QPoint(2, 2));
    QCoreApplication::processEvents();
    EXPECT_TRUE(desktop.trayShown());
    EXPECT_TRUE(window->inTray());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowState(), WindowState::Minimized);

    emit desktop.tray()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowState(), WindowState::Normal);
    EXPECT_FALSE(desktop.trayShown());
    window->setOptions(nullptr);
}

TEST_F(MainWindow, WithoutATrayMinimisingKeepsTheWindowInTheTaskBar) {
    PlayerDesktop desktop(*window, snap);
    desktop.setTrayAvailable(false);
    clsOption options(desktop, state.programFolder / "sorvel", [] { return std::string(); });
    window->setOptions(&options);
    options.TaskIn(1);
    window->Minimize();
    EXPECT_FALSE(desktop.trayShown());
    EXPECT_FALSE(window->inTray());
    EXPECT_EQ(window->windowState(), WindowState::Minimized);
    window->restoreNormal();
    window->setOptions(nullptr);
}

TEST_F(MainWindow, KeepingOnTopLeavesTheWindowWhereItWas) {
    window->move(120, 80);
    PlayerDesktop desktop(*window, snap);
    desktop.SetWindowsOnTop(true);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(120, 80));
    desktop.SetWindowsOnTop(false);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->isVisible());
}

TEST(SkinTextWidgets, TheTitleOrsTheSkinOverItsColourAndDrawsItsTextWhereItIsTold) {
    QWidget parent;
    parent.resize(80, 20);
    QImage background(80, 20, QImage::Format_RGB32);
    background.fill(QColor(0, 0, 200));
    TitleBox title(&parent);
    SkinText time(&parent);
    title.setGeometry(0, 0, 40, 20);
    time.setGeometry(40, 0, 40, 20);
    title.setSkin(&background, QColor(200, 0, 0), QFont(), Qt::white);
    time.setSkin(&background, QColor(200, 0, 0), QFont(), Qt::white);

    // Without text: the title shows the skin or-ed over its colour, the time box the skin alone.
    EXPECT_EQ(title.grab().toImage().pixelColor(1, 1), QColor(200, 0, 200));
    EXPECT_EQ(time.grab().toImage().pixelColor(1, 1), QColor(0, 0, 200));

    // The title's text starts at its position; nothing left of it changes.
    title.showText(QStringLiteral("MMMM"), QPoint(20, 0));
    const QImage shown = title.grab().toImage();
    bool textRight = false;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(shown.pixelColor(x, y), QColor(200, 0, 200)) << x << "," << y;
        }
        for (int x = 20; x < shown.width(); ++x) {
            textRight = textRight || shown.pixelColor(x, y) != QColor(200, 0, 200);
        }
    }
    EXPECT_TRUE(textRight);

    // Laid out once, the text is drawn as drawText draws it, baseline at the font's ascent.
    QImage expected(40, 20, QImage::Format_RGB32);
    expected.fill(QColor(200, 0, 200));
    QPainter painter(&expected);
    painter.setPen(Qt::white);
    painter.setFont(title.font());
    painter.drawText(QPoint(20, QFontMetrics(title.font()).ascent()), QStringLiteral("MMMM"));
    painter.end();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), expected);
}

TEST(AnalyzerBoxPicture, PaintsLandAsAPainterWouldPutThemOverTheSkin) {
    QWidget parent;
    parent.resize(60, 30);
    QImage background(60, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 60; ++x) {
            background.setPixelColor(x, y, QColor(x * 4, y * 8, 100));
        }
    }
    QImage bars(40, 20, QImage::Format_RGB32);
    bars.fill(QColor(0, 200, 50));
    AnalyzerBox box(&parent);
    box.setGeometry(10, 5, 40, 20);
    box.setSkin(&background, bars, QColor(255, 0, 0), QColor(0, 0, 255));
    const std::vector<AnalyzerPaint> paints = {
        {AnalyzerPaintKind::PictureBar, {2, 5, 6, 20}},
        {AnalyzerPaintKind::PeakCap, {2, 3, 6, 5}},
        {AnalyzerPaintKind::SpectrumBar, {8, 10, 9, 20}},
        {AnalyzerPaintKind::WaveDot, {20, 7, 21, 8}},
        {AnalyzerPaintKind::PictureBar, {36, 2, 44, 30}}, // beyond the box and the picture
        {AnalyzerPaintKind::SpectrumBar, {12, 4, 12, 9}}, // empty
    };
    box.clearToBackground();
    box.paint(paints);
    box.refresh();

    QImage expected = background.copy(box.geometry());
    QPainter painter(&expected);
    painter.drawImage(QPoint(2, 5), bars, QRect(2, 5, 4, 15));
    painter.fillRect(QRect(2, 3, 4, 2), Qt::white);
    painter.fillRect(QRect(8, 10, 1, 10), QColor(255, 0, 0));
    painter.fillRect(QRect(20, 7, 1, 1), QColor(0, 0, 255));
    painter.drawImage(QPoint(36, 2), bars, QRect(36, 2, 4, 18));
    painter.end();
    EXPECT_EQ(box.shown(), expected);

    // Cleared, it shows the skin alone again.
    box.clearToBackground();
    box.refresh();
    EXPECT_EQ(box.shown(), background.copy(box.geometry()));
}
