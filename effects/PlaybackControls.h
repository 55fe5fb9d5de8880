// The options window's playback page as a model: the four sliders (pitch, frequency, speed, FFT
// size), their check boxes and captions, wired to the effect object. The window only binds
// controls to it.
//
// While it lives it is the effect object's source of playback positions for new channels.
#pragma once

#include "CheckBox.h"
#include "PlaybackSliders.h"
#include "Slider.h"

#include <array>
#include <string>

namespace sorvel {

class clsDsp;

class PlaybackControls : public PlaybackSliders {
public:
    explicit PlaybackControls(clsDsp& dsp);
    ~PlaybackControls() override;
    PlaybackControls(const PlaybackControls&) = delete;
    PlaybackControls& operator=(const PlaybackControls&) = delete;

    // HScroll1 0..3; Change shows PlayDSPChange's text in the caption (and applies it when that
    // control is on).
    Slider& slider(PlaybackKind kind) { return sliders_[index(kind)]; }
    // Check2, Check3, Check9, Check10; Click switches the control with the slider's position,
    // then enables or disables the controls that would fight over the pitch unit.
    CheckBox& checkBox(PlaybackKind kind) { return checkBoxes_[index(kind)]; }
    // PlayDSPCap 0..3.
    const std::string& caption(PlaybackKind kind) const { return captions_[index(kind)]; }

    // Every caption from its slider's present position, applying nothing (window load).
    void ShowCaptions();

    int32_t PlaybackPosition(PlaybackKind kind) const override;
    void ShowPlaybackCaption(PlaybackKind kind, const std::string& text) override;

private:
    static size_t index(PlaybackKind kind) { return static_cast<size_t>(kind); }
    void clicked(PlaybackKind kind);

    clsDsp& dsp_;
    std::array<Slider, kPlaybackKindCount> sliders_;
    std::array<CheckBox, kPlaybackKindCount> checkBoxes_;
    std::array<std::string, kPlaybackKindCount> captions_;
};

} // namespace sorvel
