#include "PlaybackControls.h"

#include "clsDsp.h"

namespace sorvel {

PlaybackControls::PlaybackControls(clsDsp& dsp) : dsp_(dsp) {
    for (const auto& control : PlaybackControlTable()) {
        const size_t i = index(control.kind);
        sliders_[i] = Slider(control.minimum, control.maximum, control.start);
        checkBoxes_[i] = CheckBox(std::string(control.checkBox));
        const PlaybackKind kind = control.kind;
        sliders_[i].onChange = [this, kind] {
            captions_[index(kind)] =
                dsp_.PlayDSPChange(static_cast<int32_t>(kind), slider(kind).Value());
        };
        checkBoxes_[i].onClick = [this, kind] { clicked(kind); };
    }
    dsp_.setPlaybackSliders(this);
}

PlaybackControls::~PlaybackControls() {
    dsp_.setPlaybackSliders(nullptr);
}

void PlaybackControls::ShowCaptions() {
    for (size_t i = 0; i < sliders_.size(); ++i) {
        captions_[i] = PlaybackCaption(static_cast<int32_t>(i), sliders_[i].Value());
    }
}

int32_t PlaybackControls::PlaybackPosition(PlaybackKind kind) const {
    return sliders_[index(kind)].Value();
}

void PlaybackControls::ShowPlaybackCaption(PlaybackKind kind, const std::string& text) {
    captions_[index(kind)] = text;
}

void PlaybackControls::clicked(PlaybackKind kind) {
    const int32_t value = checkBox(kind).Value();
    const int32_t position = slider(kind).Value();
    CheckBox& pitch = checkBox(PlaybackKind::Pitch);
    CheckBox& frequency = checkBox(PlaybackKind::Frequency);
    CheckBox& speed = checkBox(PlaybackKind::Speed);
    switch (kind) {
    case PlaybackKind::Pitch:
    case PlaybackKind::Frequency: {
        if (kind == PlaybackKind::Pitch) {
            dsp_.PitchShiftON(value, position);
        } else {
            dsp_.FreqencyON(value, position);
        }
        // Pitch and frequency exclude speed, which needs the pitch unit and the channel rate
        // to itself; speed comes back only when both are off.
        const CheckBox& other = kind == PlaybackKind::Pitch ? frequency : pitch;
        if (other.Value() == 0) {
            const bool enable = value == 0;
            speed.Enabled(enable);
            slider(PlaybackKind::Speed).Enabled(enable);
        }
        break;
    }
    case PlaybackKind::Speed: {
        dsp_.SpeedON(value, position);
        const bool enable = value == 0;
        pitch.Enabled(enable);
        frequency.Enabled(enable);
        slider(PlaybackKind::Pitch).Enabled(enable);
        slider(PlaybackKind::Frequency).Enabled(enable);
        break;
    }
    case PlaybackKind::FftSize:
        dsp_.FFTON(value, position);
        break;
    }
}

} // namespace sorvel
