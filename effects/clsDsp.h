// The effect object: owns every processing unit the player puts into the sound library's
// system-wide chain (eight effects, the SFX reverb, twelve equalizer bands, one pitch shifter),
// switches them on and off, and turns slider positions into parameters and caption texts.
//
// Writing a property acts at once: EchoBool(1) attaches the echo unit. Units run in the order
// they were attached, the most recent last before the output; switching a unit off and on moves
// it to the end. Every library result goes to the result check handed in (the player's, which
// writes failures into the title display); a failed call leaves the flag as it was set.
//
// UI thread only.
#pragma once

#include "EffectParameters.h"
#include "PlaybackRate.h"
#include "PlaybackSliders.h"
#include "PlayerServices.h"
#include "PlayerState.h"
#include "soundlib.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace sorvel {

class clsDsp : public PlaybackRateControl {
public:
    using ResultCheck = std::function<void(FMOD_RESULT)>;

    // Creates every unit on state.soundSystem, attached to nothing and with the library's
    // defaults (which the sliders' start positions reproduce).
    clsDsp(PlayerState& state, ResultCheck checkResult);
    ~clsDsp() override;
    clsDsp(const clsDsp&) = delete;
    clsDsp& operator=(const clsDsp&) = delete;

    // On/off: 1 attaches the effect's unit, 0 detaches it; any other value is kept as the flag
    // and leaves the unit as it is.
    int32_t ChorusBool() const { return EffectBool(EffectKind::Chorus); }
    void ChorusBool(int32_t vSet) { EffectBool(EffectKind::Chorus, vSet); }
    int32_t DistortionBool() const { return EffectBool(EffectKind::Distortion); }
    void DistortionBool(int32_t vSet) { EffectBool(EffectKind::Distortion, vSet); }
    int32_t EchoBool() const { return EffectBool(EffectKind::Echo); }
    void EchoBool(int32_t vSet) { EffectBool(EffectKind::Echo, vSet); }
    int32_t FlangeBool() const { return EffectBool(EffectKind::Flange); }
    void FlangeBool(int32_t vSet) { EffectBool(EffectKind::Flange, vSet); }
    int32_t HighPassBool() const { return EffectBool(EffectKind::HighPass); }
    void HighPassBool(int32_t vSet) { EffectBool(EffectKind::HighPass, vSet); }
    int32_t LowPassBool() const { return EffectBool(EffectKind::LowPass); }
    void LowPassBool(int32_t vSet) { EffectBool(EffectKind::LowPass, vSet); }
    int32_t CompresserBool() const { return EffectBool(EffectKind::Compressor); }
    void CompresserBool(int32_t vSet) { EffectBool(EffectKind::Compressor, vSet); }
    int32_t ReverbBool() const { return EffectBool(EffectKind::Reverb); }
    void ReverbBool(int32_t vSet) { EffectBool(EffectKind::Reverb, vSet); }
    int32_t SfxReverbBool() const { return sfxReverbFlag_; }
    void SfxReverbBool(int32_t vSet);
    int32_t EffectBool(EffectKind kind) const;
    void EffectBool(EffectKind kind, int32_t vSet);

    // Parameter `Index` of an effect from slider position Lv; returns the caption text, empty
    // for an index the effect does not have. Scroll 0 (position settled) sends the value to the
    // unit; any other Scroll (thumb being dragged) only computes the text.
    std::string CompresserSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string ReverbSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string FlangeSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string LowPassSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string HighPassSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string ChorusSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string EchoSet(int16_t Index, int32_t Lv, int32_t Scroll);
    std::string DistortionSet(int32_t Lv, int32_t Scroll);
    std::string EffectSet(EffectKind kind, int16_t Index, int32_t Lv, int32_t Scroll);

    // Playback flags as the settings load writes them: stored only, nothing applied.
    int32_t PitchShift() const { return pitchFlag_; }
    void PitchShift(int32_t vSet) { pitchFlag_ = vSet; }
    int32_t Freqency() const { return frequencyFlag_; }
    void Freqency(int32_t vSet) { frequencyFlag_ = vSet; }
    int32_t speed() const { return speedFlag_; }
    void speed(int32_t vSet) { speedFlag_ = vSet; }
    int32_t FFT() const { return fftFlag_; }
    void FFT(int32_t vSet) { fftFlag_ = vSet; }

    // The check boxes' switches: store the flag, attach or detach the shared pitch unit when no
    // other control holds it, and apply the slider position (or the neutral one when off).
    // The result is always 0; no caller uses it.
    int32_t PitchShiftON(int32_t vSet, int32_t Lv);
    int32_t FreqencyON(int32_t vSet, int32_t Lv);
    int32_t SpeedON(int32_t vSet, int32_t Lv);
    int32_t FFTON(int32_t vSet, int32_t Lv);

    // The caption of playback control `Index` (0..3) at position Lv; applies the position when
    // that control is on. Empty text and no effect for other indexes.
    std::string PlayDSPChange(int32_t Index, int32_t Lv);

    // Equalizer: writing the flag attaches or detaches the twelve bands.
    int32_t Equalizer() const { return equalizerFlag_; }
    void Equalizer(int32_t vSet);
    void EqualizerSwitch();
    // Band Index (0..11) to slider position Lv: sets the band's centre and gain. Other indexes
    // do nothing.
    void EqualizerChange(int32_t Index, int32_t Lv);
    // 255 after a band was attached, 0 after one was detached; the options window reads it.
    uint8_t equalizerActive() const { return equalizerActive_; }

    static float PitchRatio(float x) { return sorvel::PitchRatio(x); }
    static float SpeedRatio(float x) { return sorvel::SpeedRatio(x); }

    // A new channel started: re-applies frequency and speed (when on) with the sliders'
    // positions and refreshes their captions.
    void ApplyPlaybackRateSettings() override;
    // The options window's playback sliders; null detaches them, and positions then come from
    // the stored settings (optionValues slots 1 and 25).
    void setPlaybackSliders(PlaybackSliders* sliders) { playbackSliders_ = sliders; }

    // The unit handles (0 when creation failed).
    FMOD_DSP effectUnit(EffectKind kind) const { return effectUnits_[static_cast<size_t>(kind)]; }
    FMOD_DSP sfxReverbUnit() const { return sfxReverbUnit_; }
    FMOD_DSP bandUnit(int band) const;
    FMOD_DSP pitchUnit() const { return pitchUnit_; }

private:
    void SwitchUnit(FMOD_DSP unit, int32_t wanted);
    void ApplyPlaybackControl(int32_t kind, float x);
    void check(FMOD_RESULT result) const;
    FMOD_DSP createUnit(FMOD_DSP_TYPE type);
    bool attached(FMOD_DSP unit);
    // The current sound's own rate; nothing when there is no sound.
    bool defaultFrequency(float& frequency);

    PlayerState& state_;
    ResultCheck checkResult_;
    PlaybackSliders* playbackSliders_ = nullptr;

    std::array<int32_t, kEffectKindCount> effectFlags_{};
    int32_t sfxReverbFlag_ = 0;
    int32_t pitchFlag_ = 0;
    int32_t frequencyFlag_ = 0;
    int32_t speedFlag_ = 0;
    int32_t fftFlag_ = 0;
    int32_t equalizerFlag_ = 0;
    uint8_t equalizerActive_ = 0;

    std::array<FMOD_DSP, 12> bandUnits_{};
    FMOD_DSP pitchUnit_ = 0;
    std::array<FMOD_DSP, kEffectKindCount> effectUnits_{};
    FMOD_DSP sfxReverbUnit_ = 0;
};

} // namespace sorvel
