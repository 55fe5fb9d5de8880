// The options window as a model: the seven pages with every control's state, bound to the
// objects that own the settings (effects, options, output device, skin, associations). Making
// one runs the window's load sequence; Close records the slider positions in the settings
// table. The Qt window only binds its controls to it, so the rules run and are tested without a
// display.
//
// Thread: the UI thread only.
#pragma once

#include "CheckBox.h"
#include "EffectControls.h"
#include "EqualizerControls.h"
#include "FileAssociations.h"
#include "OutputDrivers.h"
#include "PlaybackControls.h"
#include "PlayerServices.h"
#include "PlayerState.h"
#include "SettingFile.h"
#include "Slider.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorvel {

class clsAudioDeviceSettings;
class clsDsp;
class clsOption;

inline constexpr int kOptionPageCount = 7;
// List1's names and Frame1's captions.
const std::array<const char*, kOptionPageCount>& optionPageNames();
const std::array<const char*, kOptionPageCount>& optionPageCaptions();

// The skin page's picture fits a box of this size, keeping its proportions.
inline constexpr int kSkinPreviewWidth = 173;
inline constexpr int kSkinPreviewHeight = 137;
struct PreviewSize {
    int width = 0;
    int height = 0;
    bool operator==(const PreviewSize&) const = default;
};
// The largest size of that shape inside the box (pictures smaller than the box grow too);
// nothing for an empty picture.
PreviewSize skinPreviewSize(int pictureWidth, int pictureHeight);
// The comment as the skin page shows it: every space a line break.
std::string skinCommentText(std::string comment);

// Combo3's lists 2 to 6 and the labels of all seven.
const std::array<const char*, 7>& audioListLabels();
const std::vector<std::string>& audioListItems(int list);
// What the sound-card list shows when the output names no devices.
inline constexpr const char* kDefaultDevice = "既定のデバイス";

// Slider2: the tick's period is 1000 ms less its position.
inline constexpr int32_t kPriorityRange = 1000;
int32_t tickPeriodForPriority(int32_t position);

struct OptionsWindowOwners {
    PlayerState* state = nullptr;
    clsDsp* dsp = nullptr;
    clsOption* option = nullptr;
    clsAudioDeviceSettings* device = nullptr;
    SettingsStore* settings = nullptr;
    MessageBoxService* messageBox = nullptr;
    FileDialogService* fileDialog = nullptr;
    FileAssociations* associations = nullptr; // null: the page shows and applies nothing
    // The outputs and devices the sound library offers (the model asks them once at load).
    std::function<std::vector<OutputChoice>()> outputs = availableOutputs;
    std::function<std::vector<std::string>(int32_t)> drivers = outputDriverNames;
    // The skin page's Apply, after the settings were saved and read again: hide both skinned
    // windows, apply the skin, show them again.
    std::function<void()> reapplySkin;
    // The interface priority changed the tick's period.
    std::function<void(int32_t)> restartTick;
    // Loudness levelling changed (mode, pre-amp in dB): the player applies it to what plays.
    // Null: only the settings take it.
    std::function<void(int32_t, int32_t)> replayGainChanged;
};

class OptionsWindowModel final : public OptionsWindowValues {
public:
    explicit OptionsWindowModel(OptionsWindowOwners owners);
    ~OptionsWindowModel() override;
    OptionsWindowModel(const OptionsWindowModel&) = delete;
    OptionsWindowModel& operator=(const OptionsWindowModel&) = delete;

    // List1: the page in front.
    int page() const { return page_; }
    void SelectPage(int page);

    // Pages 0 to 2.
    PlaybackControls& playback() { return *playback_; }
    // Page 0's loudness levelling: the mode list (off, track, album) and the pre-amp slider.
    static const std::vector<std::string>& replayGainItems();
    int replayGainMode() const { return state_.replayGainMode; }
    void SelectReplayGain(int mode);
    Slider& preAmp() { return preAmp_; }
    std::string preAmpCaption() const; // "+3 dB"
    EffectControls& effects() { return *effects_; }
    EqualizerControls& equalizer() { return *equalizer_; }

    // Page 3: List2's texts and selection; Apply writes them.
    std::vector<std::string> associationTexts() const;
    bool associationSelected(int entry) const;
    void SelectAssociation(int entry, bool selected);
    void SelectAllAssociations(bool selected); // 全選択 / 全解除
    // False when the desktop files could not be written.
    bool ApplyAssociations();

    // Page 4.
    const std::string& skinPath() const { return skinPath_; }
    void SetSkinPath(std::string path); // shows the skin's information
    void BrowseSkin();                  // "...": the chooser, then the information
    void ApplySkin();                   // 適用
    const std::string& skinName() const { return skinName_; }
    const std::string& skinAuthor() const { return skinAuthor_; }
    const std::string& skinComment() const { return skinComment_; }
    // The picture the preview shows; empty when the skin names none that exists.
    const std::filesystem::path& skinPreview() const { return skinPreview_; }

    // Page 5: EtcOP 0 to 6.
    CheckBox& other(int index) { return others_.at(static_cast<size_t>(index)); }

    // Page 6: Combo3 0 to 6 (0 the outputs, 1 the chosen output's devices), Check4, Slider2.
    const std::vector<OutputChoice>& outputs() const;
    std::vector<std::string> audioItems(int list) const;
    int audioSelection(int list) const;
    void SelectAudio(int list, int index); // choosing an output lists its devices again
    // 適用: the device settings, then the restart question. A Yes closes the player before
    // this returns, so nothing may follow it.
    void ApplyAudio();
    CheckBox& softMidi() { return softMidi_; }
    Slider& priority() { return priority_; }

    // The window closes: the sliders, preset and equalizer switch go to the settings table.
    void Close();

    // What the settings save reads while the window is loaded.
    int32_t RateSlider(int index) const override;
    int32_t EqualizerChecked() const override;
    int32_t PresetIndex() const override;
    int32_t BandSlider(int band) const override;

private:
    void load();
    void showSkinInformation();
    void ensureOutputs() const;

    OptionsWindowOwners owners_;
    PlayerState& state_;
    std::unique_ptr<PlaybackControls> playback_;
    std::unique_ptr<EffectControls> effects_;
    std::unique_ptr<EqualizerControls> equalizer_;
    int page_ = 0;
    std::array<bool, kAssociationEntryCount> associations_{};
    std::string skinPath_;
    std::string skinName_;
    std::string skinAuthor_;
    std::string skinComment_;
    std::filesystem::path skinPreview_;
    std::array<CheckBox, 7> others_;
    mutable bool outputsAsked_ = false;
    mutable std::vector<OutputChoice> outputs_;
    mutable std::vector<std::string> devices_;
    mutable std::array<int, 7> audioSelection_{};
    CheckBox softMidi_;
    Slider priority_;
    Slider preAmp_;
};

} // namespace sorvel
