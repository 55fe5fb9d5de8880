// Internet streams: an MP3 stream with ICY titles served from 127.0.0.1 by the test server,
// played through the wave writer while the capture hooks watch the bytes; servers that refuse,
// fail, drop the connection or go silent.
#include "TestHttpServer.h"
#include "net/IcyDemuxer.h"
#include "net/ReceiveBuffer.h"
#include "net/icy_metadata.h"
#include "net/net_results.h"
#include "playback_fixture.h"
#include "text_encoding.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

using namespace playbacktest;
using nettest::Reply;
using nettest::TestHttpServer;
using testmedia::channelOf;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr FMOD_MODE kNetMode = 0x100C8; // non-blocking stream, software

// What the capture hooks saw, in order.
struct Capture {
    std::mutex mutex;
    std::vector<std::string> events; // "open", "read", "close"
    std::vector<uint8_t> bytes;
    std::string name;
    bool onCallerThread = false;
    std::thread::id caller;

    void reset() {
        std::lock_guard lock(mutex);
        events.clear();
        bytes.clear();
        name.clear();
        onCallerThread = false;
        caller = std::this_thread::get_id();
    }
    void note(const char* event) {
        events.push_back(event);
        onCallerThread = onCallerThread || std::this_thread::get_id() == caller;
    }
    std::vector<std::string> eventKinds() {
        std::lock_guard lock(mutex);
        std::vector<std::string> kinds;
        for (const std::string& event : events) {
            if (kinds.empty() || kinds.back() != event) {
                kinds.push_back(event);
            }
        }
        return kinds;
    }
};
Capture capture;
int captureHandle = 0;

FMOD_RESULT F_CALLBACK captureOpen(const char* name, int, unsigned int* size, void** handle,
                                   void** userdata) {
    std::lock_guard lock(capture.mutex);
    capture.note("open");
    capture.name = name;
    *size = 0;
    *handle = &captureHandle;
    *userdata = &capture;
    return FMOD_OK;
}
FMOD_RESULT F_CALLBACK captureClose(void* handle, void* userdata) {
    std::lock_guard lock(capture.mutex);
    capture.note(handle == &captureHandle && userdata == &capture ? "close" : "bad close");
    return FMOD_OK;
}
FMOD_RESULT F_CALLBACK captureRead(void* handle, void* buffer, unsigned int size,
                                   unsigned int* read, void* userdata) {
    std::lock_guard lock(capture.mutex);
    const bool good = handle == &captureHandle && userdata == &capture && *read == size;
    capture.note(good ? "read" : "bad read");
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    capture.bytes.insert(capture.bytes.end(), bytes, bytes + size);
    return FMOD_OK;
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The stream's audio: an 8-second 440 Hz MP3, made once.
const std::vector<uint8_t>& radioMp3() {
    static const std::vector<uint8_t> bytes =
        readBytes(testmedia::makeTone("radio.mp3", 440.0, 8.0, 44100, 2, {"-b:a", "128k"}));
    return bytes;
}

class NetSystem : public RenderedSystem {
public:
    explicit NetSystem(const RenderSettings& settings = {}, int timeoutMs = 3000)
        : RenderedSystem(settings) {
        // A proxy set in the environment must not take the loopback traffic elsewhere.
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        capture.reset();
        EXPECT_EQ(FMOD_System_SetStreamBufferSize(system, 131072, FMOD_TIMEUNIT_RAWBYTES), FMOD_OK);
        EXPECT_EQ(
            FMOD_System_AttachFileSystem(system, captureOpen, captureClose, captureRead, nullptr),
            FMOD_OK);
        EXPECT_EQ(FMOD_System_SetNetworkTimeout(system, timeoutMs), FMOD_OK);
    }

    FMOD_SOUND create(const std::string& address, FMOD_RESULT expected = FMOD_OK,
                      FMOD_MODE mode = kNetMode) {
        FMOD_CREATESOUNDEXINFO info{};
        info.cbsize = 108;
        FMOD_SOUND sound = 0;
        EXPECT_EQ(FMOD_System_CreateSound(system, address.c_str(), mode, &info, &sound), expected);
        return sound;
    }

    // Polls the open state as the player's tick does until it settles; returns the last result.
    FMOD_RESULT waitOpen(FMOD_SOUND sound, FMOD_OPENSTATE& state) {
        FMOD_RESULT result = FMOD_OK;
        state = FMOD_OPENSTATE_LOADING;
        const auto end = Clock::now() + 20s;
        while (state == FMOD_OPENSTATE_LOADING && Clock::now() < end) {
            result = FMOD_Sound_GetOpenState(sound, &state, nullptr, nullptr);
            std::this_thread::sleep_for(2ms);
        }
        return result;
    }

    // Renders until the channel ends, collecting updated tags after every block as the player
    // does. Bounded in time: a stalled stream must end by itself.
    void playOut(FMOD_SOUND sound, FMOD_CHANNEL channel,
                 std::vector<std::pair<std::string, std::string>>* tags = nullptr,
                 std::vector<unsigned int>* positions = nullptr) {
        const auto end = Clock::now() + 30s;
        while (playing(channel) && Clock::now() < end) {
            update();
            collect(sound, channel, tags, positions);
            FMOD_BOOL starving = 0;
            FMOD_Sound_GetOpenState(sound, nullptr, nullptr, &starving);
            if (starving) {
                std::this_thread::sleep_for(1ms);
            }
        }
        collect(sound, channel, tags, positions);
    }

    // Takes every updated tag, noting the channel's position (ms) when it was taken.
    static void collect(FMOD_SOUND sound, FMOD_CHANNEL channel,
                        std::vector<std::pair<std::string, std::string>>* tags,
                        std::vector<unsigned int>* positions) {
        int count = 0, updated = 0;
        while (tags != nullptr && FMOD_Sound_GetNumTags(sound, &count, &updated) == FMOD_OK &&
               updated > 0) {
            FMOD_TAG tag{};
            ASSERT_EQ(FMOD_Sound_GetTag(sound, nullptr, -1, &tag), FMOD_OK);
            ASSERT_EQ(tag.datatype, FMOD_TAGDATATYPE_STRING);
            tags->emplace_back(tag.name, static_cast<const char*>(tag.data));
            if (positions != nullptr) {
                unsigned int position = 0;
                FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_MS);
                positions->push_back(position);
            }
        }
    }
};

// Waits (bounded) until the hooks saw the transfer close.
std::vector<std::string> settledHookEvents() {
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end) {
        const auto kinds = capture.eventKinds();
        if (!kinds.empty() && kinds.back() != "read") {
            return kinds;
        }
        std::this_thread::sleep_for(2ms);
    }
    return capture.eventKinds();
}

TEST(IcyMetadata, TitlesAreFoundAndSplit) {
    EXPECT_EQ(soundlib::icyStreamTitle("StreamTitle='A - B';StreamUrl='x';"), "A - B");
    EXPECT_EQ(soundlib::icyStreamTitle(std::string("StreamTitle='Guns N' Roses - It';s';\0\0", 39)),
              "Guns N' Roses - It';s");
    EXPECT_EQ(soundlib::icyStreamTitle(std::string("StreamTitle='Cut'\0\0\0", 20)), "Cut");
    EXPECT_FALSE(soundlib::icyStreamTitle("StreamUrl='x';"));
    EXPECT_EQ(soundlib::splitArtistTitle("Artist - Song - Live"),
              std::make_pair(std::string("Artist"), std::string("Song - Live")));
    EXPECT_EQ(soundlib::splitArtistTitle("  Just a title "),
              std::make_pair(std::string(), std::string("Just a title")));
    EXPECT_EQ(soundlib::icyTextToUtf8(sorvel::text::utf8ToCp932("歌手")), "歌手");
    EXPECT_EQ(soundlib::icyTextToUtf8("Café"), "Café");
}

TEST(IcyMetadata, DemuxerSeparatesAudioFromBlocksAcrossAnyChunking) {
    Reply reply;
    reply.metaint = 100;
    for (int i = 0; i < 1050; ++i) {
        reply.audio.push_back(static_cast<uint8_t>(i * 7));
    }
    reply.titles = {{0, "One"}, {500, "Two - 2"}};
    const auto body = TestHttpServer::icyBody(reply);
    for (const size_t chunk : {size_t{1}, size_t{7}, size_t{100}, size_t{101}, body.size()}) {
        SCOPED_TRACE(chunk);
        std::vector<uint8_t> audio;
        std::vector<std::string> blocks;
        soundlib::IcyDemuxer demuxer(
            100,
            [&](std::span<const uint8_t> bytes) {
                audio.insert(audio.end(), bytes.begin(), bytes.end());
            },
            [&](const std::string& block) { blocks.push_back(*soundlib::icyStreamTitle(block)); });
        for (size_t at = 0; at < body.size(); at += chunk) {
            demuxer.feed(
                std::span<const uint8_t>(body).subspan(at, std::min(chunk, body.size() - at)));
        }
        EXPECT_EQ(audio, reply.audio);
        ASSERT_EQ(blocks.size(), 10u);
        EXPECT_EQ(blocks[3], "One");
        EXPECT_EQ(blocks[4], "Two - 2");
    }
}

TEST(NetworkResults, TransferFailuresMapToResults) {
    using soundlib::resultForTransfer;
    EXPECT_EQ(resultForTransfer(CURLE_OK, 200), FMOD_OK);
    EXPECT_EQ(resultForTransfer(CURLE_COULDNT_RESOLVE_HOST, 0), FMOD_ERR_NET_URL);
    EXPECT_EQ(resultForTransfer(CURLE_COULDNT_CONNECT, 0), FMOD_ERR_NET_CONNECT);
    EXPECT_EQ(resultForTransfer(CURLE_HTTP_RETURNED_ERROR, 401), FMOD_ERR_HTTP_ACCESS);
    EXPECT_EQ(resultForTransfer(CURLE_HTTP_RETURNED_ERROR, 407), FMOD_ERR_HTTP_PROXY_AUTH);
    EXPECT_EQ(resultForTransfer(CURLE_HTTP_RETURNED_ERROR, 410), FMOD_ERR_HTTP);
    EXPECT_EQ(resultForTransfer(CURLE_HTTP_RETURNED_ERROR, 502), FMOD_ERR_HTTP_SERVER_ERROR);
    EXPECT_EQ(resultForTransfer(CURLE_OPERATION_TIMEDOUT, 0), FMOD_ERR_HTTP_TIMEOUT);
    EXPECT_EQ(resultForTransfer(CURLE_RECV_ERROR, 200), FMOD_ERR_NET_SOCKET_ERROR);
}

TEST(ReceiveBuffer, TitlesComeOutWhenTheirAudioHasBeenPlayed) {
    soundlib::ReceiveBuffer buffer(8);
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(buffer.write(bytes), 8u); // bounded: the rest waits with the receiver
    buffer.pinTags(0, {{FMOD_TAGTYPE_SHOUTCAST, "TITLE", "first"}});
    buffer.pinTags(4, {{FMOD_TAGTYPE_SHOUTCAST, "TITLE", "second"}});
    std::vector<soundlib::DecodedTag> tags;
    buffer.takeReadTags(tags, 0); // audio from the very start
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].value, "first");
    uint8_t out[3];
    EXPECT_EQ(buffer.read(out, 3, nullptr, 100), 3u); // 100 frames decoded before this read
    buffer.takeReadTags(tags, 1000);
    EXPECT_EQ(tags.size(), 1u);                       // byte 4 not read yet
    EXPECT_EQ(buffer.read(out, 3, nullptr, 250), 3u); // reaches byte 4
    buffer.takeReadTags(tags, 249);
    EXPECT_EQ(tags.size(), 1u); // read, but its audio not played yet
    buffer.takeReadTags(tags, 250);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[1].value, "second");
    EXPECT_EQ(buffer.percentFull(), 25u);
    EXPECT_FALSE(buffer.starving());
    buffer.finish(FMOD_ERR_HTTP_TIMEOUT);
    EXPECT_EQ(buffer.read(out, 3, nullptr, 0), 2u); // what arrived is still read
    EXPECT_EQ(buffer.read(out, 3, nullptr, 0), 0u);
    EXPECT_EQ(buffer.result(), FMOD_ERR_HTTP_TIMEOUT);
    EXPECT_FALSE(buffer.starving());
    buffer.abort();
    EXPECT_FALSE(buffer.waitForSpace(std::chrono::milliseconds(0)));
}

TEST(NetStream, IcyStreamPlaysWithTitlesInOrderAndTheHooksSeeEveryAudioByte) {
    Reply reply;
    reply.audio = radioMp3();
    ASSERT_GT(reply.audio.size(), 100000u);
    reply.metaint = 8192;
    reply.titles = {{0, "Artist One - Song One"},
                    {reply.audio.size() / 3, "Artist Two - Song Two"},
                    {reply.audio.size() * 2 / 3, sorvel::text::utf8ToCp932("歌手 - 曲名")}};
    TestHttpServer server(reply);
    NetSystem net;
    const FMOD_SOUND sound = net.create(server.url());
    ASSERT_NE(sound, 0u);
    FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
    EXPECT_EQ(FMOD_Sound_GetOpenState(sound, &state, nullptr, nullptr), FMOD_OK);
    EXPECT_TRUE(state == FMOD_OPENSTATE_LOADING || state == FMOD_OPENSTATE_READY);
    ASSERT_EQ(net.waitOpen(sound, state), FMOD_OK);
    ASSERT_EQ(state, FMOD_OPENSTATE_READY);

    unsigned int length = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &length, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_EQ(length, 0xFFFFFFFFu);
    FMOD_SOUND_TYPE type = FMOD_SOUND_TYPE_UNKNOWN;
    EXPECT_EQ(FMOD_Sound_GetFormat(sound, &type, nullptr, nullptr, nullptr), FMOD_OK);
    EXPECT_EQ(type, FMOD_SOUND_TYPE_MPEG);
    unsigned int percent = 999;
    EXPECT_EQ(FMOD_Sound_GetOpenState(sound, &state, &percent, nullptr), FMOD_OK);
    EXPECT_LE(percent, 100u);

    const FMOD_CHANNEL channel = net.play(sound);
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<unsigned int> positions;
    net.playOut(sound, channel, &tags, &positions);
    EXPECT_FALSE(net.playing(channel));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ARTIST", "Artist One"}, {"TITLE", "Song One"}, {"ARTIST", "Artist Two"},
        {"TITLE", "Song Two"},    {"ARTIST", "歌手"},    {"TITLE", "曲名"}};
    EXPECT_EQ(tags, expected);
    // Each title comes out as playback reaches it: the server sends it in the first metadata
    // block after its audio offset, and 128 kbit/s are 16 bytes a millisecond. The decoder's
    // read-ahead may bring it somewhat early, never late.
    ASSERT_EQ(positions.size(), 6u);
    for (size_t title = 1; title < 3; ++title) {
        const size_t block = (reply.titles[title].first / 8192 + 1) * 8192;
        const double due = static_cast<double>(block) / 16.0;
        EXPECT_GT(positions[2 * title], due - 1000.0) << title;
        EXPECT_LT(positions[2 * title], due + 200.0) << title;
    }
    FMOD_TAG tag{};
    EXPECT_EQ(FMOD_Sound_GetTag(sound, "TITLE", 0, &tag), FMOD_OK);
    EXPECT_EQ(tag.type, FMOD_TAGTYPE_SHOUTCAST);

    const auto events = settledHookEvents();
    EXPECT_EQ(events, (std::vector<std::string>{"open", "read", "close"}));
    {
        std::lock_guard lock(capture.mutex);
        EXPECT_EQ(capture.name, server.url());
        EXPECT_FALSE(capture.onCallerThread);
        EXPECT_TRUE(capture.bytes == reply.audio) << capture.bytes.size() << " bytes captured";
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("Icy-MetaData: 1"), std::string::npos);

    EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_OK);
    const auto wav = net.finish();
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 44100, 65536), 44100), 440.0, 1.0);
    EXPECT_GE(soundingFrames(wav), size_t{8 * 44100 - 2048});
}

TEST(NetStream, ShoutcastStatusLineAndBlockingOpenWork) {
    Reply reply;
    reply.audio = radioMp3();
    reply.audio.resize(40000);
    reply.metaint = 16000;
    reply.titles = {{0, "Only a title"}};
    reply.icyStatusLine = true;
    TestHttpServer server(reply);
    NetSystem net;
    // Without the non-blocking bit the call itself waits for the stream.
    const FMOD_SOUND sound = net.create(server.url("/"), FMOD_OK, 0x48);
    ASSERT_NE(sound, 0u);
    const FMOD_CHANNEL channel = net.play(sound);
    std::vector<std::pair<std::string, std::string>> tags;
    net.playOut(sound, channel, &tags);
    const std::vector<std::pair<std::string, std::string>> expected = {{"ARTIST", ""},
                                                                       {"TITLE", "Only a title"}};
    EXPECT_EQ(tags, expected);
    const auto wav = net.finish();
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 8192, 32768), 44100), 440.0, 1.0);
}

TEST(NetStream, FailuresAnswerTheirResults) {
    struct Case {
        std::string name;
        Reply reply;
        FMOD_RESULT expected;
    };
    auto status = [](int code) {
        Reply reply;
        reply.kind = Reply::Kind::Status;
        reply.status = code;
        return reply;
    };
    Reply silent;
    silent.kind = Reply::Kind::Silent;
    Reply notAudio;
    const std::string page = "<html><body>" + std::string(20000, 'x') + "</body></html>";
    notAudio.audio.assign(page.begin(), page.end());
    const std::vector<Case> cases = {
        {"401", status(401), FMOD_ERR_HTTP_ACCESS},
        {"403", status(403), FMOD_ERR_HTTP_ACCESS},
        {"404", status(404), FMOD_ERR_HTTP},
        {"500", status(500), FMOD_ERR_HTTP_SERVER_ERROR},
        {"503", status(503), FMOD_ERR_HTTP_SERVER_ERROR},
        {"silent", silent, FMOD_ERR_HTTP_TIMEOUT},
        {"not audio", notAudio, FMOD_ERR_FORMAT}, // last: only this one answers with a body
    };
    NetSystem net({}, 400);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected == FMOD_ERR_FORMAT) {
            // Nothing was received so far, so the hooks were never called.
            EXPECT_TRUE(capture.eventKinds().empty());
        }
        TestHttpServer server(c.reply);
        const FMOD_SOUND sound = net.create(server.url());
        FMOD_OPENSTATE state = FMOD_OPENSTATE_READY;
        EXPECT_EQ(net.waitOpen(sound, state), c.expected);
        EXPECT_EQ(state, FMOD_OPENSTATE_ERROR);
        FMOD_CHANNEL channel = 0;
        EXPECT_EQ(FMOD_System_PlaySound(net.system, FMOD_CHANNEL_FREE, sound, 0, &channel),
                  c.expected);
        EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_OK);
    }
    // Nothing listens on the port; the address cannot be parsed.
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(TestHttpServer::unusedPort()) + "/live";
    FMOD_OPENSTATE state = FMOD_OPENSTATE_READY;
    EXPECT_EQ(net.waitOpen(net.create(refused), state), FMOD_ERR_NET_CONNECT);
    net.create(refused, FMOD_ERR_NET_CONNECT, 0x48);
    for (const char* unparsable : {"http://bad host name/", "http://", "FTP://", "https:///x"}) {
        EXPECT_EQ(net.waitOpen(net.create(unparsable), state), FMOD_ERR_NET_URL) << unparsable;
        net.create(unparsable, FMOD_ERR_NET_URL, FMOD_SOFTWARE | FMOD_2D);
    }
}

TEST(NetStream, DroppedConnectionEndsTheStreamAfterWhatArrived) {
    Reply reply;
    reply.audio = radioMp3();
    reply.metaint = 8192;
    reply.dropAfter = 40000;
    TestHttpServer server(reply);
    NetSystem net;
    const FMOD_SOUND sound = net.create(server.url());
    FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
    ASSERT_EQ(net.waitOpen(sound, state), FMOD_OK);
    const FMOD_CHANNEL channel = net.play(sound);
    net.playOut(sound, channel);
    EXPECT_FALSE(net.playing(channel));
    EXPECT_EQ(settledHookEvents(), (std::vector<std::string>{"open", "read", "close"}));
    {
        std::lock_guard lock(capture.mutex);
        EXPECT_TRUE(capture.bytes ==
                    std::vector<uint8_t>(reply.audio.begin(), reply.audio.begin() + 40000));
    }
    const auto wav = net.finish();
    // 40000 bytes at 128 kbit/s are 2.5 s.
    EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 2.5 * 44100, 0.1 * 44100);
}

TEST(NetStream, ServerFallingSilentEndsTheStreamAndReleaseNeverWaits) {
    Reply reply;
    reply.audio = radioMp3();
    reply.stallAfter = 30000;
    TestHttpServer server(reply);
    {
        NetSystem net({}, 500);
        const FMOD_SOUND sound = net.create(server.url());
        FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
        ASSERT_EQ(net.waitOpen(sound, state), FMOD_OK);
        const FMOD_CHANNEL channel = net.play(sound);
        net.playOut(sound, channel);
        EXPECT_FALSE(net.playing(channel));
        EXPECT_EQ(settledHookEvents(), (std::vector<std::string>{"open", "read", "close"}));
        EXPECT_EQ(FMOD_Sound_Release(sound), FMOD_OK);
    }
    // Released while connecting to a server that never answers, and while playing one that
    // stopped sending: neither waits for the (long) timeout.
    Reply silent;
    silent.kind = Reply::Kind::Silent;
    TestHttpServer quiet(silent);
    NetSystem net({}, 60000);
    const FMOD_SOUND connecting = net.create(quiet.url());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(FMOD_Sound_Release(connecting), FMOD_OK);
    const FMOD_SOUND stalled = net.create(server.url());
    FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
    ASSERT_EQ(net.waitOpen(stalled, state), FMOD_OK);
    const FMOD_CHANNEL channel = net.play(stalled);
    net.update(200);
    EXPECT_TRUE(net.playing(channel));
    EXPECT_EQ(FMOD_Sound_Release(stalled), FMOD_OK);
    net.update(2);
}

TEST(NetStream, StreamBufferSizeBoundsWhatIsHeldAhead) {
    Reply reply;
    reply.audio = radioMp3();
    TestHttpServer server(reply);
    NetSystem net;
    // Not played: the decoder fills its two seconds, then the receive buffer fills up.
    EXPECT_EQ(FMOD_System_SetStreamBufferSize(net.system, 16384, FMOD_TIMEUNIT_RAWBYTES), FMOD_OK);
    const FMOD_SOUND small = net.create(server.url());
    FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
    ASSERT_EQ(net.waitOpen(small, state), FMOD_OK);
    unsigned int percent = 0;
    for (const auto end = Clock::now() + 10s; percent < 100 && Clock::now() < end;) {
        EXPECT_EQ(FMOD_Sound_GetOpenState(small, &state, &percent, nullptr), FMOD_OK);
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(percent, 100u);
    EXPECT_EQ(FMOD_Sound_Release(small), FMOD_OK);

    // The whole stream fits in a megabyte with room to spare.
    EXPECT_EQ(FMOD_System_SetStreamBufferSize(net.system, 1 << 20, FMOD_TIMEUNIT_RAWBYTES),
              FMOD_OK);
    TestHttpServer whole(reply);
    const FMOD_SOUND large = net.create(whole.url());
    ASSERT_EQ(net.waitOpen(large, state), FMOD_OK);
    for (const auto end = Clock::now() + 10s;
         whole.audioBytesSent() < reply.audio.size() && Clock::now() < end;) {
        std::this_thread::sleep_for(2ms);
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(FMOD_Sound_GetOpenState(large, &state, &percent, nullptr), FMOD_OK);
    EXPECT_GT(percent, 0u);
    EXPECT_LT(percent, 20u);
}

TEST(NetStream, RealTimeOutputPlaysTheStream) {
    Reply reply;
    reply.audio = radioMp3();
    TestHttpServer server(reply);
    RenderSettings settings;
    settings.output = FMOD_OUTPUTTYPE_WAVWRITER;
    NetSystem net(settings);
    const FMOD_SOUND sound = net.create(server.url());
    FMOD_OPENSTATE state = FMOD_OPENSTATE_ERROR;
    ASSERT_EQ(net.waitOpen(sound, state), FMOD_OK);
    const FMOD_CHANNEL channel = net.play(sound);
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(20ms);
        net.update();
    }
    EXPECT_TRUE(net.playing(channel));
    const auto wav = net.finish();
    ASSERT_GT(wav.frames(), 16384u);
    size_t start = 0;
    while (start < wav.frames() && std::abs(wav.samples[start * 2]) < 0.01f) {
        ++start;
    }
    ASSERT_LT(start + 16384, wav.frames());
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, start + 2048, 8192), 44100), 440.0,
                10.0);
}

} // namespace
