// The playlist's operations through its controller, on real media read by the sound library:
// adding, playlist files, the list window's operations and its rows. The player is a fake that
// records what it is asked to play.
#include "PlaylistController.h"
#include "entry_kind.h"
#include "playlist_fakes.h"
#include "test_media.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace sorvel;
using namespace sorvel::fakes;
namespace fs = std::filesystem;

namespace {

class FakePlayer final : public PlaylistPlayer {
public:
    explicit FakePlayer(FMOD_SYSTEM system) : system_(system) {}
    FMOD_SOUND currentSound() const override { return current; }
    void CheckResult(FMOD_RESULT result) override {
        if (result != FMOD_OK) {
            errors.push_back(result);
        }
    }
    FMOD_RESULT CreateSoundFile(const std::string& name, FMOD_MODE mode,
                                FMOD_SOUND* sound) override {
        return FMOD_System_CreateSound(system_, name.c_str(), mode, nullptr, sound);
    }
    FMOD_RESULT CreateStreamFile(const std::string& name, FMOD_MODE mode,
                                 FMOD_SOUND* sound) override {
        return FMOD_System_CreateStream(system_, name.c_str(), mode, nullptr, sound);
    }
    void adoptDirectPlaySound(FMOD_SOUND sound, FMOD_SOUND disc, PlaylistEntry&) override {
        current = sound;
        if (disc != 0) {
            FMOD_Sound_Release(disc);
        }
    }
    void OpenMedia(std::string entry) override { opened.push_back(std::move(entry)); }
    bool hasChannel() const override { return channel; }
    bool isPlaying() override { return playing; }
    void play() override { ++plays; }

    FMOD_SOUND current = 0;
    std::vector<FMOD_RESULT> errors;
    std::vector<std::string> opened;
    bool channel = false;
    bool playing = false;
    int plays = 0;

private:
    FMOD_SYSTEM system_;
};

class Playlist : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
        ASSERT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_NOSOUND_NRT), FMOD_OK);
        ASSERT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
        player = std::make_unique<FakePlayer>(system);
        playlist =
            std::make_unique<PlaylistController>(state, *player, messageBox, fileDialog, view);
        static int counter = 0;
        folder = testmedia::mediaDir() / ("playlist" + std::to_string(++counter));
        fs::create_directories(folder);
    }
    void TearDown() override {
        if (player->current != 0) {
            FMOD_Sound_Release(player->current);
        }
        FMOD_System_Release(system);
    }

    fs::path tone(const std::string& name) { return testmedia::makeTone(name, 440, 0.2); }
    void add(const std::vector<fs::path>& files) {
        int32_t slot = playlist->rowCount() + 1;
        for (const fs::path& file : files) {
            ASSERT_EQ(
                playlist->AddEntry(slot++, PlaylistController::kOpenHere, file.string(), true), 0);
        }
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> cells;
        for (int32_t row = 1; row <= playlist->rowCount(); ++row) {
            const PlaylistRowCells shown = playlist->rowCells(row);
            cells.push_back(shown.number + "|" + shown.title);
        }
        return cells;
    }
    static void writeAll(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    FMOD_SYSTEM system = 0;
    PlaylistState state;
    FakeMessageBox messageBox;
    FakeFileDialog fileDialog;
    FakePlaylistView view;
    std::unique_ptr<FakePlayer> player;
    std::unique_ptr<PlaylistController> playlist;
    fs::path folder;
};

TEST_F(Playlist, AddingGrowsTheStorageAndReportsFailures) {
    const auto a = tone("pa.wav");
    EXPECT_EQ(playlist->AddEntry(1, PlaylistController::kOpenHere, a.string(), true), 0);
    EXPECT_EQ(state.entryCount, 1);
    EXPECT_EQ(view.rows.count(1), 1u);
    EXPECT_EQ(state.playlistEntries[1].timeText, "00:00");
    EXPECT_EQ(state.playlistEntries[1].lengthMs, 200);
    EXPECT_EQ(state.playlistEntries[1].seekStepMs, 5);
    EXPECT_EQ(state.playlistEntries[1].artist, "UnknownArtist");
    EXPECT_EQ(state.playlistEntries[1].album, "UnknownAlbum");
    playlist->AddEntry(2, PlaylistController::kOpenHere, a.string(), true);
    playlist->AddEntry(3, PlaylistController::kOpenHere, a.string(), true);
    EXPECT_EQ(playlist->AddEntry(7, PlaylistController::kOpenHere, a.string(), true), 0);
    EXPECT_EQ(state.entryCount, 7);
    EXPECT_TRUE(state.playlistEntries[5].path.empty());

    // A file that does not open is not stored; a missing one is stored without a row.
    const auto garbage = testmedia::makeGarbage("garbage.mp3", 5000);
    EXPECT_EQ(playlist->AddEntry(8, PlaylistController::kOpenHere, garbage.string(), true), -2);
    EXPECT_EQ(state.entryCount, 7);
    EXPECT_EQ(playlist->AddEntry(8, PlaylistController::kOpenHere, "/no/such/file.mp3", true), -1);
    EXPECT_EQ(view.rows.count(8), 0u);
    EXPECT_FALSE(state.soundOpened);
    EXPECT_EQ(playlist->rowCount(), 4);
}

TEST_F(Playlist, WindowsMediaTakesItsArtistFromAuthor) {
    const auto wma = testmedia::makeTaggedTone("pw.wma", 440, 0.3, "Title", "Author", "Album");
    ASSERT_EQ(playlist->AddEntry(1, PlaylistController::kOpenHere, wma.string(), true), 0);
    EXPECT_EQ(state.playlistEntries[1].title, "Title");
    EXPECT_EQ(state.playlistEntries[1].artist, "Author");
    EXPECT_EQ(state.playlistEntries[1].album, "Album");
    EXPECT_EQ(playlist->rowCells(1).title, "Title - Author");
}

TEST_F(Playlist, ZipWithoutAudioShowsTheMessage) {
    const auto text = folder / "readme.txt";
    writeAll(text, "hello");
    const auto zip = testmedia::makeZip("noaudio.zip", {text});
    EXPECT_EQ(playlist->AddEntry(1, PlaylistController::kOpenHere, zip.string(), true), -1);
    ASSERT_EQ(messageBox.texts.size(), 1u);
    EXPECT_EQ(messageBox.texts[0], "無圧縮Zipには非対応です。");
}

TEST_F(Playlist, M3uLoadsEveryLineEndingAndSkipsWhatIsNotAFile) {
    const auto a = tone("ma.wav"), b = tone("mb.wav"), c = tone("mc.wav");
    const auto crlf = folder / "crlf.m3u";
    writeAll(crlf, "#EXTM3U\r\n#EXTINF:1,A\r\n" + a.string() + "\r\n#EXTINF:1,B\r\n" + b.string() +
                       "\r\n" + c.string() + "\r\n");
    playlist->AddEntry(1, PlaylistController::kOpenHere, crlf.string(), true);
    EXPECT_EQ(view.rows,
              (std::map<int32_t, std::string>{{1, a.string()}, {2, b.string()}, {3, c.string()}}));
    EXPECT_FALSE(state.stoppedFlag);

    // Lines ended by a line feed alone, as Linux programs write them, load too.
    const auto lf = folder / "lf.m3u";
    writeAll(lf, a.string() + "\n" + b.string() + "\n");
    playlist->LoadPlaylistFile(lf.string());
    EXPECT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(playlist->rowCount(), 2);
    EXPECT_EQ(state.entryCount, 2);

    // Address lines go straight to the player and take no position.
    const auto net = folder / "net.m3u";
    writeAll(net, "http://radio.invalid/a\r\n" + a.string() + "\r\n");
    playlist->LoadPlaylistFile(net.string());
    EXPECT_EQ(player->opened, (std::vector<std::string>{"http://radio.invalid/a"}));
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, a.string()}}));
}

TEST_F(Playlist, AHugeFileNamedLikeAListIsReadOnlyToItsFirstSixteenMegabytes) {
    const auto a = tone("huge_a.wav"), b = tone("huge_b.wav");
    const auto huge = folder / "huge.m3u";
    writeAll(huge, a.string() + "\r\n" + std::string(16 << 20, 'x') + "\r\n" + b.string() + "\r\n");
    playlist->LoadPlaylistFile(huge.string());
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, a.string()}}));
}

TEST_F(Playlist, PlsLoadsOnlyTheFileKeys) {
    const auto a = tone("pls_a.wav");
    const auto pls = folder / "list.pls";
    writeAll(pls, "[playlist]\r\nFile1=" + a.string() +
                      "\r\nTitle1=Song\r\nLength1=1\r\n"
                      "NumberOfEntries=1\r\nVersion=2\r\n");
    playlist->LoadPlaylistFile(pls.string());
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, a.string()}}));

    // In an M3U a path with "=" is kept whole.
    const fs::path odd = folder / "a=b.wav";
    fs::copy_file(a, odd);
    const auto m3u = folder / "odd.m3u";
    writeAll(m3u, odd.string() + "\r\n");
    playlist->LoadPlaylistFile(m3u.string());
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, odd.string()}}));
}

TEST_F(Playlist, CrossPlatformPlaylistTextIsDecoded) {
    // A CP932 playlist from Japanese Windows naming a file with a Japanese name.
    const fs::path japanese = folder / "曲.wav";
    fs::copy_file(tone("jp_src.wav"), japanese);
    const std::string cp932Name = "\x8B\xC8.wav"; // 曲 in CP932
    writeAll(folder / "jp.m3u", (folder / "").string() + cp932Name + "\r\n");
    playlist->LoadPlaylistFile((folder / "jp.m3u").string());
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, japanese.string()}}));
}

TEST_F(Playlist, EntriesAreFoundFromTheListsFolderAsWindowsWroteThem) {
    // The list lies elsewhere than the current folder; its entries are written the ways
    // Windows programs and Linux file managers write them.
    const fs::path lists = folder / "lists";
    fs::create_directories(lists / "Sub" / "曲");
    fs::create_directories(folder / "Other");
    fs::copy_file(tone("rel_a.wav"), lists / "a.wav");
    fs::copy_file(tone("rel_b.wav"), lists / "Sub" / "曲" / "B.wav");
    fs::copy_file(tone("rel_c.wav"), lists / "c.wav");
    fs::copy_file(tone("rel_d.wav"), folder / "Other" / "d.wav");
    fs::copy_file(tone("rel_e.wav"), lists / "e f.wav");
    // CP932 text (曲 is 8B C8) with CR LF, as Japanese Windows writes it.
    writeAll(lists / "win.m3u", std::string("a.wav\r\n") + "sub\\" + "\x8B\xC8" + "\\b.WAV\r\n" +
                                    ".\\C.wav\r\n" + "..\\other\\D.wav\r\n" +
                                    "C:\\Users\\me\\Music\\a.wav\r\n" + "file://" +
                                    (lists / "e%20f.wav").string() + "\r\n" + "missing.wav\r\n");
    const fs::path elsewhere = folder / "Other";
    const fs::path before = fs::current_path();
    fs::current_path(elsewhere);
    playlist->LoadPlaylistFile((lists / "win.m3u").string());
    fs::current_path(before);
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{
                             {1, (lists / "a.wav").string()},
                             {2, (lists / "Sub" / "曲" / "B.wav").string()},
                             {3, (lists / "c.wav").string()},
                             {4, (folder / "Other" / "d.wav").string()},
                             {5, (lists / "a.wav").string()},
                             {6, (lists / "e f.wav").string()},
                         }));

    // Found neither beside the list nor by its tail, a relative entry is looked for in the
    // current folder.
    writeAll(lists / "cwd.m3u", "d.wav\r\n");
    fs::current_path(elsewhere);
    playlist->LoadPlaylistFile((lists / "cwd.m3u").string());
    fs::current_path(before);
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, (elsewhere / "d.wav").string()}}));
}

TEST_F(Playlist, AListDroppedOnTheMainWindowStartsItsFirstEntryWhenNothingPlays) {
    const auto a = tone("drop_list_a.wav"), b = tone("drop_list_b.wav");
    const auto list = folder / "dropped.m3u";
    writeAll(list, a.string() + "\r\n" + b.string() + "\r\n");
    // A stopped channel: Play alone would restart whatever entry was current before.
    player->channel = true;
    state.currentIndex = 2;
    const DropOutcome outcome = playlist->dropOnMainWindow({list.string()});
    EXPECT_TRUE(outcome.listLoaded);
    EXPECT_EQ(player->opened, std::vector<std::string>{a.string()});
    EXPECT_EQ(state.currentIndex, 1);
    EXPECT_EQ(player->plays, 0);
}

TEST_F(Playlist, SavedListReadsBackTheSame) {
    const auto a = tone("sa.wav"), b = tone("sb.wav");
    add({a, b, a});
    const auto saved = folder / "saved.m3u";
    fileDialog.next = saved.string();
    playlist->SavePlaylistFile();
    EXPECT_EQ(fileDialog.requests.back().title, "Save");
    EXPECT_EQ(readAll(saved), a.string() + "\r\n" + b.string() + "\r\n" + a.string() + "\r\n");
    playlist->LoadPlaylistFile(saved.string());
    EXPECT_EQ(state.entryCount, 3);
    EXPECT_EQ(state.playlistEntries[2].path, b.string());

    // An unwritable target leaves a message and no file.
    fileDialog.next = (folder / "missing-folder" / "x.m3u").string();
    playlist->SavePlaylistFile();
    EXPECT_EQ(messageBox.texts.size(), 1u);
    EXPECT_FALSE(fs::exists(*fileDialog.next));
}

TEST_F(Playlist, RemovingMovingAndClearingKeepRowsSlotsAndNumbersTogether) {
    const auto a = tone("ra.wav"), b = tone("rb.wav"), c = tone("rc.wav"), d = tone("rd.wav"),
               e = tone("re.wav");
    add({a, b, c, d, e});
    state.currentIndex = 2;

    // Removing the middle row moves the records up and renumbers the rows; the current index
    // stays, so it names another entry now, and entryCount keeps the count before removal.
    playlist->remove(3);
    EXPECT_EQ(titles(), (std::vector<std::string>{"  1.|ra.wav", "  2.|rb.wav", "  3.|rd.wav",
                                                  "  4.|re.wav"}));
    EXPECT_EQ(state.entryCount, 5);
    EXPECT_EQ(state.playlistEntries[3].path, d.string());
    EXPECT_TRUE(state.playlistEntries[5].path.empty());
    EXPECT_EQ(state.currentIndex, 2);
    playlist->PlayEntryAt(3);
    EXPECT_EQ(player->opened.back(), d.string());
    state.currentIndex = 2;

    // Moving exchanges titles and records; the ends do not move.
    EXPECT_EQ(playlist->moveUp(1), 1);
    EXPECT_EQ(playlist->moveDown(4), 4);
    EXPECT_EQ(playlist->moveDown(1), 2);
    EXPECT_EQ(playlist->moveUp(4), 3);
    EXPECT_EQ(titles(), (std::vector<std::string>{"  1.|rb.wav", "  2.|ra.wav", "  3.|re.wav",
                                                  "  4.|rd.wav"}));
    EXPECT_EQ(state.playlistEntries[1].path, b.string());
    EXPECT_EQ(state.currentIndex, 2);
    playlist->remove(0);
    playlist->remove(5);
    EXPECT_EQ(playlist->rowCount(), 4);

    playlist->clear();
    EXPECT_EQ(playlist->rowCount(), 0);
    EXPECT_EQ(state.entryCount, 0);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(state.currentIndex, 2);
    add({b});
    EXPECT_EQ(titles(), (std::vector<std::string>{"  1.|rb.wav"}));
}

TEST_F(Playlist, OnlyFilesNamedLowerCaseMp3GoToTheTagEditor) {
    const fs::path upper = folder / "x.MP3", lower = folder / "y.mp3";
    fs::copy_file(tone("tagsource.wav"), upper); // opened by its content, not its name
    fs::copy_file(upper, lower);
    add({upper, lower});
    EXPECT_EQ(playlist->ID3FileSet(1), std::nullopt);
    ASSERT_EQ(messageBox.texts,
              (std::vector<std::string>{"ID3編集機能はMP3ファイルのみ使用可能です"}));
    EXPECT_EQ(playlist->ID3FileSet(2), lower.string());
    EXPECT_EQ(playlist->ID3FileSet(0), std::nullopt);
    EXPECT_EQ(playlist->ID3FileSet(3), std::nullopt);
    EXPECT_EQ(messageBox.texts.size(), 1u);
}

TEST_F(Playlist, RowsOfARetaggedFileReadTheirTagsAgain) {
    const fs::path song = testmedia::makeTone("retag.mp3", 440, 0.3, 44100, 2,
                                              {"-id3v2_version", "0", "-write_xing", "0"});
    const fs::path other = tone("retag-other.wav");
    add({song, other, song});
    ASSERT_EQ(titles(), (std::vector<std::string>{"  1.|retag.mp3", "  2.|retag-other.wav",
                                                  "  3.|retag.mp3"}));
    // An ID3v1 tag appended, as the tag editor writes it.
    std::string block(128, '\0');
    block.replace(0, 6, "TAGNew");
    block.replace(33, 3, "Who");
    std::ofstream(song, std::ios::binary | std::ios::app) << block;

    playlist->tagsChanged(song.string());
    EXPECT_EQ(titles(), (std::vector<std::string>{"  1.|New - Who", "  2.|retag-other.wav",
                                                  "  3.|New - Who"}));
    EXPECT_EQ(view.updated, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(state.playlistEntries[1].album, "UnknownAlbum");
}

TEST_F(Playlist, TheOpenDialogAddsEveryChosenFileAndStartsAStoppedPlayer) {
    const auto a = tone("oa.wav"), b = tone("ob.wav");
    const auto text = folder / "notes.txt";
    writeAll(text, "not audio");
    fileDialog.nextMany = {a.string(), text.string(), b.string()};
    playlist->addFiles();
    ASSERT_EQ(fileDialog.requests.size(), 1u);
    EXPECT_TRUE(fileDialog.requests[0].multiple);
    EXPECT_EQ(fileDialog.requests[0].filters.size(), 20u);
    EXPECT_EQ(view.rows, (std::map<int32_t, std::string>{{1, a.string()}, {2, b.string()}}));
    // Nothing had a channel yet: the first added entry is opened.
    EXPECT_EQ(player->opened, (std::vector<std::string>{a.string()}));

    // With a channel the Play command starts; cancelling adds nothing.
    player->channel = true;
    fileDialog.nextMany.clear();
    playlist->addFiles();
    EXPECT_EQ(player->plays, 1);
    EXPECT_EQ(playlist->rowCount(), 2);
}

TEST_F(Playlist, DropsFillTheSlotsAfterTheRowsAndOnlyTheMainWindowStartsPlaying) {
    add({tone("da.wav")});
    const fs::path dropped = folder / "dropped";
    fs::create_directories(dropped / "inner");
    fs::copy_file(tone("db.wav"), dropped / "b.wav");
    fs::copy_file(tone("dc.wav"), dropped / "c.wav");
    fs::copy_file(tone("dd.wav"), dropped / "inner" / "d.wav"); // sub-folders are not entered
    const auto e = tone("de.wav");

    // The list's own drop takes only what exists and starts nothing.
    const DropOutcome onList =
        playlist->dropOnList({(folder / "missing.wav").string(), dropped.string(), e.string()});
    EXPECT_EQ(onList.firstSlot, 2);
    EXPECT_EQ(onList.added, 3);
    EXPECT_EQ(state.entryCount, 4);
    EXPECT_EQ(state.playlistEntries[4].path, e.string());
    EXPECT_TRUE(player->opened.empty());
    EXPECT_EQ(player->plays, 0);

    // The main window's drop starts playing only when nothing plays.
    player->channel = true;
    player->playing = true;
    playlist->dropOnMainWindow({e.string()});
    EXPECT_EQ(player->plays, 0);
    player->playing = false;
    playlist->dropOnMainWindow({e.string()});
    EXPECT_EQ(player->plays, 1);
    EXPECT_EQ(playlist->rowCount(), 6);
}

TEST_F(Playlist, AFolderOfFourThenAFileFillSlotsOneToFiveAndTextTakesNoSlot) {
    // Names longer than 256 characters are taken whole.
    const fs::path dropped = folder / (std::string(200, 'f') + "/" + std::string(120, 'g'));
    fs::create_directories(dropped);
    for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav"}) {
        fs::copy_file(tone(std::string("fold") + name), dropped / name);
    }
    const fs::path text = folder / "readme.txt";
    writeAll(text, "not audio");
    const auto single = tone("single.wav");
    const DropOutcome outcome =
        playlist->dropOnMainWindow({dropped.string(), text.string(), single.string()});
    EXPECT_EQ(outcome.firstSlot, 1);
    EXPECT_EQ(outcome.added, 5);
    EXPECT_EQ(playlist->rowCount(), 5);
    EXPECT_EQ(state.entryCount, 5);
    EXPECT_EQ(state.playlistEntries[5].path, single.string());
    for (int32_t slot = 1; slot <= 4; ++slot) {
        EXPECT_EQ(fs::path(state.playlistEntries[static_cast<size_t>(slot)].path).parent_path(),
                  dropped);
    }
    // Nothing played before: the first entry added starts.
    EXPECT_EQ(player->opened.size(), 1u);
}

TEST(PlaylistRows, CellsAndColoursFollowTheEntry) {
    struct Case {
        const char* path;
        const char* title;
        const char* artist;
        const char* cell;
    };
    const Case cases[] = {
        {"/music/a.mp3", "Song", "Singer", "Song - Singer"},
        {"/music/b.mp3", "", "UnknownArtist", "b.mp3"},
        {"C:\\Music\\c.wav", "", "", "c.wav"},
        {"cd:E:0", "", "", "Track - 1"},
        {"cd:E:11", "", "", "Track - 12"},
    };
    for (const Case& c : cases) {
        PlaylistEntry entry;
        entry.path = c.path;
        entry.title = c.title;
        entry.artist = c.artist;
        EXPECT_EQ(rowTitleText(entry), c.cell) << c.path;
    }
    EXPECT_EQ(rowNumberText(7), "  7.");
    EXPECT_EQ(rowNumberText(123), "123.");
    EXPECT_EQ(rowNumberText(1234), "1234.");
    EXPECT_EQ(listRowColour(true, 0x202020, 0x00FF00), 0xDFDFDFu);
    EXPECT_EQ(listRowColour(false, 0x202020, 0x00FF00), 0x00FF00u);
}

TEST(EntryKinds, ExtensionsAndPrefixesDecideTheKind) {
    EXPECT_EQ(entryExtension("/a/b.Mp3"), "mp3");
    EXPECT_EQ(entryExtension("/a.d/b"), "");
    EXPECT_EQ(entryExtension("C:\\a.d\\b"), "");
    EXPECT_TRUE(isPlaylistFile("list.PLS"));
    EXPECT_FALSE(isPlaylistFile("list.pls.mp3"));
    EXPECT_TRUE(isNetworkEntry("http://x"));
    EXPECT_FALSE(isNetworkEntry("HTTP://x"));
    EXPECT_EQ(cdTrackIndex("cd:E:12"), 12);
    EXPECT_EQ(cdTrackIndex("cd:E:x"), 0);
    EXPECT_EQ(kModeSoftware2D, 0x48u);
    EXPECT_EQ(kModeTracker, 0x4049u);
    EXPECT_EQ(kModeCdDriveChooser, 0x20A8u);
    EXPECT_EQ(kModeNetStream, 0x100C8u);
}

} // namespace
