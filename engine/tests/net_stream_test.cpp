// A network stream through the whole engine: the title while buffering and as the station's
// titles arrive, and the capture file against the bytes the test server sent.
#include "TestHttpServer.h"
#include "engine_fixture.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(EngineTest, NetworkStreamShowsBufferingThenStationTitlesAndCapturesEveryByte) {
    nettest::Reply reply;
    reply.audio = readBytes(testmedia::makeTone("station.mp3", 440, 3.0, 44100, 2,
                                                {"-b:a", "128k", "-write_xing", "0"}));
    ASSERT_GT(reply.audio.size(), 30000u);
    reply.metaint = 4096;
    reply.titles = {{0, "Artist One - Song One"},
                    {reply.audio.size() / 2, "Artist Two - Song Two"}};
    nettest::TestHttpServer server(reply);

    // An older, longer capture must not leave its tail behind.
    const fs::path capture = state.programFolder / "output.tmp";
    std::ofstream(capture) << std::string(reply.audio.size() * 2, 'x');

    state.currentIndex = 0;
    player->OpenMedia(server.url());
    EXPECT_TRUE(state.isNetStream);
    EXPECT_EQ(state.titleText, "Buffering...");
    EXPECT_EQ(state.currentChannel, 0u); // it starts once the stream is ready

    // Ticks at a gentle pace: the stream connects and fills on its own thread.
    std::vector<std::string> titles;
    bool ended = false;
    for (int tick = 0; tick < 3000 && !ended; ++tick) {
        if (titles.empty() || titles.back() != state.titleText) {
            titles.push_back(state.titleText);
        }
        FMOD_BOOL playing = 0;
        ended = state.currentChannel != 0 &&
                FMOD_Channel_IsPlaying(state.currentChannel, &playing) != FMOD_OK;
        player->PlaybackTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(ended);
    for (int i = 0; i < 5; ++i) {
        player->PlaybackTick(); // the close hook's event is written on a later tick
    }
    EXPECT_EQ(titles.front(), "Buffering...");
    EXPECT_NE(std::find(titles.begin(), titles.end(), "0. Song One - Artist One"), titles.end());
    EXPECT_EQ(titles.back(), "0. Song Two - Artist Two");
    // The stream ended, but a network entry never moves the playlist on.
    EXPECT_TRUE(state.isNetStream);
    EXPECT_TRUE(readBytes(capture) == reply.audio) << readBytes(capture).size();
}

std::vector<uint8_t> stationAudio() {
    return readBytes(testmedia::makeTone("url_station.mp3", 440, 1.0, 44100, 2,
                                         {"-b:a", "128k", "-write_xing", "0"}));
}

// Ticks until the server has been asked for `path`, or gives up.
bool tickUntilRequested(Player& player, const nettest::TestHttpServer& server,
                        const std::string& path) {
    for (int tick = 0; tick < 1000; ++tick) {
        for (const std::string& request : server.requests()) {
            if (request.find("GET " + path + " ") != std::string::npos) {
                return true;
            }
        }
        player.PlaybackTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST_F(EngineTest, AnAddressInAPlsStartsThatStreamAndTakesNoRow) {
    nettest::Reply reply;
    reply.audio = stationAudio();
    nettest::TestHttpServer server(reply);
    const fs::path pls = state.programFolder / "radio.pls";
    std::ofstream(pls, std::ios::binary) << "[playlist]\r\nFile1=" << server.url("/radio.mp3")
                                         << "\r\nTitle1=Radio\r\nNumberOfEntries=1\r\n";
    state.currentIndex = 0;
    player->playlist().LoadPlaylistFile(pls.string());
    EXPECT_TRUE(state.isNetStream);
    EXPECT_EQ(state.titleText, "Buffering...");
    EXPECT_TRUE(playlistView.rows.empty());
    EXPECT_TRUE(tickUntilRequested(*player, server, "/radio.mp3"));
}

TEST_F(EngineTest, AddressLinesInAnM3uStartStreamsAndTheLastOneStays) {
    nettest::Reply reply;
    reply.audio = stationAudio();
    nettest::TestHttpServer server(reply);
    const fs::path a = testmedia::makeTone("url_a.wav", 440, 0.2);
    const fs::path b = testmedia::makeTone("url_b.wav", 660, 0.2);
    const fs::path m3u = state.programFolder / "mixed.m3u";
    std::ofstream(m3u, std::ios::binary) << a.string() << "\r\n"
                                         << server.url("/first.mp3") << "\r\n"
                                         << b.string() << "\r\n"
                                         << server.url("/second.mp3") << "\r\n";
    state.currentIndex = 0;
    player->playlist().LoadPlaylistFile(m3u.string());
    // The files take rows 1 and 2 without a gap; the addresses take none.
    EXPECT_EQ(playlistView.rows,
              (std::map<int32_t, std::string>{{1, a.string()}, {2, b.string()}}));
    EXPECT_TRUE(state.isNetStream);
    EXPECT_TRUE(tickUntilRequested(*player, server, "/second.mp3"));
}

TEST(NetCaptureFile, EveryBlockLandsInOrderAndEachCaptureStartsEmpty) {
    const fs::path file = testmedia::mediaDir() / "capture.tmp";
    { std::ofstream(file) << "an older and much longer capture that must not survive"; }
    NetCapture capture;
    void* handle = nullptr;
    unsigned int size = 0;
    NetCapture::OpenHook("http://x", 0, &size, &handle, nullptr);
    std::string expected;
    for (int block = 0; block < 50; ++block) {
        std::string bytes(100 + block, static_cast<char>('a' + block % 26));
        unsigned int count = static_cast<unsigned int>(bytes.size());
        NetCapture::ReadHook(handle, bytes.data(), count, &count, nullptr);
        expected += bytes;
        if (block % 7 == 0) {
            capture.Service(file); // the tick runs now and then, never between every block
        }
    }
    NetCapture::CloseHook(handle, nullptr);
    capture.Service(file);
    EXPECT_FALSE(capture.fileOpen());
    EXPECT_EQ(readAll(file), expected);
}

} // namespace
