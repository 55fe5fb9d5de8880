#include "EqualizerControls.h"

#include "clsDsp.h"

namespace sorvel {

namespace {

constexpr const char* kMessageCaption = "Sorvel";

} // namespace

EqualizerControls::EqualizerControls(clsDsp& dsp, std::filesystem::path programFolder,
                                     MessageBoxService& messageBox, FileDialogService& fileDialog)
    : dsp_(dsp), programFolder_(std::move(programFolder)), messageBox_(messageBox),
      fileDialog_(fileDialog) {
    useEqualizer_.onClick = [this] { dsp_.Equalizer(useEqualizer_.Value()); };
    for (size_t i = 0; i < bands_.size(); ++i) {
        bands_[i] =
            Slider(kBandSliderMinimum, kBandSliderMaximum, kBandSliderStart, kBandSliderStep);
        bands_[i].onChange = [this, i] { bandMoved(i); };
        bands_[i].onScroll = [this, i] {
            if (selectedPreset_ != kCustomPreset) {
                SelectPreset(kCustomPreset);
            }
            bandMoved(i);
        };
    }
    RebuildPresetList();
}

BandPositions EqualizerControls::positions() const {
    BandPositions result{};
    for (size_t i = 0; i < bands_.size(); ++i) {
        result[i] = bands_[i].Value();
    }
    return result;
}

void EqualizerControls::bandMoved(size_t band) {
    dsp_.EqualizerChange(static_cast<int32_t>(band), bands_[band].Value());
    if (onCurveChanged) {
        onCurveChanged();
    }
}

std::filesystem::path EqualizerControls::folder() const {
    return EqualizerPresetFolder(programFolder_);
}

void EqualizerControls::RebuildPresetList() {
    presetList_.assign(BuiltInPresetNames().begin(), BuiltInPresetNames().end());
    userPresets_ = ListPresets(folder());
    for (const PresetName& preset : userPresets_) {
        presetList_.push_back(preset.name);
    }
    selectedPreset_ = -1;
}

void EqualizerControls::SelectPreset(int index) {
    if (index < 0 || static_cast<size_t>(index) >= presetList_.size()) {
        return;
    }
    selectedPreset_ = index;
    if (index < kFirstUserPreset) {
        const BandPositions target = PositionsForBuiltInPreset(index, positions());
        for (size_t i = 0; i < bands_.size(); ++i) {
            bands_[i].SetValue(target[i]);
        }
    } else {
        const PresetType& type = EqualizerPresetType();
        const auto values = ReadPresetValues(
            PresetFile(folder(),
                       userPresets_[static_cast<size_t>(index - kFirstUserPreset)].fileStem, type),
            type);
        for (size_t i = 0; i < bands_.size() && i < values.size(); ++i) {
            if (values[i]) {
                bands_[i].SetValue(*values[i]); // refused when outside 5..195
            }
        }
    }
    if (onPresetChosen) {
        onPresetChosen(index);
    }
}

void EqualizerControls::Save() {
    const BandPositions values = positions();
    SavePreset(EqualizerPresetType(), folder(), values, fileDialog_, messageBox_);
    RebuildPresetList();
    SelectPreset(kCustomPreset);
}

void EqualizerControls::Delete() {
    if (selectedPreset_ >= 0) {
        const std::string& name = presetList_[static_cast<size_t>(selectedPreset_)];
        if (messageBox_.show(PresetDeleteQuestion(name), kMessageCaption, MessageButtons::YesNo,
                             MessageIcon::Exclamation) == MessageAnswer::Yes &&
            selectedPreset_ >= kFirstUserPreset) {
            // Built-in entries have no file; a user file that happens to share a built-in's
            // name is deleted only through its own entry.
            const auto file = PresetFile(
                folder(),
                userPresets_[static_cast<size_t>(selectedPreset_ - kFirstUserPreset)].fileStem,
                EqualizerPresetType());
            std::error_code ignored;
            if (!file.empty()) {
                std::filesystem::remove(file, ignored);
            }
        }
    }
    RebuildPresetList();
    SelectPreset(kCustomPreset);
}

std::vector<CurvePoint> EqualizerControls::Curve(double width, double height) const {
    return EqualizerCurve(positions(), width, height);
}

} // namespace sorvel
