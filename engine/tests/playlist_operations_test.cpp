// Adding entries and reading and writing playlist files, through the engine on real media.
#include "engine_fixture.h"

#include <fstream>
#include <sstream>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

class PlaylistOperations : public EngineTest {
protected:
    fs::path tone(const std::string& name) { return testmedia::makeTone(name, 440, 0.2); }
};

TEST_F(PlaylistOperations, AddingGrowsTheStorageAndReportsFailures) {
    const auto a = tone("pa.wav");
    EXPECT_EQ(player->AddEntry(1, Player::kOpenHere, a.string(), true), 0);
    EXPECT_EQ(state.entryCount, 1);
    EXPECT_EQ(playlistView.rows.count(1), 1u);
    EXPECT_EQ(state.playlistEntries[1].timeText, "00:00");
    EXPECT_EQ(state.playlistEntries[1].lengthMs, 200);
    EXPECT_EQ(state.playlistEntries[1].seekStepMs, 5);
    EXPECT_EQ(state.playlistEntries[1].artist, "UnknownArtist");
    EXPECT_EQ(state.playlistEntries[1].album, "UnknownAlbum");
    player->AddEntry(2, Player::kOpenHere, a.string(), true);
    player->AddEntry(3, Player::kOpenHere, a.string(), true);
    EXPECT_EQ(player->AddEntry(7, Player::kOpenHere, a.string(), true), 0);
    EXPECT_EQ(state.entryCount, 7);
    EXPECT_TRUE(state.playlistEntries[5].path.empty());

    // A file that does not open is not stored; a missing one is stored without a row.
    const auto garbage = testmedia::makeGarbage("garbage.mp3", 5000);
    EXPECT_EQ(player->AddEntry(8, Player::kOpenHere, garbage.string(), true), -2);
    EXPECT_EQ(state.entryCount, 7);
    EXPECT_EQ(player->AddEntry(8, Player::kOpenHere, "/no/such/file.mp3", true), -1);
    EXPECT_EQ(playlistView.rows.count(8), 0u);
    EXPECT_FALSE(state.soundOpened);
}

TEST_F(PlaylistOperations, WindowsMediaTakesItsArtistFromAuthor) {
    const auto wma = testmedia::makeTaggedTone("pw.wma", 440, 0.3, "Title", "Author", "Album");
    ASSERT_EQ(player->AddEntry(1, Player::kOpenHere, wma.string(), true), 0);
    EXPECT_EQ(state.playlistEntries[1].title, "Title");
    EXPECT_EQ(state.playlistEntries[1].artist, "Author");
    EXPECT_EQ(state.playlistEntries[1].album, "Album");
}

TEST_F(PlaylistOperations, ZipWithoutAudioShowsTheMessage) {
    const auto text = state.programFolder / "readme.txt";
    writeAll(text, "hello");
    const auto zip = testmedia::makeZip("noaudio.zip", {text});
    EXPECT_EQ(player->AddEntry(1, Player::kOpenHere, zip.string(), true), -1);
    ASSERT_EQ(messageBox.texts.size(), 1u);
    EXPECT_EQ(messageBox.texts[0], "無圧縮Zipには非対応です。");
}

TEST_F(PlaylistOperations, M3uLoadsEveryLineEndingAndSkipsWhatIsNotAFile) {
    const auto a = tone("ma.wav"), b = tone("mb.wav"), c = tone("mc.wav");
    const auto crlf = state.programFolder / "crlf.m3u";
    writeAll(crlf, "#EXTM3U\r\n#EXTINF:1,A\r\n" + a.string() + "\r\n#EXTINF:1,B\r\n" + b.string() +
                       "\r\n" + c.string() + "\r\n");
    player->AddEntry(1, Player::kOpenHere, crlf.string(), true);
    EXPECT_EQ(playlistView.rows,
              (std::map<int32_t, std::string>{{1, a.string()}, {2, b.string()}, {3, c.string()}}));
    EXPECT_FALSE(state.stoppedFlag);

    // Lines ended by a line feed alone, as Linux programs write them, load too.
    const auto lf = state.programFolder / "lf.m3u";
    writeAll(lf, a.string() + "\n" + b.string() + "\n");
    player->LoadPlaylistFile(lf.string());
    EXPECT_EQ(playlistView.rows.size(), 2u);
    EXPECT_EQ(state.entryCount, 2);
}

TEST_F(PlaylistOperations, AHugeFileNamedLikeAListIsReadOnlyToItsFirstSixteenMegabytes) {
    const auto a = tone("huge_a.wav"), b = tone("huge_b.wav");
    const auto huge = state.programFolder / "huge.m3u";
    writeAll(huge, a.string() + "\r\n" + std::string(16 << 20, 'x') + "\r\n" + b.string() + "\r\n");
    player->LoadPlaylistFile(huge.string());
    EXPECT_EQ(playlistView.rows, (std::map<int32_t, std::string>{{1, a.string()}}));
}

TEST_F(PlaylistOperations, PlsLoadsOnlyTheFileKeys) {
    const auto a = tone("pls_a.wav");
    const auto pls = state.programFolder / "list.pls";
    writeAll(pls, "[playlist]\r\nFile1=" + a.string() +
                      "\r\nTitle1=Song\r\nLength1=1\r\n"
                      "NumberOfEntries=1\r\nVersion=2\r\n");
    player->LoadPlaylistFile(pls.string());
    EXPECT_EQ(playlistView.rows, (std::map<int32_t, std::string>{{1, a.string()}}));

    // In an M3U a path with "=" is kept whole.
    const fs::path odd = state.programFolder / "a=b.wav";
    fs::copy_file(a, odd);
    const auto m3u = state.programFolder / "odd.m3u";
    writeAll(m3u, odd.string() + "\r\n");
    player->LoadPlaylistFile(m3u.string());
    EXPECT_EQ(playlistView.rows, (std::map<int32_t, std::string>{{1, odd.string()}}));
}

TEST_F(PlaylistOperations, CrossPlatformPlaylistTextIsDecoded) {
    // A CP932 playlist from Japanese Windows naming a file with a Japanese name.
    const fs::path japanese = state.programFolder / "曲.wav";
    fs::copy_file(tone("jp_src.wav"), japanese);
    const std::string cp932Name = "\x8B\xC8.wav"; // 曲 in CP932
    writeAll(state.programFolder / "jp.m3u",
             (state.programFolder / "").string() + cp932Name + "\r\n");
    player->LoadPlaylistFile((state.programFolder / "jp.m3u").string());
    EXPECT_EQ(playlistView.rows, (std::map<int32_t, std::string>{{1, japanese.string()}}));
}

TEST_F(PlaylistOperations, SavedListReadsBackTheSame) {
    const auto a = tone("sa.wav"), b = tone("sb.wav");
    player->AddEntry(1, Player::kOpenHere, a.string(), true);
    player->AddEntry(2, Player::kOpenHere, b.string(), true);
    player->AddEntry(3, Player::kOpenHere, a.string(), true);
    const auto saved = state.programFolder / "saved.m3u";
    fileDialog.next = saved.string();
    player->SavePlaylistFile();
    EXPECT_EQ(fileDialog.requests.back().title, "Save");
    EXPECT_EQ(readAll(saved), a.string() + "\r\n" + b.string() + "\r\n" + a.string() + "\r\n");
    player->LoadPlaylistFile(saved.string());
    EXPECT_EQ(state.entryCount, 3);
    EXPECT_EQ(state.playlistEntries[2].path, b.string());

    // An unwritable target leaves a message and no file.
    fileDialog.next = (state.programFolder / "missing-folder" / "x.m3u").string();
    player->SavePlaylistFile();
    EXPECT_EQ(messageBox.texts.size(), 1u);
    EXPECT_FALSE(fs::exists(*fileDialog.next));
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
