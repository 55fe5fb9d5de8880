// The channel gain's contract; what it and its limiter do to the sound is heard in the engine's
// loudness tests.
#include "playback_fixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using playbacktest::RenderedSystem;

TEST(ChannelGain, RefusesBadValuesAndStartsAtOneOnEveryPlay) {
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(testmedia::makeTone("gain-values.wav", 1000, 0.1));
    FMOD_CHANNEL channel = render.play(sound);
    EXPECT_EQ(FMOD_Channel_SetGain(channel, NAN), FMOD_ERR_INVALID_FLOAT);
    EXPECT_EQ(FMOD_Channel_SetGain(channel, -0.5f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_SetGain(channel, 16.5f), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_SetGain(channel, 0.25f), FMOD_OK);
    // The same channel started again, as the player does for each entry.
    EXPECT_EQ(FMOD_System_PlaySound(render.system, FMOD_CHANNEL_REUSE, sound, 0, &channel),
              FMOD_OK);
    float gain = 0.0f;
    EXPECT_EQ(FMOD_Channel_GetGain(channel, &gain), FMOD_OK);
    EXPECT_EQ(gain, 1.0f);
}

} // namespace
