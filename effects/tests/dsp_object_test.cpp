// The effect object against the real library: units, switching, parameters, the shared pitch
// unit, and the playback rate of the current channel.
#include "fx_render.h"

#include <gtest/gtest.h>

namespace {

using namespace fxtest;

class DspObject : public ::testing::Test {
protected:
    DspObject() : system(noSound()) {
        state.soundSystem = system.system;
        dsp = std::make_unique<clsDsp>(state, [this](FMOD_RESULT r) {
            if (reported(r)) {
                failures.push_back(r);
            }
        });
    }
    static playbacktest::RenderSettings noSound() {
        playbacktest::RenderSettings settings;
        settings.output = FMOD_OUTPUTTYPE_NOSOUND_NRT;
        return settings;
    }
    bool active(FMOD_DSP unit) {
        FMOD_BOOL on = 0;
        EXPECT_EQ(FMOD_DSP_GetActive(unit, &on), FMOD_OK);
        return on != 0;
    }
    float parameter(FMOD_DSP unit, int index) {
        float value = NAN;
        EXPECT_EQ(FMOD_DSP_GetParameter(unit, index, &value, nullptr, 0), FMOD_OK);
        return value;
    }
    float channelFrequency() {
        float hz = 0;
        EXPECT_EQ(FMOD_Channel_GetFrequency(state.currentChannel, &hz), FMOD_OK);
        return hz;
    }
    void playTone() {
        state.currentSound = system.open(makeTone(), 0x48, false);
        state.currentChannel = system.play(state.currentSound);
    }
    static fs::path makeTone() {
        return writeSignal("dsp-object-tone.wav", 0.5, [](double t) { return 0.5 * sine(441, t); });
    }

    playbacktest::RenderedSystem system;
    PlayerState state;
    std::vector<FMOD_RESULT> failures;
    std::unique_ptr<clsDsp> dsp;
};

TEST_F(DspObject, CreatesEveryUnitOfItsTypeDetached) {
    auto parameters = [](FMOD_DSP unit) {
        int count = -1;
        FMOD_DSP_GetNumParameters(unit, &count);
        return count;
    };
    for (const EffectDescription& effect : Effects()) {
        const FMOD_DSP unit = dsp->effectUnit(effect.kind);
        EXPECT_EQ(parameters(unit), static_cast<int>(effect.parameters.size())) << effect.name;
        EXPECT_FALSE(active(unit));
    }
    EXPECT_EQ(parameters(dsp->sfxReverbUnit()), 15);
    EXPECT_EQ(parameters(dsp->pitchUnit()), 4);
    for (int band = 0; band < 12; ++band) {
        EXPECT_EQ(parameters(dsp->bandUnit(band)), 3);
        EXPECT_FALSE(active(dsp->bandUnit(band)));
    }
    EXPECT_EQ(dsp->bandUnit(12), 0u);
    EXPECT_TRUE(failures.empty());
}

TEST_F(DspObject, OnOffPropertiesAttachAndDetachOnlyOnZeroAndOne) {
    for (const EffectDescription& effect : Effects()) {
        const FMOD_DSP unit = dsp->effectUnit(effect.kind);
        dsp->EffectBool(effect.kind, 1);
        dsp->EffectBool(effect.kind, 1);
        EXPECT_TRUE(active(unit)) << effect.name;
        EXPECT_EQ(dsp->EffectBool(effect.kind), 1);
        // A third check-box state is kept as the flag and leaves the unit alone.
        dsp->EffectBool(effect.kind, 2);
        EXPECT_EQ(dsp->EffectBool(effect.kind), 2);
        EXPECT_TRUE(active(unit));
        dsp->EffectBool(effect.kind, 0);
        dsp->EffectBool(effect.kind, 0);
        EXPECT_FALSE(active(unit));
        dsp->EffectBool(effect.kind, 2);
        EXPECT_FALSE(active(unit));
    }
    dsp->EchoBool(1);
    EXPECT_EQ(dsp->EchoBool(), 1);
    EXPECT_TRUE(active(dsp->effectUnit(EffectKind::Echo)));
    dsp->CompresserBool(1);
    EXPECT_TRUE(active(dsp->effectUnit(EffectKind::Compressor)));
    dsp->SfxReverbBool(1);
    EXPECT_EQ(dsp->SfxReverbBool(), 1);
    EXPECT_TRUE(active(dsp->sfxReverbUnit()));
    dsp->SfxReverbBool(0);
    EXPECT_FALSE(active(dsp->sfxReverbUnit()));
    EXPECT_TRUE(failures.empty());
}

TEST_F(DspObject, ParameterFunctionsSendOnlySettledPositions) {
    const FMOD_DSP chorus = dsp->effectUnit(EffectKind::Chorus);
    EXPECT_EQ(dsp->ChorusSet(4, 600, 0), "40.1");
    EXPECT_FLOAT_EQ(parameter(chorus, 4), 40.1f);
    EXPECT_EQ(dsp->ChorusSet(4, 1, 1), "100.0");
    EXPECT_FLOAT_EQ(parameter(chorus, 4), 40.1f);

    EXPECT_EQ(dsp->CompresserSet(0, -60, 0), "-60");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Compressor), 0), -60.0f);
    EXPECT_EQ(dsp->EchoSet(2, 16, 0), "0");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Echo), 2), 0.0f);
    EXPECT_EQ(dsp->EchoSet(0, 10, 0), "5000");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Echo), 0), 5000.0f);
    EXPECT_EQ(dsp->ReverbSet(5, 0, 0), "1");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Reverb), 5), 1.0f);
    EXPECT_EQ(dsp->DistortionSet(0, 0), "1.0");
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Distortion), 0), 1.0f);
    EXPECT_EQ(dsp->HighPassSet(0, 12010, 0), "10000");
    EXPECT_EQ(dsp->LowPassSet(1, 10, 0), "10.0");
    EXPECT_EQ(dsp->FlangeSet(3, 0, 0), "20.0");
    EXPECT_TRUE(failures.empty());

    // Unknown indexes: empty text, nothing sent.
    EXPECT_EQ(dsp->LowPassSet(2, 50, 0), "");
    EXPECT_EQ(dsp->ReverbSet(6, 0, 0), "");
    EXPECT_EQ(dsp->ChorusSet(-1, 0, 0), "");
    EXPECT_TRUE(failures.empty());

    // A position outside the slider goes through; the library refuses it and the result check
    // hears of it, with the unit unchanged.
    EXPECT_EQ(dsp->DistortionSet(11, 0), "-0.1");
    EXPECT_EQ(failures, std::vector<FMOD_RESULT>{FMOD_ERR_INVALID_PARAM});
    EXPECT_FLOAT_EQ(parameter(dsp->effectUnit(EffectKind::Distortion), 0), 1.0f);
}

TEST_F(DspObject, StartPositionsReproduceTheLibraryDefaultsWithinOneStep) {
    for (const EffectDescription& effect : Effects()) {
        const FMOD_DSP unit = dsp->effectUnit(effect.kind);
        for (size_t i = 0; i < effect.parameters.size(); ++i) {
            const EffectParameterRow& row = effect.parameters[i];
            const float libraryDefault = parameter(unit, static_cast<int>(i));
            const float step = std::abs(EffectParameterValue(row, row.start + 1) -
                                        EffectParameterValue(row, row.start));
            EXPECT_LE(std::abs(EffectParameterValue(row, row.start) - libraryDefault),
                      step * 1.001f)
                << effect.name << " " << row.label;
        }
    }
}

TEST_F(DspObject, EqualizerAttachesAllBandsAndSetsCentreAndGain) {
    dsp->Equalizer(1);
    EXPECT_EQ(dsp->equalizerActive(), 255);
    for (int band = 0; band < 12; ++band) {
        EXPECT_TRUE(active(dsp->bandUnit(band)));
    }
    dsp->EqualizerSwitch();
    EXPECT_EQ(dsp->equalizerActive(), 255);

    dsp->EqualizerChange(3, 70);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(3), 0), 250.0f);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(3), 2), 1.3f);
    dsp->EqualizerChange(11, 195);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(11), 0), 22000.0f);
    EXPECT_FLOAT_EQ(parameter(dsp->bandUnit(11), 2), 0.05f);
    dsp->EqualizerChange(12, 5);
    dsp->EqualizerChange(-1, 5);
    EXPECT_TRUE(failures.empty());

    dsp->Equalizer(0);
    EXPECT_EQ(dsp->equalizerActive(), 0);
    for (int band = 0; band < 12; ++band) {
        EXPECT_FALSE(active(dsp->bandUnit(band)));
    }
}

TEST_F(DspObject, PitchUnitIsSharedByPitchSpeedAndFftSize) {
    const FMOD_DSP pitch = dsp->pitchUnit();
    dsp->PitchShiftON(1, 12);
    EXPECT_TRUE(active(pitch));
    EXPECT_FLOAT_EQ(parameter(pitch, 0), 2.0f);
    dsp->FFTON(1, -2);
    EXPECT_FLOAT_EQ(parameter(pitch, 1), 256.0f);
    // Pitch off while the FFT size holds the unit: attached, factor back to 1.
    dsp->PitchShiftON(0, 12);
    EXPECT_TRUE(active(pitch));
    EXPECT_FLOAT_EQ(parameter(pitch, 0), 1.0f);
    dsp->FFTON(0, -2);
    EXPECT_FALSE(active(pitch));
    EXPECT_FLOAT_EQ(parameter(pitch, 1), 1024.0f);

    // Captions, and values applied only for a control that is on.
    EXPECT_EQ(dsp->PlayDSPChange(0, 3), "+3");
    EXPECT_FLOAT_EQ(parameter(pitch, 0), 1.0f);
    dsp->PitchShift(1); // the settings load's plain flag: nothing applied yet
    EXPECT_FALSE(active(pitch));
    EXPECT_EQ(dsp->PlayDSPChange(0, -3), "-3");
    EXPECT_FLOAT_EQ(parameter(pitch, 0), PitchRatio(-3));
    dsp->FFT(1);
    EXPECT_EQ(dsp->PlayDSPChange(3, -2), "-2");
    EXPECT_FLOAT_EQ(parameter(pitch, 1), 256.0f);
    EXPECT_EQ(dsp->PlayDSPChange(4, 1), "");
    EXPECT_TRUE(failures.empty());

    // An FFT slider position outside -2..2 asks for size 0, which the library refuses.
    EXPECT_EQ(dsp->PlayDSPChange(3, 3), "3");
    EXPECT_EQ(failures, std::vector<FMOD_RESULT>{FMOD_ERR_INVALID_PARAM});
}

TEST_F(DspObject, SpeedAndFrequencyActOnTheCurrentChannel) {
    // No sound yet: the library refuses quietly and nothing is set.
    dsp->SpeedON(1, 100);
    EXPECT_FLOAT_EQ(parameter(dsp->pitchUnit(), 0), 0.5f);

    playTone();
    EXPECT_EQ(dsp->PlayDSPChange(2, 100), "100%");
    EXPECT_FLOAT_EQ(channelFrequency(), 88200.0f);
    EXPECT_FLOAT_EQ(parameter(dsp->pitchUnit(), 0), 0.5f);
    EXPECT_EQ(dsp->PlayDSPChange(2, -40), "-40%");
    EXPECT_FLOAT_EQ(channelFrequency(), 44100.0f / 1.4f);
    dsp->SpeedON(0, -40);
    EXPECT_FLOAT_EQ(channelFrequency(), 44100.0f);
    EXPECT_FLOAT_EQ(parameter(dsp->pitchUnit(), 0), 1.0f);
    EXPECT_FALSE(active(dsp->pitchUnit()));

    dsp->FreqencyON(1, 50);
    EXPECT_FLOAT_EQ(channelFrequency(), 66150.0f);
    EXPECT_EQ(dsp->PlayDSPChange(1, 50), "5.0");
    EXPECT_EQ(dsp->PlayDSPChange(1, -100), "-10.0");
    EXPECT_FLOAT_EQ(channelFrequency(), 0.0f);
    dsp->FreqencyON(0, -100);
    EXPECT_FLOAT_EQ(channelFrequency(), 44100.0f);
    EXPECT_FALSE(active(dsp->pitchUnit()));
    EXPECT_TRUE(failures.empty());

    // A speed position far outside the slider would divide by zero: nothing is sent.
    dsp->SpeedON(1, 200);
    EXPECT_FLOAT_EQ(channelFrequency(), 44100.0f);
}

TEST_F(DspObject, OutlivingTheSoundSystemIsHarmless) {
    dsp->EchoBool(1);
    dsp->Equalizer(1);
    FMOD_System_Release(system.system);
    system.system = 0;
    dsp.reset();
}

} // namespace
