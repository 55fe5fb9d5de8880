// The settings file: every key read back as written, defaults, the skin path rule, and files
// made on Windows.
#include "SettingFile.h"
#include "engine_fixture.h"
#include "fake_shell.h"

#include <fstream>
#include <sstream>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

struct FakeWindow : MainWindowPlacement {
    double left = 0, top = 0;
    double LeftTwips() const override { return left; }
    double TopTwips() const override { return top; }
    void MoveTo(double l, double t) override {
        left = l;
        top = t;
    }
};


std::string readAll(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class SettingFileTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setenv("XDG_CONFIG_HOME", (state.programFolder / "config").c_str(), 1);
        dsp = std::make_unique<clsDsp>(state, [this](FMOD_RESULT r) { player->CheckResult(r); });
        option = std::make_unique<clsOption>(shell, state.programFolder / "sorvel",
                                             [] { return std::string(); });
        fs::create_directories(state.programFolder / "Skins" / "Default");
        std::ofstream(state.programFolder / "Skins" / "Default" / "Default.ssf")
            << "[SkinSetting]\r\n-MainWidth=300\r\n";
        settings = std::make_unique<SettingFile>(owners());
    }
    SettingsOwners owners() {
        SettingsOwners o;
        o.state = &state;
        o.device = &player->audioDeviceSettings();
        o.dsp = dsp.get();
        o.option = option.get();
        o.skin = &skin;
        o.window = &window;
        o.messageBox = &messageBox;
        return o;
    }
    fs::path file() const { return state.programFolder / "sorvel_Settings.ini"; }

    settingstest::FakeShell shell;
    FakeWindow window;
    SkinDescription skin;
    std::unique_ptr<clsDsp> dsp;
    std::unique_ptr<clsOption> option;
    std::unique_ptr<SettingFile> settings;
};

TEST_F(SettingFileTest, EverySavedKeyReadsBackToItsOwner) {
    window.left = 1500;
    window.top = 2250.5;
    state.volumeLevel = 7;
    state.panPosition = -3;
    state.randomMode = 255;
    state.loopMode = 2;
    state.refreshIntervalMs = 40;
    for (size_t i = 0; i < state.optionValues.size(); ++i) {
        state.optionValues[i] = static_cast<int32_t>(i) - 10;
    }
    dsp->PitchShift(1);
    dsp->FFT(1);
    dsp->CompresserBool(1);
    dsp->EchoBool(1);
    dsp->SfxReverbBool(1);
    option->MessengerOn(1);
    option->ScrollOff(1);
    option->SnapWnd(1);
    auto& device = player->audioDeviceSettings();
    device.Priority(2);
    device.Samplerate(3);
    settings->SaveSettings();
    const std::string saved = readAll(file());
    EXPECT_NE(saved.find("-Priority=256"), std::string::npos);
    EXPECT_NE(saved.find("-MainTop=2250.5"), std::string::npos);
    EXPECT_NE(saved.find("[Effects]"), std::string::npos);
    EXPECT_LT(saved.find("[MainSetting]"), saved.find("[SkinFile]"));
    EXPECT_LT(saved.find("[Equalizer]"), saved.find("[Effects]"));
    EXPECT_LT(saved.find("-SnapWnd"), saved.find("-AudioDeviceReset"));

    // A fresh set of owners reads everything back.
    PlayerState fresh;
    fresh.programFolder = state.programFolder;
    clsAudioDeviceSettings freshDevice(messageBox, "Sorvel");
    clsDsp freshDsp(fresh, [](FMOD_RESULT) {});
    settingstest::FakeShell freshShell;
    clsOption freshOption(freshShell, state.programFolder / "sorvel", [] { return std::string(); });
    FakeWindow freshWindow;
    SkinDescription freshSkin;
    SettingsOwners o;
    o.state = &fresh;
    o.device = &freshDevice;
    o.dsp = &freshDsp;
    o.option = &freshOption;
    o.skin = &freshSkin;
    o.window = &freshWindow;
    SettingFile reader(o);
    reader.LoadSettings(true);
    reader.LoadSettings(false);
    EXPECT_EQ(freshWindow.left, 1500);
    EXPECT_EQ(fresh.volumeLevel, 7);
    EXPECT_EQ(fresh.panPosition, -3);
    EXPECT_EQ(fresh.randomMode, 255);
    EXPECT_EQ(fresh.loopMode, 2);
    EXPECT_EQ(fresh.refreshIntervalMs, 40);
    for (size_t slot : {0u, 1u, 2u, 7u, 13u, 21u, 25u, 26u}) {
        EXPECT_EQ(fresh.optionValues[slot], state.optionValues[slot]) << slot;
    }
    EXPECT_EQ(freshDsp.PitchShift(), 1);
    EXPECT_EQ(freshDsp.FFT(), 1);
    EXPECT_EQ(freshDsp.CompresserBool(), 1);
    EXPECT_EQ(freshDsp.EchoBool(), 1);
    EXPECT_EQ(freshDsp.SfxReverbBool(), 1);
    EXPECT_EQ(freshDsp.ChorusBool(), 0);
    EXPECT_EQ(freshOption.MessengerOn(), 1);
    EXPECT_EQ(freshOption.ScrollOff(), 1);
    EXPECT_EQ(freshOption.SnapWnd(), 1);
    EXPECT_EQ(freshDevice.StoredPriority(), 2);
    EXPECT_EQ(freshDevice.Samplerate(), 3);
    EXPECT_EQ(fresh.skinFilePath, (state.programFolder / "Skins" / "Default" / "Default.ssf").string());
    EXPECT_EQ(freshSkin.mainWidth, 300);
}

TEST_F(SettingFileTest, NoFileGivesEveryDefault) {
    fs::remove(file());
    state.volumeLevel = 9;
    settings->LoadSettings(false);
    EXPECT_EQ(state.volumeLevel, 5);
    EXPECT_EQ(state.loopMode, 0);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(state.skinFilePath,
              (state.programFolder / "Skins" / "Default" / "Default.ssf").string());
}

TEST_F(SettingFileTest, ByteValuesThatDoNotFitAreSkipped) {
    state.randomMode = 255;
    state.loopMode = 1;
    std::ofstream(file()) << "[PlayerSetting]\r\n-Random=300\r\n-Loop=-1\r\n-Volume=3\r\n";
    settings->LoadSettings(false);
    EXPECT_EQ(state.randomMode, 255);
    EXPECT_EQ(state.loopMode, 1);
    EXPECT_EQ(state.volumeLevel, 3);
}

TEST_F(SettingFileTest, SkinPathsResolveOrFallBackToTheDefault) {
    const fs::path blue = state.programFolder / "Skins" / "Blue";
    fs::create_directories(blue);
    std::ofstream(blue / "Blue.ssf") << "[SkinSetting]\r\n-MainWidth=123\r\n";
    EXPECT_EQ(ResolveSkinFile("Skins\\Blue\\Blue.ssf", state.programFolder), blue / "Blue.ssf");
    EXPECT_EQ(ResolveSkinFile("skins\\blue\\BLUE.SSF", state.programFolder), blue / "Blue.ssf");
    EXPECT_EQ(ResolveSkinFile((blue / "Blue.ssf").string(), state.programFolder),
              blue / "Blue.ssf");
    EXPECT_EQ(ResolveSkinFile("D:\\nowhere\\x.ssf", state.programFolder),
              state.programFolder / "Skins" / "Default" / "Default.ssf");
    EXPECT_EQ(ResolveSkinFile("Skins\\Gone\\Gone.ssf", state.programFolder),
              state.programFolder / "Skins" / "Default" / "Default.ssf");
}

TEST_F(SettingFileTest, WindowsMadeFileLoadsAndKeepsItsOtherLines) {
    // CP932 comment, CR LF lines, a drive-letter skin path that does not exist here.
    std::ofstream(file(), std::ios::binary)
        << "; \x90\xDD\x92\xE8\r\n[SkinFile]\r\n-SkinFile=C:\\Program Files\\Sorvel\\Skins\\"
           "Default\\Default.ssf\r\n[PlayerSetting]\r\n-Volume=8\r\n[Etc]\r\n-Priority=0\r\n";
    settings->LoadSettings(true);
    settings->LoadSettings(false);
    EXPECT_EQ(state.volumeLevel, 8);
    EXPECT_EQ(player->audioDeviceSettings().StoredPriority(), 0);
    EXPECT_EQ(state.skinFilePath,
              (state.programFolder / "Skins" / "Default" / "Default.ssf").string());
    settings->SaveSettings();
    const std::string saved = readAll(file());
    EXPECT_EQ(saved.rfind("; 設定\r\n", 0), 0u); // the comment survives, now in UTF-8
    EXPECT_NE(saved.find("-Volume=8\r\n"), std::string::npos);
    EXPECT_NE(saved.find("-SkinFile=" + state.skinFilePath + "\r\n"), std::string::npos);
}

TEST_F(SettingFileTest, UnwritableFileIsReportedAndLeftAlone) {
    fs::remove(file());
    fs::create_directories(file()); // a folder where the file should be
    settings->SaveSettings();
    EXPECT_EQ(messageBox.texts.size(), 1u);
    EXPECT_TRUE(fs::is_directory(file()));
}

} // namespace
