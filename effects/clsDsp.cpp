#include "clsDsp.h"

#include "Equalizer.h"

namespace sorvel {

namespace {

// Parameter indexes of the units this object drives.
constexpr int kBandCentreParameter = 0;
constexpr int kBandGainParameter = 2;
constexpr int kPitchFactorParameter = 0;
constexpr int kPitchFftSizeParameter = 1;

// Where the stored playback positions sit in optionValues when no window model is attached.
constexpr size_t kFrequencySlot = 1;
constexpr size_t kSpeedSlot = 25;

} // namespace

clsDsp::clsDsp(PlayerState& state, ResultCheck checkResult)
    : state_(state), checkResult_(std::move(checkResult)) {
    // The creation order is part of the contract: bands, pitch, then the effects in the
    // library's type order as the player has always made them.
    for (auto& unit : bandUnits_) {
        unit = createUnit(FMOD_DSP_TYPE_PARAMEQ);
    }
    pitchUnit_ = createUnit(FMOD_DSP_TYPE_PITCHSHIFT);
    for (const EffectKind kind :
         {EffectKind::LowPass, EffectKind::HighPass, EffectKind::Echo, EffectKind::Flange,
          EffectKind::Distortion, EffectKind::Chorus, EffectKind::Compressor, EffectKind::Reverb}) {
        effectUnits_[static_cast<size_t>(kind)] = createUnit(Effect(kind).unitType);
    }
    sfxReverbUnit_ = createUnit(kSfxReverbUnitType);
}

clsDsp::~clsDsp() {
    // Results are not checked here: at closing the system may already be gone, and then the
    // handles are simply no longer valid.
    auto release = [](FMOD_DSP unit) {
        if (unit != 0) {
            FMOD_DSP_Release(unit);
        }
    };
    for (const FMOD_DSP unit : bandUnits_) {
        release(unit);
    }
    release(pitchUnit_);
    for (const FMOD_DSP unit : effectUnits_) {
        release(unit);
    }
    release(sfxReverbUnit_);
}

void clsDsp::check(FMOD_RESULT result) const {
    if (checkResult_) {
        checkResult_(result);
    }
}

FMOD_DSP clsDsp::createUnit(FMOD_DSP_TYPE type) {
    FMOD_DSP unit = 0;
    check(FMOD_System_CreateDSPByType(state_.soundSystem, type, &unit));
    return unit;
}

FMOD_DSP clsDsp::bandUnit(int band) const {
    if (band < 0 || band >= kBandCount) {
        return 0;
    }
    return bandUnits_[static_cast<size_t>(band)];
}

bool clsDsp::attached(FMOD_DSP unit) {
    FMOD_BOOL active = 0;
    check(FMOD_DSP_GetActive(unit, &active));
    return active != 0;
}

void clsDsp::SwitchUnit(FMOD_DSP unit, int32_t wanted) {
    const bool isAttached = attached(unit);
    if (isAttached && wanted == 0) {
        check(FMOD_DSP_Remove(unit));
    } else if (!isAttached && wanted == 1) {
        FMOD_DSPCONNECTION connection = 0;
        check(FMOD_System_AddDSP(state_.soundSystem, unit, &connection));
    }
}

int32_t clsDsp::EffectBool(EffectKind kind) const {
    return effectFlags_[static_cast<size_t>(kind)];
}

void clsDsp::EffectBool(EffectKind kind, int32_t vSet) {
    effectFlags_[static_cast<size_t>(kind)] = vSet;
    SwitchUnit(effectUnits_[static_cast<size_t>(kind)], vSet);
}

void clsDsp::SfxReverbBool(int32_t vSet) {
    sfxReverbFlag_ = vSet;
    SwitchUnit(sfxReverbUnit_, vSet);
}

std::string clsDsp::EffectSet(EffectKind kind, int16_t Index, int32_t Lv, int32_t Scroll) {
    const EffectParameterRow* row = EffectParameter(kind, Index);
    if (row == nullptr) {
        return {};
    }
    const float value = EffectParameterValue(*row, Lv);
    std::string text = EffectParameterText(*row, Lv);
    if (Scroll == 0) {
        check(FMOD_DSP_SetParameter(effectUnits_[static_cast<size_t>(kind)], Index, value));
    }
    return text;
}

std::string clsDsp::CompresserSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Compressor, Index, Lv, Scroll);
}
std::string clsDsp::ReverbSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Reverb, Index, Lv, Scroll);
}
std::string clsDsp::FlangeSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Flange, Index, Lv, Scroll);
}
std::string clsDsp::LowPassSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::LowPass, Index, Lv, Scroll);
}
std::string clsDsp::HighPassSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::HighPass, Index, Lv, Scroll);
}
std::string clsDsp::ChorusSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Chorus, Index, Lv, Scroll);
}
std::string clsDsp::EchoSet(int16_t Index, int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Echo, Index, Lv, Scroll);
}
std::string clsDsp::DistortionSet(int32_t Lv, int32_t Scroll) {
    return EffectSet(EffectKind::Distortion, 0, Lv, Scroll);
}

bool clsDsp::defaultFrequency(float& frequency) {
    float volume = 0;
    float pan = 0;
    int priority = 0;
    const FMOD_RESULT result =
        FMOD_Sound_GetDefaults(state_.currentSound, &frequency, &volume, &pan, &priority);
    check(result);
    return result == FMOD_OK;
}

void clsDsp::ApplyPlaybackControl(int32_t kind, float x) {
    switch (kind) {
    case 0:
        check(FMOD_DSP_SetParameter(pitchUnit_, kPitchFactorParameter, PitchRatio(x)));
        break;
    case 1: {
        float frequency = 0;
        if (defaultFrequency(frequency)) {
            check(
                FMOD_Channel_SetFrequency(state_.currentChannel, FrequencyForSlider(x, frequency)));
        }
        break;
    }
    case 2: {
        // A factor of 0 or less only comes from a position far outside the slider; dividing by
        // it would hand the channel an infinite or negative rate.
        const float ratio = SpeedRatio(x);
        if (!(ratio > 0.0f)) {
            break;
        }
        float frequency = 0;
        if (defaultFrequency(frequency)) {
            check(FMOD_Channel_SetFrequency(state_.currentChannel, frequency / ratio));
        }
        check(FMOD_DSP_SetParameter(pitchUnit_, kPitchFactorParameter, ratio));
        break;
    }
    case 3:
        check(FMOD_DSP_SetParameter(pitchUnit_, kPitchFftSizeParameter, FftSizeForSlider(x)));
        break;
    default:
        break;
    }
}

int32_t clsDsp::PitchShiftON(int32_t vSet, int32_t Lv) {
    pitchFlag_ = vSet;
    if (fftFlag_ == 0) {
        SwitchUnit(pitchUnit_, pitchFlag_);
    }
    ApplyPlaybackControl(0, pitchFlag_ == 1 ? static_cast<float>(Lv) : 0.0f);
    return 0;
}

int32_t clsDsp::FreqencyON(int32_t vSet, int32_t Lv) {
    frequencyFlag_ = vSet;
    ApplyPlaybackControl(1, frequencyFlag_ == 1 ? static_cast<float>(Lv) : 0.0f);
    return 0;
}

int32_t clsDsp::SpeedON(int32_t vSet, int32_t Lv) {
    speedFlag_ = vSet;
    if (pitchFlag_ == 0 && frequencyFlag_ == 0 && fftFlag_ == 0) {
        SwitchUnit(pitchUnit_, speedFlag_);
    }
    ApplyPlaybackControl(2, speedFlag_ == 1 ? static_cast<float>(Lv) : 0.0f);
    return 0;
}

int32_t clsDsp::FFTON(int32_t vSet, int32_t Lv) {
    fftFlag_ = vSet;
    if (pitchFlag_ == 0 && speedFlag_ == 0) {
        SwitchUnit(pitchUnit_, fftFlag_);
    }
    ApplyPlaybackControl(3, fftFlag_ == 1 ? static_cast<float>(Lv) : 0.0f);
    return 0;
}

std::string clsDsp::PlayDSPChange(int32_t Index, int32_t Lv) {
    std::string text = PlaybackCaption(Index, Lv);
    const int32_t flags[kPlaybackKindCount] = {pitchFlag_, frequencyFlag_, speedFlag_, fftFlag_};
    if (Index >= 0 && Index < kPlaybackKindCount && flags[Index] == 1) {
        ApplyPlaybackControl(Index, static_cast<float>(Lv));
    }
    return text;
}

void clsDsp::Equalizer(int32_t vSet) {
    equalizerFlag_ = vSet;
    EqualizerSwitch();
}

void clsDsp::EqualizerSwitch() {
    for (const FMOD_DSP unit : bandUnits_) {
        const bool isAttached = attached(unit);
        if (isAttached && equalizerFlag_ == 0) {
            check(FMOD_DSP_Remove(unit));
            equalizerActive_ = 0;
        } else if (!isAttached && equalizerFlag_ == 1) {
            FMOD_DSPCONNECTION connection = 0;
            check(FMOD_System_AddDSP(state_.soundSystem, unit, &connection));
            equalizerActive_ = 255;
        }
    }
}

void clsDsp::EqualizerChange(int32_t Index, int32_t Lv) {
    if (Index < 0 || Index >= kBandCount) {
        return;
    }
    const FMOD_DSP unit = bandUnits_[static_cast<size_t>(Index)];
    check(FMOD_DSP_SetParameter(unit, kBandCentreParameter,
                                EqualizerBands()[static_cast<size_t>(Index)].centreHz));
    check(FMOD_DSP_SetParameter(unit, kBandGainParameter, BandGain(Lv)));
}

void clsDsp::ApplyPlaybackRateSettings() {
    for (const PlaybackKind kind : {PlaybackKind::Frequency, PlaybackKind::Speed}) {
        const int32_t position =
            playbackSliders_ != nullptr
                ? playbackSliders_->PlaybackPosition(kind)
                : state_
                      .optionValues[kind == PlaybackKind::Frequency ? kFrequencySlot : kSpeedSlot];
        const std::string text = PlayDSPChange(static_cast<int32_t>(kind), position);
        if (playbackSliders_ != nullptr) {
            playbackSliders_->ShowPlaybackCaption(kind, text);
        }
    }
}

} // namespace sorvel
