// The settings file "sorvel_Settings.ini" in the program folder: reading hands every value to
// its owner, saving collects them back. UI thread only.
#pragma once

#include "PlayerServices.h"
#include "PlayerState.h"
#include "SkinDescription.h"
#include "clsAudioDeviceSettings.h"
#include "clsDsp.h"
#include "clsOption.h"

#include <cstdint>
#include <filesystem>
#include <functional>

namespace sorvel {

// The main window's place, in twips.
class MainWindowPlacement {
public:
    virtual ~MainWindowPlacement() = default;
    virtual double LeftTwips() const = 0;
    virtual double TopTwips() const = 0;
    virtual void MoveTo(double leftTwips, double topTwips) = 0;
};

// What the options window's controls hold when the settings are saved. Until that window has
// been opened its controls hold what the settings gave them: `optionValues` and the equalizer
// switch, which is what the default answers.
class OptionsWindowValues {
public:
    virtual ~OptionsWindowValues() = default;
    virtual int32_t RateSlider(int index) const = 0; // the four horizontal sliders
    virtual int32_t EqualizerChecked() const = 0;
    virtual int32_t PresetIndex() const = 0;
    virtual int32_t BandSlider(int band) const = 0; // the twelve vertical sliders
};

struct SettingsOwners {
    PlayerState* state = nullptr;
    clsAudioDeviceSettings* device = nullptr;
    clsDsp* dsp = nullptr;
    clsOption* option = nullptr;
    SkinDescription* skin = nullptr;
    MainWindowPlacement* window = nullptr;
    OptionsWindowValues* optionsWindow = nullptr; // null: take optionValues
    MessageBoxService* messageBox = nullptr;      // tells when the file cannot be written
};

// The skin file the "-SkinFile" value names, as the main pass resolves it: below the program
// folder, else below the shipped files' folder; the default skin when it names no file.
std::filesystem::path ResolveSkinFile(const std::string& value,
                                      const std::filesystem::path& programFolder,
                                      const std::filesystem::path& shippedFolder = {});
// The default skin file, the program folder's own when it has one, else the shipped one.
std::filesystem::path DefaultSkinFile(const std::filesystem::path& programFolder,
                                      const std::filesystem::path& shippedFolder = {});

class SettingFile final : public SettingsStore {
public:
    explicit SettingFile(SettingsOwners owners);

    void LoadSettings(bool devicePartOnly) override;
    void SaveSettings() override;
    std::filesystem::path path() const;
    // The owners made during start-up (effects, options) are filled in once they exist.
    SettingsOwners& owners() { return owners_; }

private:
    SettingsOwners owners_;
};

} // namespace sorvel
