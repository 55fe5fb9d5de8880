// The player through a private PulseAudio server: the stream named after what plays, a server
// that dies while playing, and a start without any server.
#include "PulseServer.h"
#include "engine_fixture.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace enginetest;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MediaTitle, IsTheTitleLineWithoutItsNumberOrAnEmptySide) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"1. Song - Singer", "Song - Singer"},
        {"12. song.mp3", "song.mp3"},
        {"3. Song - ", "Song"},
        {"3.  - Singer", "Singer"},
        {"4.  - ", std::nullopt},
        {"0. Track - 03", "Track - 03"},
        {"1.5 Mix", "1.5 Mix"},
        {"ERROR! No.23File not found. ", std::nullopt},
        {"Buffering...", std::nullopt},
    };
    for (const auto& [line, title] : cases)
        EXPECT_EQ(mediaTitleOf(line), title) << line;
}

// A player ticking in real time, as the window's timer runs it.
class RealTimeEngineTest : public EngineTest {
protected:
    // Ticks every 20 ms until done() holds or `limit` has passed; true when it held.
    template <class F> bool tickFor(F&& done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (done())
                return true;
            player->PlaybackTick();
            std::this_thread::sleep_for(20ms);
        }
        return done();
    }
};

class SoundServerTest : public RealTimeEngineTest {
protected:
    void SetUp() override {
        if (!server.running()) {
            GTEST_SKIP() << "no private PulseAudio server for this test: " << server.failure();
        }
        EngineTest::SetUp();
    }
    std::string settingsText() const override { return "[Etc]\r\n-OutputType=14\r\n"; }

    sorvel::PulseServer server;
};

TEST_F(SoundServerTest, TheStreamIsNamedAfterWhatPlaysAndFollowsTheNextEntry) {
    EXPECT_EQ(state.titleText.find("ERROR"), std::string::npos) << state.titleText;
    addToList({testmedia::makeTaggedTone("named_first.mp3", 440, 0.6, "Morning", "Singer", "LP"),
               testmedia::makeTaggedTone("named_second.mp3", 660, 3, "Evening", "Singer", "LP")});
    player->playlist().PlayEntryAt(1);
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"Morning - Singer\""));
    EXPECT_TRUE(server.sinkInputsShow("media.role = \"music\""));
    ASSERT_TRUE(tickFor([&] { return state.currentIndex == 2; }, 5s));
    EXPECT_TRUE(server.sinkInputsShow("media.name = \"Evening - Singer\""));
}

TEST_F(SoundServerTest, AServerThatDiesWhilePlayingLeavesThePlayerRunningAndSaysSo) {
    addToList({testmedia::makeTone("dying_first.wav", 440, 1.5),
               testmedia::makeTone("dying_second.wav", 660, 0.5)});
    player->playlist().PlayEntryAt(1);
    tickFor([] { return false; }, 300ms);
    server.kill();

    // Ticks stay quick, the title line tells what happened, and the list moves on in silence.
    bool told = false;
    auto slowest = Clock::duration::zero();
    const auto end = Clock::now() + 5s;
    while (Clock::now() < end && state.currentIndex != 2) {
        const auto before = Clock::now();
        player->PlaybackTick();
        slowest = std::max(slowest, Clock::now() - before);
        told = told || state.titleText.starts_with("ERROR! No.58");
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(told);
    EXPECT_EQ(state.currentIndex, 2);
    EXPECT_LT(slowest, 1s) << "a tick waited on the dead server";
}

class NoServerTest : public RealTimeEngineTest {
protected:
    void SetUp() override {
        if (const char* server = std::getenv("PULSE_SERVER"))
            previous_ = server;
        ::setenv("PULSE_SERVER", ("unix:" + (folder_ / "nothing-here").string()).c_str(), 1);
        EngineTest::SetUp();
    }
    void TearDown() override {
        EngineTest::TearDown();
        if (previous_)
            ::setenv("PULSE_SERVER", previous_->c_str(), 1);
        else
            ::unsetenv("PULSE_SERVER");
    }
    std::string settingsText() const override { return "[Etc]\r\n-OutputType=0\r\n"; }

private:
    sorvel::TempFolder folder_;
    std::optional<std::string> previous_;
};

TEST_F(NoServerTest, AutodetectFallsBackAndTheListStillPlays) {
    EXPECT_EQ(state.titleText.find("ERROR"), std::string::npos) << state.titleText;
    addToList({testmedia::makeTone("no_server.wav", 440, 0.3)});
    player->playlist().PlayEntryAt(1);
    EXPECT_FALSE(state.stoppedFlag);
    EXPECT_TRUE(tickFor([&] { return state.stoppedFlag; }, 5s));
    EXPECT_EQ(state.titleText.find("ERROR"), std::string::npos) << state.titleText;
}

} // namespace
