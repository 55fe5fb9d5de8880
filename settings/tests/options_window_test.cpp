// The options window's model without a window: its load and close sequences through the
// settings table, the playback enabling rules, the pages, the output page's lists and the
// interface priority, the skin page's information.
#include "OptionsWindowModel.h"
#include "engine_fixture.h"
#include "fake_shell.h"

#include <fstream>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

class OptionsWindow : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setenv("XDG_CONFIG_HOME", (state.programFolder / "config").c_str(), 1);
        dsp = std::make_unique<clsDsp>(state, [this](FMOD_RESULT r) { player->CheckResult(r); });
        option = std::make_unique<clsOption>(shell, state.programFolder / "sorvel",
                                             [] { return std::string(); });
    }
    void TearDown() override {
        model.reset();
        EngineTest::TearDown();
    }
    OptionsWindowModel& load() {
        model.reset();
        OptionsWindowOwners owners;
        owners.state = &state;
        owners.dsp = dsp.get();
        owners.option = option.get();
        owners.device = &player->audioDeviceSettings();
        owners.settings = &settings;
        owners.messageBox = &messageBox;
        owners.fileDialog = &fileDialog;
        owners.outputs = [] {
            return std::vector<OutputChoice>{{"auto", 0}, {"pulse", 14}, {"alsa", 12}};
        };
        owners.drivers = [](int32_t output) {
            return output == 12 ? std::vector<std::string>{"hw:0", "hw:1"}
                                : std::vector<std::string>{};
        };
        owners.restartTick = [this](int32_t period) { tickPeriods.push_back(period); };
        owners.reapplySkin = [this] { ++skinApplications; };
        owners.replayGainChanged = [this](int32_t mode, int32_t preAmp) {
            replayGainChanges.emplace_back(mode, preAmp);
        };
        model = std::make_unique<OptionsWindowModel>(std::move(owners));
        return *model;
    }

    struct CountingStore : SettingsStore {
        std::vector<std::string> calls;
        void LoadSettings(bool devicePartOnly) override {
            calls.push_back(devicePartOnly ? "load-device" : "load");
        }
        void SaveSettings() override { calls.push_back("save"); }
    } settings;
    settingstest::FakeShell shell;
    std::unique_ptr<clsDsp> dsp;
    std::unique_ptr<clsOption> option;
    std::unique_ptr<OptionsWindowModel> model;
    std::vector<int32_t> tickPeriods;
    std::vector<std::pair<int32_t, int32_t>> replayGainChanges;
    int skinApplications = 0;
};

} // namespace

TEST_F(OptionsWindow, ClosingStoresTheSlidersAndTheNextLoadRestoresThem) {
    OptionsWindowModel& first = load();
    first.playback().slider(PlaybackKind::Pitch).SetValue(5);
    first.playback().slider(PlaybackKind::Speed).SetValue(7);
    first.equalizer().band(3).DragTo(40); // a drag chooses "Custom", which keeps the bands
    first.equalizer().band(3).EndDrag();
    first.equalizer().useEqualizer().SetValue(1);
    first.Close();
    EXPECT_EQ(state.optionValues[0], 5);
    EXPECT_EQ(state.optionValues[25], 7);
    EXPECT_EQ(state.optionValues[5], 40);
    EXPECT_EQ(state.optionValues[21], 7);
    EXPECT_EQ(state.optionValues[22], 1);

    OptionsWindowModel& second = load();
    EXPECT_EQ(second.playback().slider(PlaybackKind::Pitch).Value(), 5);
    EXPECT_EQ(second.RateSlider(2), 7);
    EXPECT_EQ(second.BandSlider(3), 40);
    // The equalizer switched on stays on through the load.
    EXPECT_EQ(second.EqualizerChecked(), 1);
    EXPECT_NE(dsp->equalizerActive(), 0);
}

TEST_F(OptionsWindow, PitchAndFrequencyKeepSpeedDisabledUntilBothAreOff) {
    PlaybackControls& playback = load().playback();
    CheckBox& pitch = playback.checkBox(PlaybackKind::Pitch);
    CheckBox& frequency = playback.checkBox(PlaybackKind::Frequency);
    CheckBox& speed = playback.checkBox(PlaybackKind::Speed);
    pitch.Click();
    EXPECT_FALSE(speed.Enabled());
    frequency.Click();
    pitch.Click();
    EXPECT_FALSE(speed.Enabled());
    frequency.Click();
    EXPECT_TRUE(speed.Enabled());
    speed.Click();
    EXPECT_FALSE(pitch.Enabled());
    EXPECT_FALSE(playback.slider(PlaybackKind::Frequency).Enabled());
}

TEST_F(OptionsWindow, PagesOtherOptionsAndTheInterfacePriority) {
    OptionsWindowModel& options = load();
    EXPECT_EQ(options.page(), 0);
    options.SelectPage(4);
    EXPECT_EQ(options.page(), 4);
    EXPECT_STREQ(optionPageNames()[4], "スキン");
    options.SelectPage(9);
    EXPECT_EQ(options.page(), 4);

    options.other(1).Click();
    EXPECT_EQ(option->TopMost(), 1);
    EXPECT_EQ(options.other(1).Caption(), "常に手前に表示する");

    EXPECT_EQ(options.priority().Value(), 920);
    options.priority().SetValue(900);
    EXPECT_EQ(state.refreshIntervalMs, 100);
    options.priority().SetValue(920);
    EXPECT_EQ(state.refreshIntervalMs, 80);
    EXPECT_EQ(tickPeriods, (std::vector<int32_t>{100, 80}));
}

TEST_F(OptionsWindow, LoudnessLevellingShowsTheSettingsAndTellsThePlayer) {
    state.replayGainMode = 2;
    state.preAmpDb = -4;
    OptionsWindowModel& options = load();
    EXPECT_EQ(options.replayGainMode(), 2);
    EXPECT_EQ(options.preAmp().Value(), -4);
    EXPECT_EQ(options.preAmpCaption(), "-4 dB");
    EXPECT_TRUE(replayGainChanges.empty()); // showing the settings changes nothing

    options.SelectReplayGain(1);
    options.SelectReplayGain(7); // no such mode
    options.preAmp().DragTo(6);  // heard while dragging
    options.preAmp().EndDrag();
    EXPECT_EQ(options.preAmpCaption(), "+6 dB");
    EXPECT_EQ(state.replayGainMode, 1);
    EXPECT_EQ(state.preAmpDb, 6);
    EXPECT_EQ(replayGainChanges,
              (std::vector<std::pair<int32_t, int32_t>>{{1, -4}, {1, 6}, {1, 6}}));
    EXPECT_EQ(OptionsWindowModel::replayGainItems().size(), 3u);
}

TEST_F(OptionsWindow, TheOutputPageShowsTheStoredDeviceSettingsAndAppliesThem) {
    clsAudioDeviceSettings& device = player->audioDeviceSettings();
    device.OutputType(7); // a Windows output: autodetect here
    device.Priority(1);
    device.SoundFormat(2);
    OptionsWindowModel& options = load();
    EXPECT_EQ(options.audioSelection(0), 0);
    EXPECT_EQ(options.audioItems(1), (std::vector<std::string>{kDefaultDevice}));
    EXPECT_EQ(options.audioItems(6)[size_t(options.audioSelection(6))], "中");
    EXPECT_EQ(options.audioSelection(3), 1);

    options.SelectAudio(0, 2); // ALSA lists its devices
    EXPECT_EQ(options.audioItems(1), (std::vector<std::string>{"hw:0", "hw:1"}));
    options.SelectAudio(1, 1);
    options.SelectAudio(2, 3);
    messageBox.answer = MessageAnswer::No;
    options.ApplyAudio();
    EXPECT_EQ(device.OutputType(), 12);
    EXPECT_EQ(device.SoundCard(), 1);
    EXPECT_EQ(device.Samplerate(), 3);
    EXPECT_EQ(device.StoredPriority(), 1);
    EXPECT_EQ(device.SoundFormat(), 2);
    EXPECT_EQ(mainWindow.exits, 0);
    messageBox.answer = MessageAnswer::Yes;
    options.ApplyAudio();
    EXPECT_EQ(mainWindow.exits, 1); // the player closes for the restart
}

TEST_F(OptionsWindow, TheSkinPageShowsTheSkinsInformationAndAppliesIt) {
    const fs::path folder = state.programFolder / "Skins" / "Blue";
    fs::create_directories(folder);
    std::ofstream(folder / "Blue.ssf", std::ios::binary)
        << "[SkinInformation]\r\n-Name=Blue\r\n-Author=Me\r\n-Comment=dark blue glass\r\n"
           "[SkinSetting]\r\n-Dir=Skins\\Blue\\\r\n-BackPicture=back.bmp\r\n";
    std::ofstream(folder / "back.bmp") << "BM";
    OptionsWindowModel& options = load();
    options.SetSkinPath((folder / "Blue.ssf").string());
    EXPECT_EQ(options.skinName(), "Blue");
    EXPECT_EQ(options.skinComment(), "dark\nblue\nglass");
    EXPECT_EQ(options.skinPreview(), folder / "back.bmp");
    options.ApplySkin();
    EXPECT_EQ(state.skinFilePath, (folder / "Blue.ssf").string());
    EXPECT_EQ(settings.calls, (std::vector<std::string>{"save", "load"}));
    EXPECT_EQ(skinApplications, 1);

    options.SetSkinPath((folder / "missing.ssf").string());
    EXPECT_TRUE(options.skinName().empty());
    EXPECT_TRUE(options.skinPreview().empty());
}

TEST(OptionsWindowText, PreviewFitsTheBoxAndOutputsMapToTheirEntries) {
    EXPECT_EQ(skinPreviewSize(460, 142), (PreviewSize{173, 53}));
    EXPECT_EQ(skinPreviewSize(100, 200), (PreviewSize{69, 137}));
    EXPECT_EQ(skinPreviewSize(0, 10), PreviewSize{});
    EXPECT_EQ(tickPeriodForPriority(920), 80);
    const std::vector<OutputChoice> outputs{
        {"auto", 0}, {"pulse", 14}, {"alsa", 12}, {"none", 2}, {"wave", 3}};
    for (const auto& [stored, entry] : std::vector<std::pair<int, int>>{
             {14, 1}, {12, 2}, {2, 3}, {3, 4}, {5, 4}, {6, 0}, {10, 0}, {99, 0}}) {
        EXPECT_EQ(outputChoiceIndex(outputs, stored), entry) << stored;
    }
}
