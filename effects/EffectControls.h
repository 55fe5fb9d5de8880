// The options window's effects page as a model: the nine on/off check boxes, the parameter
// sliders and their captions for the eight effects, the effect-type selector, the preset list
// and its Save and Delete buttons. The window only binds controls to it.
#pragma once

#include "CheckBox.h"
#include "EffectParameters.h"
#include "PlayerServices.h"
#include "PresetFiles.h"
#include "Slider.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvel {

class clsDsp;

class EffectControls {
public:
    EffectControls(clsDsp& dsp, std::filesystem::path programFolder, MessageBoxService& messageBox,
                   FileDialogService& fileDialog);
    EffectControls(const EffectControls&) = delete;
    EffectControls& operator=(const EffectControls&) = delete;

    // chkDistortion .. chkReverb: Click sets the effect's on/off property to the box's value.
    CheckBox& checkBox(EffectKind kind) { return checkBoxes_[static_cast<size_t>(kind)]; }
    // chkSfxReverb only shows the SFX reverb's state; clicking it does nothing to the sound.
    CheckBox& sfxReverbCheckBox() { return sfxReverbCheckBox_; }
    // Sets every check box from the effect object's flags (the window's load).
    void ShowEffectStates();

    // The parameter sliders of an effect (index = parameter index) and the caption beside each.
    // Change sends the value and shows its text; Scroll (thumb dragged) only shows the text.
    size_t sliderCount(EffectKind kind) const;
    Slider& slider(EffectKind kind, size_t index);
    const std::string& caption(EffectKind kind, size_t index) const;
    // Every slider's Scroll handler once, so the captions show the present values without
    // sending anything (the window's load).
    void ShowStartCaptions();

    // The effect-type selector (Combo2 0): -1 until a type is chosen.
    // Choosing a type brings its panel to the front, lists its presets and loads the first one.
    void SelectType(int type);
    int selectedType() const { return selectedType_; }

    // The preset list (Combo2 1) of the selected type.
    const std::vector<PresetName>& presets() const { return presets_; }
    int selectedPreset() const { return selectedPreset_; }
    // Choosing a preset moves the type's sliders to the positions in its file; a missing file,
    // line or number, or a position outside a slider's range, leaves that slider.
    void SelectPreset(int index);

    // "Save": asks for a file, writes the type's slider positions, then lists the presets again
    // (which loads the first one). A file that cannot be written is reported in a message box.
    void Save();
    // "Delete": asks before deleting the chosen preset's file, then lists the presets again.
    void Delete();

private:
    EffectKind selectedKind() const { return static_cast<EffectKind>(selectedType_); }
    std::filesystem::path folder() const;

    clsDsp& dsp_;
    std::filesystem::path programFolder_;
    MessageBoxService& messageBox_;
    FileDialogService& fileDialog_;
    std::array<CheckBox, kEffectKindCount> checkBoxes_;
    CheckBox sfxReverbCheckBox_;
    std::array<std::vector<Slider>, kEffectKindCount> sliders_;
    std::array<std::vector<std::string>, kEffectKindCount> captions_;
    int selectedType_ = -1;
    std::vector<PresetName> presets_;
    int selectedPreset_ = -1;
};

} // namespace sorvel
