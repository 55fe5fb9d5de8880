// The PulseAudio output against a private server on a null sink: what it plays and how the
// desktop sees the stream, sinks as drivers, following the default sink, and what happens when
// the server dies, hangs or was never there.
#include "PulseServer.h"
#include "device_probe.h"
#include "playback_fixture.h"
#include "soundlib.h"
#include "test_media.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<float> leftOf(const std::vector<float>& stereo) {
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = stereo[2 * i];
    return left;
}

std::string driverName(FMOD_SYSTEM system, int index) {
    char name[256] = {};
    EXPECT_EQ(FMOD_System_GetDriverInfo(system, index, name, sizeof name, nullptr), FMOD_OK);
    return name;
}

std::vector<std::string> driverNames(FMOD_SYSTEM system) {
    int count = 0;
    EXPECT_EQ(FMOD_System_GetNumDrivers(system, &count), FMOD_OK);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(driverName(system, i));
    return names;
}

class PulseOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.running()) {
            GTEST_SKIP() << "no private PulseAudio server for this test: " << server.failure();
        }
        tone = testmedia::makeTone("pulse_tone.wav", 1000.0, 4.0, 44100, 2);
        ASSERT_FALSE(tone.empty());
    }
    void TearDown() override {
        if (system != 0)
            FMOD_System_Release(system);
    }

    // A system on the PulseAudio output in CD format, started.
    FMOD_RESULT start() {
        EXPECT_EQ(FMOD_System_Create(&system), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_PULSEAUDIO), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetSoftwareFormat(system, 44100, FMOD_SOUND_FORMAT_PCM16, 0, 6,
                                                FMOD_DSP_RESAMPLER_LINEAR),
                  FMOD_OK);
        return FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr);
    }

    FMOD_CHANNEL play(const std::filesystem::path& path) {
        FMOD_SOUND sound = 0;
        EXPECT_EQ(FMOD_System_CreateStream(system, path.c_str(), FMOD_SOFTWARE | FMOD_2D, nullptr,
                                           &sound),
                  FMOD_OK);
        FMOD_CHANNEL channel = 0;
        EXPECT_EQ(FMOD_System_PlaySound(system, FMOD_CHANNEL_FREE, sound, 0, &channel), FMOD_OK);
        return channel;
    }

    // The tone is what `sink` plays now.
    void expectToneOn(const std::string& sink) {
        const auto left = leftOf(server.record(sink, 0.8));
        ASSERT_GT(left.size(), 44100u / 4) << "parec recorded nothing from " << sink;
        EXPECT_GT(testmedia::rms(left), 0.1) << sink;
        EXPECT_NEAR(testmedia::measureFrequency(left, 44100), 1000.0, 3.0) << sink;
    }

    sorvel::PulseServer server;
    std::filesystem::path tone;
    FMOD_SYSTEM system = 0;
};

TEST_F(PulseOutputTest, PlaysUnderItsOwnNamesInTheSoftwareFormatAndFollowsTheTitle) {
    ASSERT_EQ(start(), FMOD_OK);
    play(tone);
    expectToneOn(sorvel::PulseServer::kSink);

    EXPECT_TRUE(server.sinkInputsShow(": s16le 2ch 44100Hz")); // the stream's sample format
    EXPECT_TRUE(server.sinkInputsShow("application.name = \"Sorvel\""));
    EXPECT_TRUE(server.sinkInputsShow("application.icon_name = \"sorvel\""));
    EXPECT_TRUE(server.sinkInputsShow("media.role = \"music\""));
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"Sorvel\""));

    // The title changes while the stream plays; text from Windows arrives as CP932.
    ASSERT_EQ(FMOD_System_SetMediaTitle(system, "夜の曲 - Someone"), FMOD_OK);
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"夜の曲 - Someone\""));
    ASSERT_EQ(FMOD_System_SetMediaTitle(system, "\x8B\xC8"), FMOD_OK); // "曲" in CP932
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"曲\""));

    int latency = 0;
    ASSERT_EQ(FMOD_System_GetOutputLatency(system, &latency), FMOD_OK);
    EXPECT_GE(latency, 100);
    EXPECT_LE(latency, 400);
}

TEST_F(PulseOutputTest, LatencyIsASettingAndATitleSetBeforeInitNamesTheStream) {
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    EXPECT_EQ(FMOD_System_SetOutputLatency(system, 19), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_SetOutputLatency(system, 2001), FMOD_ERR_INVALID_PARAM);
    int latency = 0;
    EXPECT_EQ(FMOD_System_GetOutputLatency(system, &latency), FMOD_ERR_UNINITIALIZED);
    ASSERT_EQ(FMOD_System_SetOutputLatency(system, 1000), FMOD_OK);
    ASSERT_EQ(FMOD_System_SetMediaTitle(system, "First"), FMOD_OK);
    ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_PULSEAUDIO), FMOD_OK);
    ASSERT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    EXPECT_EQ(FMOD_System_SetOutputLatency(system, 200), FMOD_ERR_INITIALIZED);
    play(tone);
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"First\""));
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(FMOD_System_GetOutputLatency(system, &latency), FMOD_OK);
    EXPECT_GE(latency, 500);
    EXPECT_LE(latency, 1500);
}

TEST_F(PulseOutputTest, WhatIsReportedIsWhatCanHaveBeenHeard) {
    ASSERT_EQ(start(), FMOD_OK);
    // The queue fills at once, so the mixer is well ahead of the speakers from the start.
    const FMOD_CHANNEL channel = play(tone);
    const auto played = Clock::now();

    unsigned int position = 0;
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(50ms);
        ASSERT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_MS), FMOD_OK);
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - played).count();
        EXPECT_LE(position, elapsed + 30) << "position ahead of the clock after " << elapsed;
    }
    EXPECT_GT(position, 500u);

    // A seek is heard at once: the position starts over from the new place, not after the queue.
    ASSERT_EQ(FMOD_Channel_SetPosition(channel, 3000, FMOD_TIMEUNIT_MS), FMOD_OK);
    const auto sought = Clock::now();
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_MS), FMOD_OK);
    const auto since =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sought).count();
    EXPECT_GE(position, 3000u);
    EXPECT_LE(position, 3000 + since + 30);

    // A short sound plays on until its end is heard, not until it is mixed.
    const auto clip = testmedia::makeTone("pulse_clip.wav", 1000.0, 0.3, 44100, 2);
    const FMOD_CHANNEL short_ = play(clip);
    const auto started = Clock::now();
    FMOD_BOOL playing = 1;
    while (playing && Clock::now() - started < 5s) {
        std::this_thread::sleep_for(10ms);
        FMOD_Channel_IsPlaying(short_, &playing);
    }
    EXPECT_GE(Clock::now() - started, 280ms);
    EXPECT_FALSE(playing);
}

// While the queue holds what one file plays, another is readied to follow it, let go, and
// readied again: nothing queued is dropped, and the second file continues the first's ramp.
TEST_F(PulseOutputTest, AFollowingFileContinuesUnbrokenAndReadyingOneDropsNothingQueued) {
    ASSERT_EQ(start(), FMOD_OK);
    const auto tail = playbacktest::writeRamp("pulse_ramp_tail.wav", 66150, 44100, 66150);
    const FMOD_CHANNEL leading = play(playbacktest::writeRamp("pulse_ramp_head.wav", 66150));
    std::thread readying([&] {
        std::this_thread::sleep_for(500ms);
        for (const bool keep : {false, true}) {
            FMOD_SOUND sound = 0;
            FMOD_CHANNEL channel = 0;
            EXPECT_EQ(FMOD_System_CreateStream(system, tail.c_str(), FMOD_SOFTWARE | FMOD_2D,
                                               nullptr, &sound),
                      FMOD_OK);
            EXPECT_EQ(FMOD_System_PlaySoundAfter(system, leading, sound, &channel), FMOD_OK);
            if (!keep) {
                EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_OK);
            }
        }
    });
    const auto left = leftOf(server.record(sorvel::PulseServer::kSink, 2.6));
    readying.join();
    size_t at = 0; // where the recording caught the ramp: then one step up a frame, or a wrap
    while (at < left.size() && left[at] == 0.0f)
        ++at;
    ASSERT_GT(left.size() - at, 44100u * 3 / 2) << "too little recorded";
    size_t breaks = 0;
    for (size_t i = at + 1; i < left.size(); ++i) {
        const long from = std::lround(left[i - 1] * 32768.0f);
        const long to = std::lround(left[i] * 32768.0f);
        breaks += std::abs(to - from - 1) > 2 && !(from == 9999 && to == -10000) ? 1 : 0;
    }
    EXPECT_EQ(breaks, 0u);
}

TEST_F(PulseOutputTest, RestsWhileNothingPlaysAndWakesForAStartOrAnUnpause) {
    ASSERT_EQ(start(), FMOD_OK);
    // Nothing plays yet: after a second the stream rests.
    EXPECT_TRUE(server.sinkInputsShow("Corked: yes"));
    const FMOD_CHANNEL channel = play(tone);
    EXPECT_TRUE(server.sinkInputsShow("Corked: no"));
    expectToneOn(sorvel::PulseServer::kSink);

    ASSERT_EQ(FMOD_Channel_SetPaused(channel, 1), FMOD_OK);
    std::this_thread::sleep_for(1200ms);
    EXPECT_TRUE(server.sinkInputsShow("Corked: yes"));
    ASSERT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
    EXPECT_TRUE(server.sinkInputsShow("Corked: no"));
    expectToneOn(sorvel::PulseServer::kSink);
}

TEST_F(PulseOutputTest, DriversAreTheSinksWithTheDefaultFirst) {
    const int second = server.addSink("second", "Second");
    ASSERT_GE(second, 0);
    ASSERT_TRUE(server.pactl(std::string("set-default-sink ") + sorvel::PulseServer::kSink));
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_PULSEAUDIO), FMOD_OK);
    EXPECT_EQ(driverNames(system),
              (std::vector<std::string>{sorvel::PulseServer::kSinkDescription, "Second"}));
    ASSERT_TRUE(server.pactl("set-default-sink second"));
    EXPECT_EQ(driverNames(system),
              (std::vector<std::string>{"Second", sorvel::PulseServer::kSinkDescription}));
    EXPECT_EQ(FMOD_System_SetDriver(system, 2), FMOD_ERR_INVALID_PARAM);

    // Driver 1 is the sink after the default one. (Its keeping stream followed the default.)
    server.keepRunning(sorvel::PulseServer::kSink);
    ASSERT_EQ(FMOD_System_SetDriver(system, 1), FMOD_OK);
    ASSERT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    play(tone);
    expectToneOn(sorvel::PulseServer::kSink);
    EXPECT_EQ(server.sinkOfOurStream(), sorvel::PulseServer::kSink);
}

TEST_F(PulseOutputTest, FollowsTheDefaultSinkAndOutlivesItsSink) {
    ASSERT_EQ(start(), FMOD_OK);
    play(tone);
    const int second = server.addSink("second", "Second");
    ASSERT_GE(second, 0);
    ASSERT_TRUE(server.pactl("set-default-sink second"));
    for (int i = 0; i < 40 && server.sinkOfOurStream() != "second"; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(server.sinkOfOurStream(), "second");
    expectToneOn("second");

    // The sink goes away under the stream: it plays on elsewhere, without an error.
    ASSERT_TRUE(server.unloadSink(second));
    for (int i = 0; i < 40 && server.sinkOfOurStream() != sorvel::PulseServer::kSink; ++i)
        std::this_thread::sleep_for(50ms);
    expectToneOn(sorvel::PulseServer::kSink);
    EXPECT_EQ(FMOD_System_Update(system), FMOD_OK);
}

TEST_F(PulseOutputTest, AServerThatDiesWhilePlayingEndsInSilenceAndOneError) {
    ASSERT_EQ(start(), FMOD_OK);
    const FMOD_CHANNEL channel = play(tone);
    std::this_thread::sleep_for(300ms);
    server.kill();

    std::vector<FMOD_RESULT> results;
    const auto killed = Clock::now();
    while (Clock::now() - killed < 1500ms) {
        results.push_back(FMOD_System_Update(system));
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(std::count(results.begin(), results.end(), FMOD_ERR_OUTPUT_DRIVERCALL), 1);
    EXPECT_EQ(std::count(results.begin(), results.end(), FMOD_OK),
              static_cast<ptrdiff_t>(results.size()) - 1);
    // It plays on without sound: the channel still moves, the output is the silent one.
    unsigned int before = 0, after = 0;
    ASSERT_EQ(FMOD_Channel_GetPosition(channel, &before, FMOD_TIMEUNIT_MS), FMOD_OK);
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(FMOD_Channel_GetPosition(channel, &after, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_GT(after, before);
    EXPECT_EQ(driverNames(system), std::vector<std::string>{"No sound"});
}

// ---- without a server ----

class ScopedPulseServer {
public:
    explicit ScopedPulseServer(const std::string& address) {
        if (const char* old = std::getenv("PULSE_SERVER"))
            old_ = old;
        ::setenv("PULSE_SERVER", address.c_str(), 1);
    }
    ~ScopedPulseServer() {
        if (old_)
            ::setenv("PULSE_SERVER", old_->c_str(), 1);
        else
            ::unsetenv("PULSE_SERVER");
    }

private:
    std::optional<std::string> old_;
};

TEST(PulseOutputWithoutServer, NoServerMeansNoDriversAndAutodetectFallsBack) {
    const sorvel::TempFolder folder;
    const ScopedPulseServer env("unix:" + (folder / "nothing-here").string());
    FMOD_SYSTEM system = 0;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_PULSEAUDIO), FMOD_OK);
    int count = -1;
    ASSERT_EQ(FMOD_System_GetNumDrivers(system, &count), FMOD_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_OUTPUT_INIT);
    ASSERT_EQ(FMOD_System_Release(system), FMOD_OK);

    // Autodetect plays on ALSA when the machine has a card, else silently.
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    if (!soundlib::devices::alsaHasSoundCards()) {
        EXPECT_EQ(driverNames(system), std::vector<std::string>{"No sound"});
    }
    EXPECT_EQ(FMOD_System_Update(system), FMOD_OK);
    ASSERT_EQ(FMOD_System_Release(system), FMOD_OK);
}

TEST(PulseOutputWithoutServer, AServerThatNeverAnswersCostsAFewSecondsAtMost) {
    // A socket that takes connections and says nothing, like a server stopped in a debugger.
    const sorvel::TempFolder folder;
    const std::string path = (folder / "native").string();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    const ScopedPulseServer env("unix:" + path);

    FMOD_SYSTEM system = 0;
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_PULSEAUDIO), FMOD_OK);
    const auto began = Clock::now();
    EXPECT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_ERR_OUTPUT_INIT);
    EXPECT_LT(Clock::now() - began, 10s) << "a silent server must not hang the caller";
    ASSERT_EQ(FMOD_System_Release(system), FMOD_OK);
    ::close(listener);
}

} // namespace
