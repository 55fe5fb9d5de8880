#include "SettingFile.h"

#include "ProfileFile.h"
#include "StartupDecision.h"
#include "WindowsPath.h"
#include "replay_gain.h"
#include "skin_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultSkin = "Skins\\Default\\Default.ssf";
constexpr std::array<const char*, 12> kBandKeys = {"-32",   "-60",    "-125",   "-250",
                                                   "-500",  "-1000",  "-2000",  "-4000",
                                                   "-8000", "-16000", "-20000", "-22000"};

std::string removeNuls(std::string text) {
    std::erase(text, '\0');
    return text;
}

std::string number(double value) {
    if (value == std::floor(value) && std::abs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The options window's controls as the settings left them, for saves before it was opened.
class ValuesFromSettings final : public OptionsWindowValues {
public:
    ValuesFromSettings(const PlayerState& state, const clsDsp* dsp) : state_(state), dsp_(dsp) {}
    int32_t RateSlider(int index) const override {
        static constexpr std::array<int, 4> slots = {0, 1, 25, 26};
        return index >= 0 && index < 4 ? state_.optionValues[slots[static_cast<size_t>(index)]] : 0;
    }
    int32_t EqualizerChecked() const override { return dsp_ ? dsp_->Equalizer() : 0; }
    int32_t PresetIndex() const override { return state_.optionValues[21]; }
    int32_t BandSlider(int band) const override {
        return band >= 0 && band < 12 ? state_.optionValues[static_cast<size_t>(2 + band)] : 0;
    }

private:
    const PlayerState& state_;
    const clsDsp* dsp_;
};

} // namespace

fs::path ResolveSkinFile(const std::string& value, const fs::path& programFolder,
                         const fs::path& shippedFolder) {
    // A value whose second character is ":" names a drive; one starting with "/" is an absolute
    // path here; anything else lies below the program folder (or the shipped files' folder).
    // Windows-made values are matched component by component, ignoring case.
    const fs::path resolved = resolveWindowsPathIn(value, {programFolder, shippedFolder});
    std::error_code error;
    if (!value.empty() && fs::is_regular_file(resolved, error)) {
        return resolved;
    }
    return DefaultSkinFile(programFolder, shippedFolder);
}

fs::path DefaultSkinFile(const fs::path& programFolder, const fs::path& shippedFolder) {
    const fs::path own = programFolder / "Skins" / "Default" / "Default.ssf";
    std::error_code error;
    if (shippedFolder.empty() || fs::is_regular_file(own, error)) {
        return own;
    }
    return shippedFolder / "Skins" / "Default" / "Default.ssf";
}

SettingFile::SettingFile(SettingsOwners owners) : owners_(owners) {}

fs::path SettingFile::path() const {
    return SettingsFilePath(*owners_.state);
}

void SettingFile::LoadSettings(bool devicePartOnly) {
    PlayerState& state = *owners_.state;
    if (devicePartOnly) {
        LoadDeviceSettings(path(), *owners_.device, state.refreshIntervalMs);
        return;
    }
    const ProfileFile file = ProfileFile::load(path());
    auto integer = [&](const char* section, const char* key, int fallback) {
        return file.getInt(section, key, fallback);
    };

    if (owners_.window != nullptr) {
        owners_.window->MoveTo(integer("MainSetting", "-MainLeft", 0),
                               integer("MainSetting", "-MainTop", 0));
    }

    const std::string skinValue =
        removeNuls(file.getString("SkinFile", "-SkinFile", kDefaultSkin, 256));
    state.skinFilePath =
        ResolveSkinFile(skinValue, state.programFolder, state.shippedFolder).string();
    if (owners_.skin != nullptr) {
        ReadSkinDescription(state.skinFilePath, {state.programFolder, state.shippedFolder},
                            *owners_.skin);
    }

    state.volumeLevel = integer("PlayerSetting", "-Volume", 5);
    state.panPosition = integer("PlayerSetting", "-Pan", 0);
    // A value that does not fit a byte leaves the mode as it was.
    if (const int random = integer("PlayerSetting", "-Random", 0); random >= 0 && random <= 255) {
        state.randomMode = static_cast<uint8_t>(random);
    }
    if (const int loop = integer("PlayerSetting", "-Loop", 0); loop >= 0 && loop <= 255) {
        state.loopMode = static_cast<uint8_t>(loop);
    }
    state.gaplessPlayback = integer("PlayerSetting", "-Gapless", 1) != 0;
    // Loudness levelling: off unless asked for; a mode that does not exist leaves it as it was.
    if (const int mode = integer("PlayerSetting", "-ReplayGain", 0); replayGainModeOf(mode)) {
        state.replayGainMode = mode;
    }
    state.preAmpDb = std::clamp(integer("PlayerSetting", "-PreAmp", 0), kMinPreAmpDb, kMaxPreAmpDb);

    clsDsp* dsp = owners_.dsp;
    if (dsp != nullptr) {
        dsp->PitchShift(integer("Option", "-IntervalON", 0));
    }
    state.optionValues[0] = integer("Option", "-Interval", 0);
    if (dsp != nullptr) {
        dsp->Freqency(integer("Option", "-SpeedON", 0));
        dsp->speed(integer("Option", "-Speed&IntervalON", 0));
    }
    state.optionValues[25] = integer("Option", "-Speed&Interval", 0);
    if (dsp != nullptr) {
        dsp->FFT(integer("Option", "-FFTON", 0));
    }
    state.optionValues[26] = integer("Option", "-FFT", 0);
    state.optionValues[1] = integer("Option", "-Speed", 0);

    if (dsp != nullptr) {
        dsp->Equalizer(integer("Equalizer", "-ON", 0));
    }
    state.optionValues[21] = integer("Equalizer", "-Lists", 0);
    for (size_t band = 0; band < kBandKeys.size(); ++band) {
        state.optionValues[2 + band] = integer("Equalizer", kBandKeys[band], 0);
    }

    if (dsp != nullptr) {
        dsp->ChorusBool(integer("Effects", "-Chorus", 0));
        dsp->DistortionBool(integer("Effects", "-Distortion", 0));
        dsp->EchoBool(integer("Effects", "-Echo", 0));
        dsp->FlangeBool(integer("Effects", "-Flange", 0));
        dsp->HighPassBool(integer("Effects", "-HighPass", 0));
        dsp->LowPassBool(integer("Effects", "-LowPass", 0));
        dsp->CompresserBool(integer("Effects", "-Compressor", 0));
        dsp->ReverbBool(integer("Effects", "-Reverb", 0));
        dsp->SfxReverbBool(integer("Effects", "-SfxReverb", 0));
    }

    if (clsOption* option = owners_.option) {
        option->MessengerOn(integer("Etc", "-Messenger", 0));
        option->TopMost(integer("Etc", "-KeepPosition", 0));
        option->Analyzer_Off(integer("Etc", "-Analyzer", 0));
        option->TaskIn(integer("Etc", "-Minimize", 0));
        option->ScrollOff(integer("Etc", "-Scrolltitle", 0));
        option->SnapWnd(integer("Etc", "-SnapWnd", 0));
    }
}

void SettingFile::SaveSettings() {
    const PlayerState& state = *owners_.state;
    // Read first so that lines we do not own (comments, other keys) stay; a file that exists
    // but cannot be read is never replaced.
    std::optional<ProfileFile> existing = ProfileFile::read(path());
    if (!existing) {
        if (owners_.messageBox != nullptr) {
            owners_.messageBox->show(
                "設定ファイルを読み込めないため、設定を保存しませんでした。\r\n" + path().string(),
                "Sorvel", MessageButtons::Ok, MessageIcon::Exclamation);
        }
        return;
    }
    ProfileFile& file = *existing;
    auto put = [&](const char* section, const char* key, const std::string& value) {
        file.set(section, key, value);
    };
    auto putInt = [&](const char* section, const char* key, long long value) {
        put(section, key, std::to_string(value));
    };

    if (owners_.window != nullptr) {
        put("MainSetting", "-MainLeft", number(owners_.window->LeftTwips()));
        put("MainSetting", "-MainTop", number(owners_.window->TopTwips()));
    } else {
        put("MainSetting", "-MainLeft", "0");
        put("MainSetting", "-MainTop", "0");
    }
    put("SkinFile", "-SkinFile", state.skinFilePath);

    putInt("PlayerSetting", "-Volume", state.volumeLevel);
    putInt("PlayerSetting", "-Pan", state.panPosition);
    putInt("PlayerSetting", "-Random", state.randomMode);
    putInt("PlayerSetting", "-Loop", state.loopMode);
    putInt("PlayerSetting", "-Gapless", state.gaplessPlayback ? 1 : 0);
    putInt("PlayerSetting", "-ReplayGain", state.replayGainMode);
    putInt("PlayerSetting", "-PreAmp", state.preAmpDb);

    const ValuesFromSettings fromSettings(state, owners_.dsp);
    const OptionsWindowValues& window = owners_.optionsWindow != nullptr
                                            ? *owners_.optionsWindow
                                            : static_cast<const OptionsWindowValues&>(fromSettings);
    const clsDsp* dsp = owners_.dsp;
    putInt("Option", "-IntervalON", dsp ? dsp->PitchShift() : 0);
    putInt("Option", "-Interval", window.RateSlider(0));
    putInt("Option", "-SpeedON", dsp ? dsp->Freqency() : 0);
    putInt("Option", "-Speed", window.RateSlider(1));
    putInt("Option", "-Speed&IntervalON", dsp ? dsp->speed() : 0);
    putInt("Option", "-Speed&Interval", window.RateSlider(2));
    putInt("Option", "-FFTON", dsp ? dsp->FFT() : 0);
    putInt("Option", "-FFT", window.RateSlider(3));

    putInt("Equalizer", "-ON", window.EqualizerChecked());
    putInt("Equalizer", "-Lists", window.PresetIndex());
    for (size_t band = 0; band < kBandKeys.size(); ++band) {
        putInt("Equalizer", kBandKeys[band], window.BandSlider(static_cast<int>(band)));
    }

    putInt("Effects", "-Chorus", dsp ? dsp->ChorusBool() : 0);
    putInt("Effects", "-Distortion", dsp ? dsp->DistortionBool() : 0);
    putInt("Effects", "-Echo", dsp ? dsp->EchoBool() : 0);
    putInt("Effects", "-Flange", dsp ? dsp->FlangeBool() : 0);
    putInt("Effects", "-HighPass", dsp ? dsp->HighPassBool() : 0);
    putInt("Effects", "-LowPass", dsp ? dsp->LowPassBool() : 0);
    putInt("Effects", "-Compressor", dsp ? dsp->CompresserBool() : 0);
    putInt("Effects", "-Reverb", dsp ? dsp->ReverbBool() : 0);
    putInt("Effects", "-SfxReverb", dsp ? dsp->SfxReverbBool() : 0);

    const clsOption* option = owners_.option;
    putInt("Etc", "-Messenger", option ? option->MessengerOn() : 0);
    putInt("Etc", "-KeepPosition", option ? option->TopMost() : 0);
    putInt("Etc", "-Analyzer", option ? option->Analyzer_Off() : 0);
    putInt("Etc", "-Minimize", option ? option->TaskIn() : 0);
    putInt("Etc", "-Scrolltitle", option ? option->ScrollOff() : 0);
    putInt("Etc", "-SnapWnd", option ? option->SnapWnd() : 0);
    const clsAudioDeviceSettings& device = *owners_.device;
    put("Etc", "-AudioDeviceReset", device.DeviceSet() ? "-1" : "0");
    putInt("Etc", "-OutputType", device.OutputType());
    putInt("Etc", "-SoundCard", device.SoundCard());
    putInt("Etc", "-Samplerate", device.Samplerate());
    putInt("Etc", "-SoundFormat", device.SoundFormat());
    putInt("Etc", "-SpeakerMode", device.Speakermode());
    putInt("Etc", "-ReSamplingMode", device.ReSampling());
    put("Etc", "-Priority", std::to_string(device.Priority()));
    putInt("Etc", "-SoftMidi", device.SoftMidi());
    putInt("Etc", "-InterfacePriority", state.refreshIntervalMs);

    if (!file.save(path()) && owners_.messageBox != nullptr) {
        owners_.messageBox->show("設定を保存できませんでした。\r\n" + path().string(), "Sorvel",
                                 MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

} // namespace sorvel
