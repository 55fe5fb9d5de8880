// The options window's equalizer page as a model: the "Use Equalizer" check box, the twelve
// band sliders, the preset list (eight built-in entries, then the preset files), its SaveGEQ and
// DelGEQ buttons, and the curve drawn from the sliders. The window only binds controls to it.
#pragma once

#include "CheckBox.h"
#include "Equalizer.h"
#include "PlayerServices.h"
#include "PresetFiles.h"
#include "Slider.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sorvel {

class clsDsp;

class EqualizerControls {
public:
    EqualizerControls(clsDsp& dsp, std::filesystem::path programFolder,
                      MessageBoxService& messageBox, FileDialogService& fileDialog);
    EqualizerControls(const EqualizerControls&) = delete;
    EqualizerControls& operator=(const EqualizerControls&) = delete;

    // Check1: Click sets the effect object's Equalizer flag to the box's value.
    CheckBox& useEqualizer() { return useEqualizer_; }

    // VScroll1 0..11. Change sets the band and asks for the curve to be redrawn; Scroll (thumb
    // dragged) first switches the preset list to "Custom", then does the same: bands follow
    // the thumb while it moves.
    Slider& band(int index) { return bands_.at(static_cast<size_t>(index)); }
    BandPositions positions() const;

    // Combo1: the built-in names, then the preset files of the equalizer folder.
    const std::vector<std::string>& presetList() const { return presetList_; }
    int selectedPreset() const { return selectedPreset_; }
    // Rebuilds the list, keeping no selection.
    void RebuildPresetList();
    // Choosing entry `index`: a built-in preset sets the sliders, "Custom" leaves them, a file
    // sets each band it holds a valid position for. Then onPresetChosen runs.
    void SelectPreset(int index);

    // "SaveGEQ" and "DelGEQ": afterwards the list is rebuilt and "Custom" chosen, which leaves
    // the sliders as they are.
    void Save();
    void Delete();

    // picEQWave's line through the band positions for a box of this size.
    std::vector<CurvePoint> Curve(double width, double height) const;

    // The curve needs redrawing.
    std::function<void()> onCurveChanged;
    // An entry was chosen (the window stores its index with the settings).
    std::function<void(int)> onPresetChosen;

private:
    void bandMoved(size_t band);
    std::filesystem::path folder() const;

    clsDsp& dsp_;
    std::filesystem::path programFolder_;
    MessageBoxService& messageBox_;
    FileDialogService& fileDialog_;
    CheckBox useEqualizer_{"Use Equalizer"};
    std::array<Slider, kBandCount> bands_;
    std::vector<std::string> presetList_;
    std::vector<PresetName> userPresets_;
    int selectedPreset_ = -1;
};

} // namespace sorvel
