// End-to-end: sounds played on channels through the non-real-time wave writer, checked by
// measuring what was written.
#include "playback_fixture.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

using namespace playbacktest;
using testmedia::channelOf;

namespace {

constexpr FMOD_MODE kSoftware2D = 0x48;

TEST(ResultTexts, KnownCodesKeepTheirTextAndOthersAreUnknown) {
    EXPECT_STREQ(FMOD_ErrorString(0), "No errors.");
    EXPECT_STREQ(FMOD_ErrorString(23), "File not found. ");
    EXPECT_STREQ(FMOD_ErrorString(25), "Unsupported file or audio format. ");
    EXPECT_STREQ(FMOD_ErrorString(53), "The specified URL couldn't be resolved. ");
    EXPECT_STREQ(FMOD_ErrorString(89), "Unknown error.");
    EXPECT_STREQ(FMOD_ErrorString(-1), "Unknown error.");
}

TEST(SystemLifecycle, SettingsAreRefusedAfterInitAndSoundsBeforeIt) {
    FMOD_SYSTEM system = 0;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_NE(system, 0u);
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    FMOD_SOUND sound = 0;
    EXPECT_EQ(FMOD_System_CreateStream(system, "/nonexistent.wav", kSoftware2D, &info, &sound),
              FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FMOD_System_Update(system), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FMOD_System_SetSoftwareFormat(system, 4000, FMOD_SOUND_FORMAT_PCM16, 0, 6, 1),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_SetSoftwareFormat(system, 22050, FMOD_SOUND_FORMAT_PCM24, 0, 6, 3),
              FMOD_OK);
    EXPECT_EQ(FMOD_System_SetSpeakerMode(system, 8), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_NOSOUND_NRT), FMOD_OK);
    EXPECT_EQ(FMOD_System_Init(system, 16, 0, nullptr), FMOD_OK);
    EXPECT_EQ(FMOD_System_Init(system, 16, 0, nullptr), FMOD_ERR_INITIALIZED);
    EXPECT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_NOSOUND), FMOD_ERR_INITIALIZED);
    EXPECT_EQ(FMOD_System_SetDriver(system, 0), FMOD_ERR_INITIALIZED);
    EXPECT_EQ(FMOD_System_SetSpeakerMode(system, 2), FMOD_ERR_INITIALIZED);

    int rate = 0, channels = 0, inputs = 0, bits = 0;
    FMOD_SOUND_FORMAT format = 0;
    FMOD_DSP_RESAMPLER resampler = 0;
    EXPECT_EQ(FMOD_System_GetSoftwareFormat(system, &rate, &format, &channels, &inputs, &resampler,
                                            &bits),
              FMOD_OK);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(format, FMOD_SOUND_FORMAT_PCM24);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(inputs, 6);
    EXPECT_EQ(resampler, FMOD_DSP_RESAMPLER_SPLINE);
    EXPECT_EQ(bits, 24);
    int drivers = 0;
    EXPECT_EQ(FMOD_System_GetNumDrivers(system, &drivers), FMOD_OK);
    EXPECT_GE(drivers, 1);
    char name[255] = {};
    EXPECT_EQ(FMOD_System_GetDriverInfo(system, 0, name, 255, nullptr), FMOD_OK);
    EXPECT_GT(std::strlen(name), 0u);

    EXPECT_EQ(FMOD_System_Close(system), FMOD_OK);
    EXPECT_EQ(FMOD_System_Release(system), FMOD_OK);
    EXPECT_EQ(FMOD_System_Release(system), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_System_Update(0), FMOD_ERR_INVALID_HANDLE);
}

TEST(SystemLifecycle, AutodetectStartsEvenWithoutASoundCard) {
    FMOD_SYSTEM system = 0;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    EXPECT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_WINMM), FMOD_OK);
    EXPECT_EQ(FMOD_System_Init(system, 16, 0, nullptr), FMOD_OK);
    EXPECT_EQ(FMOD_System_Update(system), FMOD_OK);
    EXPECT_EQ(FMOD_System_Release(system), FMOD_OK);
}

TEST(Playback, WavToneKeepsItsFrequencyLevelAndLength) {
    const auto path = testmedia::makeTone("tone1k.wav", 1000.0, 1.0, 44100, 2, {}, 0.5);
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(path);
    unsigned int lengthMs = 0, lengthPcm = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthMs, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &lengthPcm, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(lengthMs, 1000u);
    EXPECT_EQ(lengthPcm, 44100u);
    const FMOD_CHANNEL channel = render.play(sound);
    render.renderToEnd(channel);
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();
    ASSERT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 44100.0, 2.0);
    const auto left = channelOf(wav, 0, 4410, 35280);
    EXPECT_NEAR(testmedia::measureFrequency(left, 44100), 1000.0, 0.5);
    EXPECT_NEAR(testmedia::peak(left), 0.5, 0.01);
}

TEST(Playback, VolumeAndPanSetTheSpeakerLevels) {
    const auto stereo = testmedia::makeTone("pan_stereo.wav", 1000.0, 0.5, 44100, 2, {}, 0.5);
    const auto mono = testmedia::makeTone("pan_mono.wav", 1000.0, 0.5, 44100, 1, {}, 0.5);
    struct Case {
        std::filesystem::path file;
        float volume, pan, left, right;
    };
    const double root = std::sqrt(0.5);
    const std::vector<Case> cases = {
        {stereo, 0.5f, 0.0f, 0.25f, 0.25f},
        {stereo, 1.0f, -1.0f, 0.5f, 0.0f},
        {stereo, 1.0f, 1.0f, 0.0f, 0.5f},
        {mono, 1.0f, 0.0f, static_cast<float>(0.5 * root), static_cast<float>(0.5 * root)},
        {mono, 1.0f, -1.0f, 0.5f, 0.0f},
    };
    for (const Case& c : cases) {
        RenderedSystem render;
        const FMOD_CHANNEL channel = render.play(render.open(c.file), true);
        EXPECT_EQ(FMOD_Channel_SetVolume(channel, c.volume), FMOD_OK);
        EXPECT_EQ(FMOD_Channel_SetPan(channel, c.pan), FMOD_OK);
        EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
        render.renderToEnd(channel);
        const auto wav = render.finish();
        SCOPED_TRACE(c.file.filename().string() + " volume " + std::to_string(c.volume) + " pan " +
                     std::to_string(c.pan));
        EXPECT_NEAR(testmedia::peak(channelOf(wav, 0, 2000, 15000)), c.left, 0.01);
        EXPECT_NEAR(testmedia::peak(channelOf(wav, 1, 2000, 15000)), c.right, 0.01);
    }
}

TEST(Playback, SeekLandsOnTheExactFrameForSamplesAndStreams) {
    const auto path = writeRamp("ramp.wav", 88200);
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "stream" : "sample");
        RenderedSystem render;
        const FMOD_SOUND sound = render.open(path, kSoftware2D, stream);
        const FMOD_CHANNEL channel = render.play(sound, true);
        render.update(3);
        EXPECT_EQ(FMOD_Channel_SetPosition(channel, 1500, FMOD_TIMEUNIT_MS), FMOD_OK);
        unsigned int position = 0;
        EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_MS), FMOD_OK);
        EXPECT_EQ(position, 1500u);
        render.update();
        EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
        EXPECT_EQ(position, 66150u);
        // Paused so far: nothing was written. Start now and render a little.
        EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
        render.update(2);
        EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
        EXPECT_EQ(position, 66150u + 2048u);
        EXPECT_EQ(FMOD_Channel_SetPosition(channel, 100000, FMOD_TIMEUNIT_PCM),
                  FMOD_ERR_INVALID_PARAM);
        const auto wav = render.finish();
        // 4 silent blocks, then the ramp from frame 66150 on.
        const size_t start = 4 * 1024;
        ASSERT_GE(wav.frames(), start + 100);
        EXPECT_EQ(wav.samples[(start - 1) * 2], 0.0f);
        for (size_t i = 0; i < 100; ++i) {
            EXPECT_NEAR(wav.samples[(start + i) * 2] * 32768.0f, rampValue(66150 + i), 0.5)
                << "frame " << i;
            EXPECT_NEAR(wav.samples[(start + i) * 2 + 1] * 32768.0f, -rampValue(66150 + i), 0.5);
        }
    }
}

TEST(Playback, FrequencyChangesThePlaybackRateAndZeroHoldsStill) {
    const auto path = testmedia::makeTone("rate.wav", 1000.0, 3.0, 44100, 2, {}, 0.5);
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(path);
    float defaultFrequency = 0;
    EXPECT_EQ(FMOD_Sound_GetDefaults(sound, &defaultFrequency, nullptr, nullptr, nullptr), FMOD_OK);
    EXPECT_EQ(defaultFrequency, 44100.0f);
    const FMOD_CHANNEL channel = render.play(sound);
    EXPECT_EQ(FMOD_Channel_SetFrequency(channel, 88200.0f), FMOD_OK);
    render.update(43); // ~1 s of output at twice the speed
    unsigned int before = 0, after = 0;
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &before, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(before, 43u * 1024u * 2u);
    EXPECT_EQ(FMOD_Channel_SetFrequency(channel, 0.0f), FMOD_OK);
    render.update(10);
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &after, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(render.playing(channel));
    EXPECT_EQ(FMOD_Channel_SetFrequency(channel, NAN), FMOD_ERR_INVALID_FLOAT);
    const auto wav = render.finish();
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 2048, 32768), 44100), 2000.0, 1.0);
    EXPECT_LT(testmedia::peak(channelOf(wav, 0, 44 * 1024 + 512, 8 * 1024)), 1e-6);
}

TEST(Playback, PausedChannelIsSilentAndKeepsItsPlace) {
    const auto path = testmedia::makeTone("pause.wav", 500.0, 2.0, 44100, 2, {}, 0.5);
    RenderedSystem render;
    const FMOD_CHANNEL channel = render.play(render.open(path));
    render.update(5);
    EXPECT_EQ(FMOD_Channel_SetPaused(channel, 1), FMOD_OK);
    FMOD_BOOL paused = 0;
    EXPECT_EQ(FMOD_Channel_GetPaused(channel, &paused), FMOD_OK);
    EXPECT_EQ(paused, 1);
    render.update(5);
    unsigned int position = 0;
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, 5u * 1024u);
    EXPECT_TRUE(render.playing(channel));
    const auto wav = render.finish();
    EXPECT_GT(testmedia::peak(channelOf(wav, 0, 0, 5 * 1024)), 0.4);
    EXPECT_EQ(testmedia::peak(channelOf(wav, 0, 5 * 1024, 5 * 1024)), 0.0);
}

TEST(Handles, EndedStoppedAndReleasedHandlesAnswerInvalidHandle) {
    const auto path = testmedia::makeTone("short.wav", 1000.0, 0.1, 44100, 2);
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(path);
    const FMOD_CHANNEL ended = render.play(sound);
    render.renderToEnd(ended);
    FMOD_BOOL playing = 1;
    EXPECT_EQ(FMOD_Channel_IsPlaying(ended, &playing), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(playing, 0);
    EXPECT_EQ(FMOD_Channel_SetVolume(ended, 0.5f), FMOD_ERR_INVALID_HANDLE);

    // The same stream plays again from its start.
    const FMOD_CHANNEL again = render.play(sound);
    unsigned int position = 99;
    EXPECT_EQ(FMOD_Channel_GetPosition(again, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, 0u);
    render.update();
    EXPECT_EQ(FMOD_Channel_GetPosition(again, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, 1024u);
    EXPECT_EQ(FMOD_Channel_Stop(again), FMOD_OK);
    EXPECT_EQ(FMOD_Channel_Stop(again), FMOD_ERR_INVALID_HANDLE);
    EXPECT_FALSE(render.playing(again));

    const FMOD_CHANNEL released = render.play(sound);
    EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_OK);
    EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Channel_IsPlaying(released, &playing), FMOD_ERR_INVALID_HANDLE);
    unsigned int length = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &length, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
    render.update(3);

    // Values that were never handles, and handles of the wrong kind.
    EXPECT_EQ(FMOD_Channel_Stop(0), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Channel_Stop(0xDEADBEEF), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Sound_GetLength(render.system, &length, FMOD_TIMEUNIT_MS),
              FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Channel_Stop(render.system), FMOD_ERR_INVALID_HANDLE);
}

TEST(Handles, SeventeenthSoundStealsTheOldestChannel) {
    const auto path = testmedia::makeTone("steal.wav", 1000.0, 1.0, 44100, 2);
    RenderedSystem render;
    std::vector<FMOD_SOUND> sounds;
    std::vector<FMOD_CHANNEL> channels;
    for (int i = 0; i < 17; ++i) {
        sounds.push_back(render.open(path, kSoftware2D, false));
        channels.push_back(render.play(sounds.back()));
    }
    FMOD_BOOL playing = 1;
    EXPECT_EQ(FMOD_Channel_IsPlaying(channels[0], &playing), FMOD_ERR_CHANNEL_STOLEN);
    EXPECT_EQ(playing, 0);
    for (int i = 1; i < 17; ++i) {
        EXPECT_TRUE(render.playing(channels[i])) << i;
    }
    int count = 0;
    EXPECT_EQ(FMOD_System_GetChannelsPlaying(render.system, &count), FMOD_OK);
    EXPECT_EQ(count, 16);

    // A more important channel is never taken: the least important one goes.
    EXPECT_EQ(FMOD_Channel_SetPriority(channels[1], 0), FMOD_OK);
    EXPECT_EQ(FMOD_Channel_SetPriority(channels[5], 256), FMOD_OK);
    EXPECT_EQ(FMOD_Channel_SetPriority(channels[5], 257), FMOD_ERR_INVALID_PARAM);
    const FMOD_CHANNEL extra = render.play(sounds[0]);
    EXPECT_TRUE(render.playing(extra));
    EXPECT_TRUE(render.playing(channels[1]));
    EXPECT_EQ(FMOD_Channel_IsPlaying(channels[5], &playing), FMOD_ERR_CHANNEL_STOLEN);

    // Reuse: the channel given in the argument is taken again when it is valid.
    FMOD_CHANNEL reused = channels[2];
    EXPECT_EQ(FMOD_System_PlaySound(render.system, FMOD_CHANNEL_REUSE, sounds[1], 0, &reused),
              FMOD_OK);
    EXPECT_NE(reused, channels[2]);
    EXPECT_TRUE(render.playing(reused));
    EXPECT_FALSE(render.playing(channels[2]));
    EXPECT_EQ(FMOD_System_GetChannelsPlaying(render.system, &count), FMOD_OK);
    EXPECT_EQ(count, 16);
}

TEST(Opening, MissingGarbageAndTruncatedFiles) {
    RenderedSystem render;
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    FMOD_SOUND sound = 77;
    EXPECT_EQ(
        FMOD_System_CreateStream(render.system, "/no/such/file.mp3", kSoftware2D, &info, &sound),
        FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(sound, 0u);
    const auto garbage = testmedia::makeGarbage("garbage.mp3", 20000);
    EXPECT_EQ(FMOD_System_CreateStream(render.system, garbage.c_str(), kSoftware2D, &info, &sound),
              FMOD_ERR_FORMAT);
    EXPECT_EQ(FMOD_System_CreateSound(render.system, garbage.c_str(), kSoftware2D, &info, &sound),
              FMOD_ERR_FORMAT);
    info.cbsize = 12;
    EXPECT_EQ(FMOD_System_CreateStream(render.system, garbage.c_str(), kSoftware2D, &info, &sound),
              FMOD_ERR_INVALID_PARAM);

    // A truncated file plays what it has and ends.
    const auto whole = testmedia::makeTone("whole.wav", 1000.0, 2.0, 44100, 2);
    const auto cut = testmedia::makeTruncated("cut.wav", whole, 44 + 44100 * 4 / 2);
    const FMOD_CHANNEL channel = render.play(render.open(cut));
    render.renderToEnd(channel, 200);
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();
    EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 22050.0, 4.0);
}

TEST(Opening, NonBlockingOpenBecomesReadyOnUpdates) {
    const auto path = testmedia::makeTone("nonblocking.ogg", 440.0, 1.0);
    RenderedSystem render;
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    FMOD_SOUND sound = 0;
    ASSERT_EQ(FMOD_System_CreateSound(render.system, path.c_str(), 0x100C8, &info, &sound),
              FMOD_OK);
    FMOD_OPENSTATE state = FMOD_OPENSTATE_LOADING;
    for (int i = 0; i < 2000 && state != FMOD_OPENSTATE_READY; ++i) {
        EXPECT_EQ(FMOD_Sound_GetOpenState(sound, &state, nullptr, nullptr), FMOD_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(state, FMOD_OPENSTATE_READY);
    const FMOD_CHANNEL channel = render.play(sound);
    render.renderToEnd(channel, 200);
    const auto wav = render.finish();
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 4096, 32768), 44100), 440.0, 0.5);

    // A file that cannot open reports the failure through its open state.
    RenderedSystem second;
    ASSERT_EQ(FMOD_System_CreateSound(second.system, "/no/such.ogg", 0x100C8, &info, &sound),
              FMOD_OK);
    state = FMOD_OPENSTATE_LOADING;
    FMOD_RESULT result = FMOD_OK;
    for (int i = 0; i < 2000 && state != FMOD_OPENSTATE_ERROR; ++i) {
        result = FMOD_Sound_GetOpenState(sound, &state, nullptr, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(state, FMOD_OPENSTATE_ERROR);
    EXPECT_EQ(result, FMOD_ERR_FILE_NOTFOUND);
    FMOD_CHANNEL channel2 = 0;
    EXPECT_EQ(FMOD_System_PlaySound(second.system, FMOD_CHANNEL_FREE, sound, 0, &channel2),
              FMOD_ERR_FILE_NOTFOUND);
}

TEST(Playback, LoopingSampleKeepsPlayingPastItsEnd) {
    const auto path = testmedia::makeTone("loop.wav", 1000.0, 0.1, 44100, 2);
    RenderedSystem render;
    const FMOD_SOUND sound = render.open(path, kSoftware2D | FMOD_LOOP_NORMAL, false);
    const FMOD_CHANNEL channel = render.play(sound);
    render.update(20); // ~0.46 s: past four loops
    EXPECT_TRUE(render.playing(channel));
    unsigned int position = 0;
    EXPECT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(position, (20u * 1024u) % 4410u);
}

} // namespace
