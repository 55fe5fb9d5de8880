// The settings file: every key read back as written, defaults, the skin path rule, and files
// made on Windows.
#include "ProfileFile.h"
#include "SettingFile.h"
#include "StartupDecision.h"
#include "engine_fixture.h"
#include "fake_shell.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

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

// Every object the settings file hands values to.
struct Owners {
    PlayerState& state;
    clsAudioDeviceSettings& device;
    clsDsp& dsp;
    clsOption& option;
    FakeWindow& window;
};

// A second player's owners, as they are before anything was loaded.
struct FreshOwners {
    FreshOwners(const fs::path& programFolder, MessageBoxService& messageBox)
        : device(messageBox, "Sorvel"), dsp(state, [](FMOD_RESULT) {}),
          option(shell, programFolder / "sorvel", [] { return std::string(); }) {
        state.programFolder = programFolder;
    }
    Owners owners() { return {state, device, dsp, option, window}; }
    SettingsOwners settingsOwners() {
        SettingsOwners o;
        o.state = &state;
        o.device = &device;
        o.dsp = &dsp;
        o.option = &option;
        o.skin = &skin;
        o.window = &window;
        return o;
    }

    PlayerState state;
    clsAudioDeviceSettings device;
    clsDsp dsp;
    settingstest::FakeShell shell;
    clsOption option;
    FakeWindow window;
    SkinDescription skin;
};

// One key of the file: where it is written, the value its owner is given before a save (each
// owner its own, so a value that reaches the wrong owner shows too), the text the file must
// then hold, what a load gives when the key is missing, and how the owner is set and read.
struct KeyRow {
    const char* section;
    const char* key;
    long long value;
    std::string text;
    long long fallback;
    std::function<void(Owners&, long long)> set;
    std::function<long long(Owners&)> get;
};

KeyRow row(const char* section, const char* key, long long value, long long fallback,
           std::function<void(Owners&, long long)> set, std::function<long long(Owners&)> get) {
    return {section, key, value, std::to_string(value), fallback, std::move(set), std::move(get)};
}

#define PROPERTY(object, name)                                                                     \
    [](Owners& o, long long v) { o.object.name(static_cast<int32_t>(v)); },                        \
        [](Owners& o) -> long long { return o.object.name(); }
#define FIELD(field, type)                                                                         \
    [](Owners& o, long long v) { o.state.field = static_cast<type>(v); },                          \
        [](Owners& o) -> long long { return o.state.field; }

KeyRow slotRow(const char* section, const char* key, size_t slot) {
    const long long value = (slot % 2 != 0 ? 1 : -1) * (200 + static_cast<long long>(slot));
    return row(
        section, key, value, 0,
        [slot](Owners& o, long long v) { o.state.optionValues[slot] = static_cast<int32_t>(v); },
        [slot](Owners& o) -> long long { return o.state.optionValues[slot]; });
}

// Every key the save writes, in the order it writes them into a new file. The skin path has
// no number and is checked on its own.
std::vector<KeyRow> everyKey() {
    std::vector<KeyRow> rows = {
        row(
            "MainSetting", "-MainLeft", 1500, 0,
            [](Owners& o, long long v) { o.window.left = static_cast<double>(v); },
            [](Owners& o) -> long long { return static_cast<long long>(o.window.left); }),
        // A fractional twip count is written with its fraction and read back up to the point.
        {"MainSetting", "-MainTop", 2250, "2250.5", 0,
         [](Owners& o, long long v) { o.window.top = static_cast<double>(v) + 0.5; },
         [](Owners& o) -> long long { return static_cast<long long>(o.window.top); }},
        {"SkinFile", "-SkinFile", 0, "", 0, nullptr, nullptr},
        row("PlayerSetting", "-Volume", 7, 5, FIELD(volumeLevel, int32_t)),
        row("PlayerSetting", "-Pan", -3, 0, FIELD(panPosition, int32_t)),
        row("PlayerSetting", "-Random", 255, 0, FIELD(randomMode, uint8_t)),
        row("PlayerSetting", "-Loop", 2, 0, FIELD(loopMode, uint8_t)),
        row("PlayerSetting", "-Gapless", 0, 1, FIELD(gaplessPlayback, bool)),
        row("PlayerSetting", "-ReplayGain", 2, 0, FIELD(replayGainMode, int32_t)),
        row("PlayerSetting", "-PreAmp", -7, 0, FIELD(preAmpDb, int32_t)),
        row("Option", "-IntervalON", 2, 0, PROPERTY(dsp, PitchShift)),
        slotRow("Option", "-Interval", 0),
        row("Option", "-SpeedON", 3, 0, PROPERTY(dsp, Freqency)),
        slotRow("Option", "-Speed", 1),
        row("Option", "-Speed&IntervalON", 4, 0, PROPERTY(dsp, speed)),
        slotRow("Option", "-Speed&Interval", 25),
        row("Option", "-FFTON", 5, 0, PROPERTY(dsp, FFT)),
        slotRow("Option", "-FFT", 26),
        row("Equalizer", "-ON", 6, 0, PROPERTY(dsp, Equalizer)),
        slotRow("Equalizer", "-Lists", 21),
    };
    const char* bands[] = {"-32",   "-60",   "-125",  "-250",   "-500",   "-1000",
                           "-2000", "-4000", "-8000", "-16000", "-20000", "-22000"};
    for (size_t band = 0; band < 12; ++band) {
        rows.push_back(slotRow("Equalizer", bands[band], 2 + band));
    }
    const std::vector<KeyRow> rest = {
        row("Effects", "-Chorus", 7, 0, PROPERTY(dsp, ChorusBool)),
        row("Effects", "-Distortion", 8, 0, PROPERTY(dsp, DistortionBool)),
        row("Effects", "-Echo", 9, 0, PROPERTY(dsp, EchoBool)),
        row("Effects", "-Flange", 10, 0, PROPERTY(dsp, FlangeBool)),
        row("Effects", "-HighPass", 11, 0, PROPERTY(dsp, HighPassBool)),
        row("Effects", "-LowPass", 12, 0, PROPERTY(dsp, LowPassBool)),
        row("Effects", "-Compressor", 13, 0, PROPERTY(dsp, CompresserBool)),
        row("Effects", "-Reverb", 14, 0, PROPERTY(dsp, ReverbBool)),
        row("Effects", "-SfxReverb", 15, 0, PROPERTY(dsp, SfxReverbBool)),
        row("Etc", "-Messenger", 16, 0, PROPERTY(option, MessengerOn)),
        row("Etc", "-KeepPosition", 17, 0, PROPERTY(option, TopMost)),
        row("Etc", "-Analyzer", 18, 0, PROPERTY(option, Analyzer_Off)),
        row("Etc", "-Minimize", 19, 0, PROPERTY(option, TaskIn)),
        row("Etc", "-Scrolltitle", 20, 0, PROPERTY(option, ScrollOff)),
        row("Etc", "-SnapWnd", 21, 0, PROPERTY(option, SnapWnd)),
        // Only the start-up check reads it: a set value lets the next instance start.
        {"Etc", "-AudioDeviceReset", 1, "-1", 0,
         [](Owners& o, long long v) { o.device.DeviceSet(v != 0); },
         [](Owners& o) -> long long {
             return DecideLoadFromSettings(false, true, SettingsFilePath(o.state.programFolder)) ==
                    LoadDecision::StartAfterDeviceReset;
         }},
        row("Etc", "-OutputType", 22, 0, PROPERTY(device, OutputType)),
        row("Etc", "-SoundCard", 23, 0, PROPERTY(device, SoundCard)),
        row("Etc", "-Samplerate", 24, 4, PROPERTY(device, Samplerate)),
        row("Etc", "-SoundFormat", 25, 2, PROPERTY(device, SoundFormat)),
        row("Etc", "-SpeakerMode", 26, 2, PROPERTY(device, Speakermode)),
        row("Etc", "-ReSamplingMode", 27, 1, PROPERTY(device, ReSampling)),
        {"Etc", "-Priority", 2, "256", 1,
         [](Owners& o, long long v) { o.device.Priority(static_cast<int32_t>(v)); },
         [](Owners& o) -> long long { return o.device.StoredPriority(); }},
        row("Etc", "-SoftMidi", 28, 1, PROPERTY(device, SoftMidi)),
        row("Etc", "-InterfacePriority", 40, 80, FIELD(refreshIntervalMs, int32_t)),
    };
    rows.insert(rows.end(), rest.begin(), rest.end());
    return rows;
}

#undef PROPERTY
#undef FIELD

void giveEveryOwnerItsValue(Owners owners) {
    for (const KeyRow& key : everyKey()) {
        if (key.set) {
            key.set(owners, key.value);
        }
    }
}

// The section, key and value of every key line, in file order.
struct Line {
    std::string section, key, value;
};
std::vector<Line> keyLines(const std::string& text) {
    std::vector<Line> lines;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with('[') && line.ends_with(']')) {
            section = line.substr(1, line.size() - 2);
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            lines.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
        }
    }
    return lines;
}

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
    Owners mine() { return {state, player->audioDeviceSettings(), *dsp, *option, window}; }
    fs::path file() const { return state.programFolder / "sorvel_Settings.ini"; }

    settingstest::FakeShell shell;
    FakeWindow window;
    SkinDescription skin;
    std::unique_ptr<clsDsp> dsp;
    std::unique_ptr<clsOption> option;
    std::unique_ptr<SettingFile> settings;
};

TEST_F(SettingFileTest, EverySavedKeyReadsBackToItsOwner) {
    const fs::path blue = state.programFolder / "Skins" / "Blue" / "Blue.ssf";
    fs::create_directories(blue.parent_path());
    std::ofstream(blue) << "[SkinSetting]\r\n-MainWidth=123\r\n";
    state.skinFilePath = blue.string();
    giveEveryOwnerItsValue(mine());
    fs::remove(file()); // a new file takes the keys in the order they are written
    settings->SaveSettings();

    // The file names every key as the load asks for it, in the documented order.
    const std::vector<KeyRow> keys = everyKey();
    const std::vector<Line> lines = keyLines(readAll(file()));
    ASSERT_EQ(lines.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i].key);
        EXPECT_EQ(lines[i].section, keys[i].section);
        EXPECT_EQ(lines[i].key, keys[i].key);
        EXPECT_EQ(lines[i].value, keys[i].set ? keys[i].text : blue.string());
    }

    // A fresh set of owners, loaded as start-up does, gets every value back.
    FreshOwners fresh(state.programFolder, messageBox);
    SettingFile reader(fresh.settingsOwners());
    reader.LoadSettings(true);
    reader.LoadSettings(false);
    Owners loaded = fresh.owners();
    for (const KeyRow& key : keys) {
        if (key.get) {
            EXPECT_EQ(key.get(loaded), key.value) << key.section << " " << key.key;
        }
    }
    EXPECT_EQ(fresh.state.skinFilePath, blue.string());
    EXPECT_EQ(fresh.skin.mainWidth, 123);
}

TEST_F(SettingFileTest, SavedSlidersComeFromTheOptionsWindowOnceItExists) {
    struct FakeOptionsWindow : OptionsWindowValues {
        int32_t RateSlider(int index) const override { return 50 + index; }
        int32_t EqualizerChecked() const override { return 1; }
        int32_t PresetIndex() const override { return -1; }
        int32_t BandSlider(int band) const override { return -20 + band; }
    } optionsWindow;
    giveEveryOwnerItsValue(mine());
    settings->owners().optionsWindow = &optionsWindow;
    settings->SaveSettings();

    const ProfileFile saved = ProfileFile::load(file());
    EXPECT_EQ(saved.getInt("Option", "-Interval", 0), 50);
    EXPECT_EQ(saved.getInt("Option", "-Speed", 0), 51);
    EXPECT_EQ(saved.getInt("Option", "-Speed&Interval", 0), 52);
    EXPECT_EQ(saved.getInt("Option", "-FFT", 0), 53);
    EXPECT_EQ(saved.getInt("Equalizer", "-ON", 0), 1);
    EXPECT_EQ(saved.getInt("Equalizer", "-Lists", 0), -1);
    EXPECT_EQ(saved.getInt("Equalizer", "-32", 0), -20);
    EXPECT_EQ(saved.getInt("Equalizer", "-22000", 0), -9);
    // The switches still come from the effect object.
    EXPECT_EQ(saved.getInt("Option", "-IntervalON", 0), 2);
    EXPECT_EQ(saved.getInt("Effects", "-Compressor", 0), 13);
}

TEST_F(SettingFileTest, NoFileGivesEveryDefault) {
    giveEveryOwnerItsValue(mine());
    state.skinFilePath = "elsewhere.ssf";
    skin.mainWidth = 1;
    fs::remove(file());
    settings->LoadSettings(true);
    settings->LoadSettings(false);
    Owners loaded = mine();
    for (const KeyRow& key : everyKey()) {
        if (key.get) {
            EXPECT_EQ(key.get(loaded), key.fallback) << key.section << " " << key.key;
        }
    }
    EXPECT_EQ(state.skinFilePath,
              (state.programFolder / "Skins" / "Default" / "Default.ssf").string());
    EXPECT_EQ(skin.mainWidth, 300);
}

TEST_F(SettingFileTest, FileWithoutEtcGivesTheEtcDefaultsAndKeepsTheRest) {
    giveEveryOwnerItsValue(mine());
    fs::remove(file());
    settings->SaveSettings();
    ProfileFile withoutEtc = ProfileFile::load(file());
    withoutEtc.set("Etc", std::nullopt, std::nullopt);
    ASSERT_TRUE(withoutEtc.save(file()));
    ASSERT_EQ(readAll(file()).find("[Etc]"), std::string::npos);

    settings->LoadSettings(true);
    settings->LoadSettings(false);
    Owners loaded = mine();
    for (const KeyRow& key : everyKey()) {
        if (key.get) {
            const bool etc = std::string_view(key.section) == "Etc";
            EXPECT_EQ(key.get(loaded), etc ? key.fallback : key.value)
                << key.section << " " << key.key;
        }
    }
}

TEST_F(SettingFileTest, ValuesThatDoNotFitAreSkippedOrKeptInRange) {
    state.randomMode = 255;
    state.loopMode = 1;
    state.replayGainMode = 1;
    std::ofstream(file()) << "[PlayerSetting]\r\n-Random=300\r\n-Loop=-1\r\n-Volume=3\r\n"
                             "-ReplayGain=3\r\n-PreAmp=40\r\n";
    settings->LoadSettings(false);
    EXPECT_EQ(state.randomMode, 255);
    EXPECT_EQ(state.loopMode, 1);
    EXPECT_EQ(state.volumeLevel, 3);
    EXPECT_EQ(state.replayGainMode, 1);
    EXPECT_EQ(state.preAmpDb, 15);
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
