// The flat calls on processing units: creation, the published parameters, attaching and
// detaching, handles.
#include "dsp_fixture.h"

#include <cstring>

using namespace dsptest;

namespace {

struct Published {
    FMOD_DSP_TYPE type;
    std::vector<float> defaults;
    std::vector<std::pair<float, float>> ranges;
};

// The library's published parameters, which the player's sliders reproduce.
const std::vector<Published>& published() {
    static const std::vector<Published> table = {
        {FMOD_DSP_TYPE_LOWPASS, {5000, 1}, {{10, 22000}, {1, 10}}},
        {FMOD_DSP_TYPE_HIGHPASS, {5000, 1}, {{1, 22000}, {1, 10}}},
        {FMOD_DSP_TYPE_ECHO, {500, 0.5f, 0, 1, 1}, {{10, 5000}, {0, 1}, {0, 16}, {0, 1}, {0, 1}}},
        {FMOD_DSP_TYPE_FLANGE, {0.45f, 0.55f, 1, 0.1f}, {{0, 1}, {0, 1}, {0.01f, 1}, {0, 20}}},
        {FMOD_DSP_TYPE_DISTORTION, {0.5f}, {{0, 1}}},
        {FMOD_DSP_TYPE_PARAMEQ, {8000, 1, 1}, {{20, 22000}, {0.2f, 5}, {0.05f, 3}}},
        {FMOD_DSP_TYPE_PITCHSHIFT, {1, 1024, 4, 0}, {{0.5f, 2}, {256, 4096}, {1, 32}, {0, 16}}},
        {FMOD_DSP_TYPE_CHORUS,
         {0.5f, 0.5f, 0.5f, 0.5f, 40, 0.8f, 0.03f, 0},
         {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0.1f, 100}, {0, 20}, {0, 1}, {0, 1}}},
        {FMOD_DSP_TYPE_REVERB,
         {0.5f, 0.5f, 0.33f, 0.66f, 1, 0},
         {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}},
        {FMOD_DSP_TYPE_COMPRESSOR, {0, 50, 50, 0}, {{-60, 0}, {10, 200}, {20, 1000}, {0, 30}}},
    };
    return table;
}

TEST(DspCreation, NeedsAnInitialisedSystemAndAKnownType) {
    FMOD_SYSTEM system = 0;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    FMOD_DSP dsp = 123;
    EXPECT_EQ(FMOD_System_CreateDSPByType(system, FMOD_DSP_TYPE_ECHO, &dsp),
              FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(dsp, 0u);
    EXPECT_EQ(FMOD_System_GetSpectrum(system, std::vector<float>(512).data(), 512, 0, 3),
              FMOD_ERR_UNINITIALIZED);
    ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_NOSOUND_NRT), FMOD_OK);
    ASSERT_EQ(FMOD_System_Init(system, 16, 0, nullptr), FMOD_OK);
    for (const FMOD_DSP_TYPE missing : {0, 1, 2, 4, 9, 14, 15, 16, 19, -1, 1000}) {
        EXPECT_EQ(FMOD_System_CreateDSPByType(system, missing, &dsp), FMOD_ERR_PLUGIN_MISSING)
            << missing;
    }
    EXPECT_EQ(FMOD_System_CreateDSPByType(system, FMOD_DSP_TYPE_ECHO, nullptr),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_CreateDSPByType(0, FMOD_DSP_TYPE_ECHO, &dsp), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_System_Release(system), FMOD_OK);
}

TEST(DspParameters, EveryUnitStartsWithThePublishedDefaultsAndRanges) {
    playbacktest::RenderedSystem render;
    for (const Published& unit : published()) {
        SCOPED_TRACE(unit.type);
        const FMOD_DSP dsp = makeUnit(render.system, unit.type);
        int count = 0;
        ASSERT_EQ(FMOD_DSP_GetNumParameters(dsp, &count), FMOD_OK);
        ASSERT_EQ(count, static_cast<int>(unit.defaults.size()));
        for (int i = 0; i < count; ++i) {
            float value = -1.0f, low = 0.0f, high = 0.0f;
            char text[32] = {};
            EXPECT_EQ(FMOD_DSP_GetParameter(dsp, i, &value, text, sizeof text), FMOD_OK);
            EXPECT_FLOAT_EQ(value, unit.defaults[size_t(i)]) << i;
            EXPECT_GT(std::strlen(text), 0u);
            char name[16] = {}, label[16] = {};
            EXPECT_EQ(FMOD_DSP_GetParameterInfo(dsp, i, name, label, nullptr, 0, &low, &high),
                      FMOD_OK);
            EXPECT_GT(std::strlen(name), 0u);
            EXPECT_FLOAT_EQ(low, unit.ranges[size_t(i)].first) << i;
            EXPECT_FLOAT_EQ(high, unit.ranges[size_t(i)].second) << i;
        }
        EXPECT_EQ(FMOD_DSP_GetParameter(dsp, count, nullptr, nullptr, 0), FMOD_ERR_INVALID_PARAM);
        EXPECT_EQ(FMOD_DSP_Release(dsp), FMOD_OK);
    }
    const FMOD_DSP sfx = makeUnit(render.system, FMOD_DSP_TYPE_SFXREVERB);
    int count = 0;
    EXPECT_EQ(FMOD_DSP_GetNumParameters(sfx, &count), FMOD_OK);
    EXPECT_EQ(count, 15); // the I3DL2 set
}

TEST(DspParameters, ValuesOutsideTheRangeAreRefusedAndChangeNothing) {
    playbacktest::RenderedSystem render;
    const FMOD_DSP echo = makeUnit(render.system, FMOD_DSP_TYPE_ECHO);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 5000.0f), FMOD_OK);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 5001.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 9.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, std::nanf("")), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 2, 2.5f), FMOD_ERR_INVALID_PARAM); // a channel count
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 5, 0.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, -1, 0.0f), FMOD_ERR_INVALID_PARAM);
    float value = 0.0f;
    EXPECT_EQ(FMOD_DSP_GetParameter(echo, 0, &value, nullptr, 0), FMOD_OK);
    EXPECT_EQ(value, 5000.0f);

    const FMOD_DSP pitch = makeUnit(render.system, FMOD_DSP_TYPE_PITCHSHIFT);
    for (const float size : {256.0f, 512.0f, 2048.0f, 4096.0f}) {
        EXPECT_EQ(FMOD_DSP_SetParameter(pitch, 1, size), FMOD_OK) << size;
    }
    for (const float size : {0.0f, 128.0f, 1000.0f, 8192.0f}) {
        EXPECT_EQ(FMOD_DSP_SetParameter(pitch, 1, size), FMOD_ERR_INVALID_PARAM) << size;
    }
    EXPECT_EQ(FMOD_DSP_GetParameter(pitch, 1, &value, nullptr, 0), FMOD_OK);
    EXPECT_EQ(value, 4096.0f);

    const FMOD_DSP compressor = makeUnit(render.system, FMOD_DSP_TYPE_COMPRESSOR);
    EXPECT_EQ(FMOD_DSP_SetParameter(compressor, 0, -60.0f), FMOD_OK);
    EXPECT_EQ(FMOD_DSP_SetParameter(compressor, 0, 1.0f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_DSP_GetParameter(compressor, 0, &value, nullptr, 0), FMOD_OK);
    EXPECT_EQ(value, -60.0f);
}

TEST(DspAttachment, ActiveFollowsAddRemoveAndBypass) {
    playbacktest::RenderedSystem render;
    const FMOD_DSP echo = makeUnit(render.system, FMOD_DSP_TYPE_ECHO);
    auto active = [&](FMOD_DSP dsp) {
        FMOD_BOOL on = -1;
        EXPECT_EQ(FMOD_DSP_GetActive(dsp, &on), FMOD_OK);
        return on;
    };
    EXPECT_EQ(active(echo), 0);
    FMOD_DSPCONNECTION connection = 77;
    EXPECT_EQ(FMOD_System_AddDSP(render.system, echo, &connection), FMOD_OK);
    EXPECT_EQ(active(echo), 1);
    EXPECT_EQ(FMOD_System_AddDSP(render.system, echo, nullptr), FMOD_OK); // still once
    render.update();
    EXPECT_EQ(FMOD_DSP_SetActive(echo, 0), FMOD_OK);
    EXPECT_EQ(active(echo), 0);
    EXPECT_EQ(FMOD_DSP_SetActive(echo, 1), FMOD_OK);
    EXPECT_EQ(active(echo), 1);
    EXPECT_EQ(FMOD_DSP_Remove(echo), FMOD_OK);
    EXPECT_EQ(active(echo), 0);
    EXPECT_EQ(FMOD_DSP_Remove(echo), FMOD_OK); // not attached: nothing to do
    render.update();
    // Parameters survive being detached.
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 250.0f), FMOD_OK);
    EXPECT_EQ(FMOD_System_AddDSP(render.system, echo, nullptr), FMOD_OK);
    float delay = 0.0f;
    EXPECT_EQ(FMOD_DSP_GetParameter(echo, 0, &delay, nullptr, 0), FMOD_OK);
    EXPECT_EQ(delay, 250.0f);
    // Released while attached: gone at once for the caller.
    EXPECT_EQ(FMOD_DSP_Release(echo), FMOD_OK);
    FMOD_BOOL on = 0;
    EXPECT_EQ(FMOD_DSP_GetActive(echo, &on), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_DSP_SetParameter(echo, 0, 100.0f), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_DSP_Release(echo), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_System_AddDSP(render.system, echo, nullptr), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_DSP_GetActive(echo, nullptr), FMOD_ERR_INVALID_PARAM);
    render.update(2);
}

TEST(DspAttachment, AUnitBelongsToOneSystemAndTheChainHasRoomForSixtyFour) {
    playbacktest::RenderedSystem first;
    playbacktest::RenderedSystem second;
    const FMOD_DSP shared = makeUnit(first.system, FMOD_DSP_TYPE_DISTORTION);
    EXPECT_EQ(FMOD_System_AddDSP(first.system, shared, nullptr), FMOD_OK);
    EXPECT_EQ(FMOD_System_AddDSP(second.system, shared, nullptr), FMOD_ERR_DSP_CONNECTION);
    EXPECT_EQ(FMOD_DSP_Remove(shared), FMOD_OK);
    first.update();
    // Let go of by the first, it may join the second.
    EXPECT_EQ(FMOD_System_AddDSP(second.system, shared, nullptr), FMOD_OK);

    std::vector<FMOD_DSP> bands;
    for (int i = 0; i < 64; ++i) {
        bands.push_back(makeUnit(first.system, FMOD_DSP_TYPE_PARAMEQ));
        ASSERT_EQ(FMOD_System_AddDSP(first.system, bands.back(), nullptr), FMOD_OK) << i;
    }
    const FMOD_DSP extra = makeUnit(first.system, FMOD_DSP_TYPE_PARAMEQ);
    EXPECT_EQ(FMOD_System_AddDSP(first.system, extra, nullptr), FMOD_ERR_DSP_TOOMANYCONNECTIONS);
    EXPECT_EQ(FMOD_DSP_Remove(bands[10]), FMOD_OK);
    EXPECT_EQ(FMOD_System_AddDSP(first.system, extra, nullptr), FMOD_OK);
    first.update(2);
    second.update(2);
}

TEST(DspAttachment, UnitsOutliveTheirSystemAndJoinANewOneOfAnotherFormat) {
    FMOD_DSP echo = 0;
    {
        playbacktest::RenderSettings mono;
        mono.speakerMode = FMOD_SPEAKERMODE_MONO;
        mono.sampleRate = 22050;
        playbacktest::RenderedSystem old(mono);
        echo = makeUnit(old.system, FMOD_DSP_TYPE_ECHO, {{0, 100.0f}});
        ASSERT_EQ(FMOD_System_AddDSP(old.system, echo, nullptr), FMOD_OK);
        old.update(2);
    } // the system is released with the unit attached
    FMOD_BOOL on = 1;
    EXPECT_EQ(FMOD_DSP_GetActive(echo, &on), FMOD_OK);
    EXPECT_EQ(on, 0);
    const auto wav = renderThrough(impulseFile(0.3), [&](FMOD_SYSTEM system) {
        EXPECT_EQ(FMOD_System_AddDSP(system, echo, nullptr), FMOD_OK);
    });
    // Rebuilt for 44.1 kHz stereo: the echo comes 100 ms later on both sides.
    EXPECT_NEAR(wav.samples[4410 * 2], 1.0, 1e-3);
    EXPECT_NEAR(wav.samples[4410 * 2 + 1], 1.0, 1e-3);
    EXPECT_EQ(FMOD_DSP_Release(echo), FMOD_OK);
}

} // namespace
