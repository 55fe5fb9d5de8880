#include "EffectControls.h"

#include "clsDsp.h"

namespace sorvel {

namespace {

constexpr const char* kMessageCaption = "Sorvel";

} // namespace

EffectControls::EffectControls(clsDsp& dsp, std::filesystem::path programFolder,
                               MessageBoxService& messageBox, FileDialogService& fileDialog)
    : dsp_(dsp), programFolder_(std::move(programFolder)), messageBox_(messageBox),
      fileDialog_(fileDialog), sfxReverbCheckBox_(std::string(kSfxReverbCheckBox)) {
    for (const EffectDescription& effect : Effects()) {
        const auto k = static_cast<size_t>(effect.kind);
        const EffectKind kind = effect.kind;
        checkBoxes_[k] = CheckBox(std::string(effect.checkBox));
        checkBoxes_[k].onClick = [this, kind] {
            dsp_.EffectBool(kind, checkBoxes_[static_cast<size_t>(kind)].Value());
        };
        // Sized once: the handlers below hold indexes into these vectors.
        sliders_[k].resize(effect.parameters.size());
        captions_[k].resize(effect.parameters.size());
        for (size_t i = 0; i < effect.parameters.size(); ++i) {
            const EffectParameterRow& row = effect.parameters[i];
            Slider& s = sliders_[k][i];
            s = Slider(row.minimum, row.maximum, row.start);
            const auto index = static_cast<int16_t>(i);
            s.onChange = [this, kind, index] {
                const auto k = static_cast<size_t>(kind);
                captions_[k][index] = dsp_.EffectSet(kind, index, sliders_[k][index].Value(), 0);
            };
            s.onScroll = [this, kind, index] {
                const auto k = static_cast<size_t>(kind);
                captions_[k][index] = dsp_.EffectSet(kind, index, sliders_[k][index].Value(), 1);
            };
        }
    }
}

void EffectControls::ShowEffectStates() {
    for (const EffectDescription& effect : Effects()) {
        checkBox(effect.kind).SetValue(dsp_.EffectBool(effect.kind));
    }
    sfxReverbCheckBox_.SetValue(dsp_.SfxReverbBool());
}

size_t EffectControls::sliderCount(EffectKind kind) const {
    return sliders_[static_cast<size_t>(kind)].size();
}

Slider& EffectControls::slider(EffectKind kind, size_t index) {
    return sliders_[static_cast<size_t>(kind)].at(index);
}

const std::string& EffectControls::caption(EffectKind kind, size_t index) const {
    return captions_[static_cast<size_t>(kind)].at(index);
}

void EffectControls::ShowStartCaptions() {
    for (auto& sliders : sliders_) {
        for (Slider& s : sliders) {
            s.RaiseScroll();
        }
    }
}

std::filesystem::path EffectControls::folder() const {
    return EffectPresetFolder(programFolder_, selectedKind());
}

void EffectControls::SelectType(int type) {
    if (type < 0 || type >= kEffectKindCount) {
        return;
    }
    selectedType_ = type;
    presets_ = ListPresets(folder());
    selectedPreset_ = -1;
    if (!presets_.empty()) {
        SelectPreset(0);
    }
}

void EffectControls::SelectPreset(int index) {
    if (selectedType_ < 0 || index < 0 || static_cast<size_t>(index) >= presets_.size()) {
        return;
    }
    selectedPreset_ = index;
    const PresetType& type = EffectPresetType(selectedKind());
    const auto values = ReadPresetValues(
        PresetFile(folder(), presets_[static_cast<size_t>(index)].fileStem, type), type);
    auto& sliders = sliders_[static_cast<size_t>(selectedType_)];
    for (size_t i = 0; i < sliders.size() && i < values.size(); ++i) {
        if (values[i]) {
            sliders[i].SetValue(*values[i]); // refused when outside the slider's range
        }
    }
}

void EffectControls::Save() {
    if (selectedType_ < 0) {
        return;
    }
    std::vector<int32_t> positions;
    for (const Slider& s : sliders_[static_cast<size_t>(selectedType_)]) {
        positions.push_back(s.Value());
    }
    SavePreset(EffectPresetType(selectedKind()), folder(), positions, fileDialog_, messageBox_);
    SelectType(selectedType_);
}

void EffectControls::Delete() {
    if (selectedType_ < 0) {
        return;
    }
    // With an empty list there is nothing to name or delete.
    if (selectedPreset_ >= 0) {
        const PresetName& preset = presets_[static_cast<size_t>(selectedPreset_)];
        if (messageBox_.show(PresetDeleteQuestion(preset.name), kMessageCaption,
                             MessageButtons::YesNo,
                             MessageIcon::Exclamation) == MessageAnswer::Yes) {
            const auto file =
                PresetFile(folder(), preset.fileStem, EffectPresetType(selectedKind()));
            std::error_code ignored; // a file already gone is not an error worth showing
            if (!file.empty()) {
                std::filesystem::remove(file, ignored);
            }
        }
    }
    SelectType(selectedType_);
}

} // namespace sorvel
