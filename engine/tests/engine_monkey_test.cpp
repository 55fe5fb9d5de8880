// The engine driven headless by a few thousand random actions: every transport command, slider
// moves, adding good, missing, damaged, zipped and playlist files, loading lists (real, random,
// lists naming themselves, folders and pipes named like lists), jumping to any index, odd entry
// strings, all between ticks.
// After every action the engine must still hold together: the list storage matches its count,
// the sounds it names are alive, a playing channel plays its current sound under a title, and
// every sound it let go of has been released.
//
// Deterministic: a fixed seed (SORVEL_MONKEY_SEED overrides it, SORVEL_MONKEY_STEPS the number of
// actions), printed with every failure along with the latest actions.
#include "PlaylistSelection.h"
#include "cd_image.h"
#include "engine_fixture.h"

#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kDefaultSeed = 0x4D4F4E4Bull;
constexpr int kDefaultSteps = 2500;
constexpr size_t kRememberedActions = 24;

size_t countEntries(const char* folder) {
    std::error_code error;
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder, error), {}));
}

uint64_t envNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

bool soundAlive(FMOD_SOUND sound) {
    FMOD_MODE mode = 0;
    return FMOD_Sound_GetMode(sound, &mode) == FMOD_OK;
}

class EngineMonkey : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        mainWindow.release = [this] { player->SeekButtonUp(); };
        player->playlist().setRandomSource(
            [this] { return std::uniform_real_distribution<double>()(rng); });
    }

    // Everything the actions pick from.
    void makeMedia() {
        const fs::path dir = testmedia::mediaDir() / "monkey";
        fs::create_directories(dir);
        const auto tone = [](const std::string& name, double seconds) {
            return testmedia::makeTone("monkey_" + name, 500, seconds).string();
        };
        playable = {
            tone("a.wav", 0.1),
            tone("b.mp3", 0.2),
            tone("c.ogg", 0.15),
            tone("d.flac", 0.1),
            testmedia::makeTaggedTone("monkey_e.mp3", 700, 0.2, "Tagged", "Singer", "Album")
                .string(),
            testmedia::makeMod("monkey_f.mod", 0.4).string(),
            testmedia::makeZip("monkey_g.zip", {tone("zipped.wav", 0.1)}).string(),
        };
        const fs::path text = dir / "notes.txt";
        writeAll(text, "not audio");
        const fs::path fifo = dir / "pipe.wav";
        ::mkfifo(fifo.c_str(), 0600);
        broken = {
            testmedia::makeGarbage("monkey_junk.mp3", 3000).string(),
            testmedia::makeGarbage("monkey_junk.wav", 700).string(),
            testmedia::makeGarbage("monkey_junk.zip", 900).string(),
            testmedia::makeGarbage("monkey_junk.mod", 500).string(),
            testmedia::makeGarbage("monkey_junk.mid", 400).string(),
            testmedia::makeTruncated("monkey_cut.mp3", playable[1], 900).string(),
            testmedia::makeZip("monkey_text.zip", {text}).string(),
            (dir / "empty.ogg").string(),
            (dir / "missing.wav").string(),
            (dir / "clip.avi").string(),
            dir.string(),
            fifo.string(),
            "/no/such/folder/song.mp3",
            "",
            "cd:",
            "cd:Z:99",
            "http:/",
            "http:/nowhere.mp3",
            "HTTP://example.invalid/x.mp3",
            "relative.wav",
            "./../monkey_a.wav",
            std::string(5000, 'a') + ".mp3",
            (dir / (std::string(300, 'b') + ".wav")).string(),
        };
        writeAll(dir / "empty.ogg", "");

        // Disc image tracks, as a drive.
        int drives = 0;
        char name[64] = {};
        if (FMOD_System_GetNumCDROMDrives(state.soundSystem, &drives) == FMOD_OK && drives > 0 &&
            FMOD_System_GetCDROMDriveName(state.soundSystem, drives - 1, name, sizeof name, nullptr,
                                          0, nullptr, 0) == FMOD_OK) {
            for (const char* track : {"0", "2", "3", "-1", "x"}) {
                (std::string(track) == "0" || std::string(track) == "2" ? playable : broken)
                    .push_back(std::string("cd:") + name + track);
            }
        }

        // Playlists: real ones, ones naming themselves or each other, and damaged ones.
        const auto list = [&](const std::string& file, const std::vector<std::string>& lines,
                              const char* end = "\r\n") {
            std::string body;
            for (const std::string& line : lines) {
                body += line + end;
            }
            writeAll(dir / file, body);
            return (dir / file).string();
        };
        const std::string self = (dir / "self.m3u").string();
        const std::string first = (dir / "first.m3u").string();
        const std::string second = (dir / "second.pls").string();
        lists = {
            list("real.m3u", {playable[0], playable[1], broken[0], broken[8], playable[2], "http:/",
                              playable[4]}),
            list("real.pls",
                 {"[playlist]", "File1=" + playable[3], "Title1=Song", "File2=" + playable[0],
                  "NumberOfEntries=2"},
                 "\n"),
            list("self.m3u", {playable[0], self, playable[1]}),
            list("first.m3u", {playable[2], second}),
            list("second.pls", {"[playlist]", "File1=" + first, "File2=" + playable[0]}, "\n"),
            list("empty.m3u", {}),
            testmedia::makeGarbage("monkey_junk.m3u", 2000).string(),
            (dir / "missing.m3u").string(),
        };
        writeAll(dir / "nested.m3u", lists[0] + "\r\n" + playable[5] + "\r\n");
        lists.push_back((dir / "nested.m3u").string());
        // A list written on Japanese Windows (CP932) naming "曲.wav", and a folder named like a
        // list.
        fs::copy_file(playable[0], dir / "曲.wav", fs::copy_options::overwrite_existing);
        writeAll(dir / "cp932.m3u", dir.string() + "/\x8B\xC8.wav\r\n");
        lists.push_back((dir / "cp932.m3u").string());
        fs::create_directories(dir / "folder.m3u");
        lists.push_back((dir / "folder.m3u").string());
        ::mkfifo((dir / "pipe.m3u").c_str(), 0600);
        lists.push_back((dir / "pipe.m3u").string());
    }

    // ---- picking ----

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
    int32_t between(int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(rng);
    }
    const std::string& anyOf(const std::vector<std::string>& pool) {
        return pool[pick(pool.size())];
    }
    std::string anyEntry() {
        switch (pick(5)) {
        case 0:
        case 1:
            return anyOf(playable);
        case 2:
        case 3:
            return anyOf(broken);
        default:
            return anyOf(lists);
        }
    }
    int32_t anyIndex() {
        const int32_t count = state.entryCount;
        const int32_t choices[] = {
            0, -1, INT32_MIN, count, count + 1, 1'000'000, between(-3, count + 3)};
        return choices[pick(std::size(choices))];
    }
    // A random list file: lines from every pool, itself among them.
    std::string randomList() {
        const fs::path path =
            testmedia::mediaDir() / "monkey" / (pick(2) ? "random.m3u" : "random.pls");
        std::string body = path.extension() == ".pls" ? "[playlist]\n" : "";
        for (size_t i = 0, n = pick(8); i < n; ++i) {
            const std::string entry = pick(6) == 0 ? path.string() : anyEntry();
            body += (path.extension() == ".pls" ? "File" + std::to_string(i + 1) + "=" : "") +
                    entry + (pick(2) ? "\r\n" : "\n");
        }
        writeAll(path, body);
        return path.string();
    }

    // ---- one action ----

    std::string act() {
        switch (pick(20)) {
        case 0:
        case 1:
        case 2: {
            const int ticks = pick(4) == 0 ? 40 : 1 + static_cast<int>(pick(4));
            for (int i = 0; i < ticks; ++i) {
                player->PlaybackTick();
            }
            return "tick x" + std::to_string(ticks);
        }
        case 3:
        case 4: {
            const int command = between(-2, 20);
            player->TransportCommand(command);
            return "command " + std::to_string(command);
        }
        case 5: {
            const int button = between(0, 17);
            const bool inside = pick(4) != 0;
            player->ButtonUp(button, inside);
            return "button " + std::to_string(button) + (inside ? " up inside" : " up outside");
        }
        case 6: {
            const int button = pick(2) ? kSeekBack : kSeekForward;
            const int passes = static_cast<int>(pick(5));
            mainWindow.holdPasses = passes;
            player->SeekButtonDown(button);
            return "seek button " + std::to_string(button) + " held " + std::to_string(passes);
        }
        case 7: {
            const int32_t target = pick(4) == 0
                                       ? (pick(2) ? INT32_MAX : INT32_MIN)
                                       : between(-500, static_cast<int32_t>(state.lengthMs) + 500);
            player->SeekBarReleased(target);
            return "seek bar to " + std::to_string(target);
        }
        case 8: {
            const int32_t volume = between(-5, 15);
            const int32_t pan = between(-15, 15);
            player->SetVolumeLevel(volume);
            player->SetPanPosition(pan);
            return "volume " + std::to_string(volume) + " pan " + std::to_string(pan);
        }
        case 9:
        case 10:
        case 11: {
            // Where the playlist window and drops put new rows: after the last row.
            const int32_t slot =
                pick(4) == 0 ? between(1, state.entryCount + 2) : player->playlist().rowCount() + 1;
            const std::string entry = anyEntry();
            const int32_t result =
                player->playlist().AddEntry(slot, PlaylistController::kOpenHere, entry, true);
            return "add " + entry + " at " + std::to_string(slot) + " -> " + std::to_string(result);
        }
        case 12: {
            const std::string path = pick(3) == 0 ? randomList() : anyOf(lists);
            player->playlist().LoadPlaylistFile(path);
            return "load list " + path;
        }
        case 13:
        case 14: {
            const int32_t index = anyIndex();
            player->playlist().PlayEntryAt(index);
            return "play entry " + std::to_string(index);
        }
        case 15:
            if (pick(2)) {
                player->playlist().ToggleRandom();
                return "toggle random";
            }
            player->playlist().CycleLoopMode();
            return "cycle loop";
        case 16: {
            const std::string entry = anyEntry();
            if (pick(3) == 0) {
                player->OpenFromCommandLine("\"" + entry + "\" --extra");
                return "command line " + entry;
            }
            player->OpenMedia(entry);
            return "open " + entry;
        }
        case 17: {
            fileDialog.next = pick(3) == 0 ? std::nullopt : std::optional(anyEntry());
            player->TransportCommand(kOpenFile);
            return "open dialog " + fileDialog.next.value_or("(cancelled)");
        }
        case 18: {
            mainWindow.state = pick(3) == 0 ? WindowState::Minimized : WindowState::Normal;
            switch (pick(3)) {
            case 0:
                player->playlist().StepBack();
                return "step back";
            case 1:
                player->playlist().StepNext();
                return "step next";
            default:
                player->playlist().SelectNextAfterEnd();
                return "next after end";
            }
        }
        default:
            return saveList();
        }
    }

    // Saving writes exactly the rows over the old file; a save that cannot be done leaves what
    // was there and no half-written file.
    std::string saveList() {
        const fs::path dir = testmedia::mediaDir() / "monkey";
        const fs::path target = dir / "saved.m3u";
        writeAll(target, "old list\r\n");
        std::string expected;
        for (int32_t row = 1; row <= player->playlist().rowCount(); ++row) {
            if (static_cast<size_t>(row) < state.playlistEntries.size()) {
                expected += state.playlistEntries[static_cast<size_t>(row)].path + "\r\n";
            }
        }
        EXPECT_TRUE(player->playlist().writePlaylistFile(target.string()));
        EXPECT_EQ(readAll(target), expected);
        EXPECT_FALSE(player->playlist().writePlaylistFile((dir / "no_folder" / "x.m3u").string()));
        EXPECT_FALSE(fs::exists(dir / "no_folder"));
        const fs::path folder = dir / "folder.m3u";
        fs::create_directories(folder / "inside");
        EXPECT_FALSE(player->playlist().writePlaylistFile(folder.string()));
        EXPECT_TRUE(fs::is_directory(folder / "inside"));
        EXPECT_FALSE(fs::exists(dir / "folder.m3u.saving"));
        return "save list";
    }

    // ---- what must hold after every action ----

    void checkInvariants() {
        ASSERT_GE(state.entryCount, 0);
        if (state.entryCount > 0) {
            ASSERT_GT(state.playlistEntries.size(), static_cast<size_t>(state.entryCount))
                << "slots 1.." << state.entryCount << " must exist";
        }
        for (const auto& [slot, path] : playlistView.rows) {
            EXPECT_GE(slot, 1);
            EXPECT_LE(slot, state.entryCount) << "a row beyond the list";
        }
        EXPECT_FALSE(state.buttonHeld);
        EXPECT_FALSE(state.commandInProgress);
        EXPECT_GE(state.volumeLevel, 0);
        EXPECT_LE(state.volumeLevel, 10);

        if (state.currentSound != 0) {
            EXPECT_TRUE(soundAlive(state.currentSound))
                << "current sound released under the player";
        }
        if (state.cdDriveSound != 0) {
            EXPECT_TRUE(soundAlive(state.cdDriveSound)) << "drive sound released under the player";
        }
        FMOD_BOOL playing = 0;
        if (state.currentChannel != 0 &&
            FMOD_Channel_IsPlaying(state.currentChannel, &playing) == FMOD_OK && playing) {
            EXPECT_FALSE(state.titleText.empty()) << "a channel plays without a title";
            FMOD_SOUND sound = 0;
            EXPECT_EQ(FMOD_Channel_GetCurrentSound(state.currentChannel, &sound), FMOD_OK);
            EXPECT_EQ(sound, state.currentSound) << "the channel plays a sound the player let go";
        }

        // Every sound the player held and no longer names must have been released.
        for (const FMOD_SOUND held : {state.currentSound, state.cdDriveSound}) {
            if (held != 0) {
                heldSounds.insert(held);
            }
        }
        for (auto it = heldSounds.begin(); it != heldSounds.end();) {
            const FMOD_SOUND sound = *it;
            if (sound == state.currentSound || sound == state.cdDriveSound) {
                ++it;
                continue;
            }
            EXPECT_FALSE(soundAlive(sound)) << "sound " << sound << " dropped without release";
            it = heldSounds.erase(it);
        }
    }

    std::mt19937_64 rng;
    std::vector<std::string> playable;
    std::vector<std::string> broken;
    std::vector<std::string> lists;
    std::set<FMOD_SOUND> heldSounds;
};

TEST_F(EngineMonkey, RandomActionsKeepTheListSoundsAndChannelConsistent) {
    const cdtest::ImageDrives drives(cdtest::makeDiscImage("monkey_disc").string());
    const uint64_t seed = envNumber("SORVEL_MONKEY_SEED", kDefaultSeed);
    const auto steps = static_cast<int>(envNumber("SORVEL_MONKEY_STEPS", kDefaultSteps));
    rng.seed(seed);
    makeMedia();

    const size_t descriptorsBefore = countEntries("/proc/self/fd");
    const size_t threadsBefore = countEntries("/proc/self/task");
    std::deque<std::string> recent;
    for (int step = 0; step < steps; ++step) {
        recent.push_back(act());
        if (recent.size() > kRememberedActions) {
            recent.pop_front();
        }
        checkInvariants();
        if (HasFailure()) {
            std::string log;
            for (const std::string& action : recent) {
                log += "  " + action.substr(0, 200) + "\n";
            }
            FAIL() << "seed " << seed << ", step " << step << "; latest actions:\n" << log;
        }
    }
    // With the library closed nothing it opened may be left: no file, no thread.
    player->Shutdown();
    EXPECT_LE(countEntries("/proc/self/fd"), descriptorsBefore);
    EXPECT_LE(countEntries("/proc/self/task"), threadsBefore);
}

// The faults the random run found, each pinned on its own.

TEST_F(EngineMonkey, AListNamingItselfOrANeighbourNamingItBackLoadsOnce) {
    makeMedia();
    const fs::path dir = testmedia::mediaDir() / "monkey";
    player->playlist().LoadPlaylistFile((dir / "self.m3u").string());
    EXPECT_EQ(state.entryCount, 2);
    EXPECT_EQ(state.playlistEntries[1].path, playable[0]);
    EXPECT_EQ(state.playlistEntries[2].path, playable[1]);
    EXPECT_EQ(playlistView.rows.size(), 2u);
    // first.m3u names second.pls, which names first.m3u back: the inner list takes over and the
    // way back is not followed.
    player->playlist().LoadPlaylistFile((dir / "first.m3u").string());
    ASSERT_GE(state.entryCount, 1);
    EXPECT_EQ(state.playlistEntries[1].path, playable[0]);
    // Lists opened or added as entries take the same way.
    player->OpenMedia((dir / "self.m3u").string());
    EXPECT_EQ(state.entryCount, 2);
    EXPECT_EQ(player->playlist().AddEntry(1, PlaylistController::kOpenHere,
                                          (dir / "self.m3u").string(), true),
              0);
    EXPECT_EQ(state.entryCount, 2);
}

TEST_F(EngineMonkey, AFolderOrAPipeNamedLikeAListLoadsAsAnEmptyList) {
    const fs::path dir = testmedia::mediaDir() / "odd_lists";
    fs::create_directories(dir / "folder.m3u");
    ASSERT_EQ(::mkfifo((dir / "pipe.pls").c_str(), 0600), 0);
    const auto tone = testmedia::makeTone("monkey_odd.wav", 440, 0.1);
    for (const fs::path& list : {dir / "pipe.pls", dir / "folder.m3u"}) {
        SCOPED_TRACE(list.string());
        ASSERT_EQ(
            player->playlist().AddEntry(1, PlaylistController::kOpenHere, tone.string(), true), 0);
        player->playlist().LoadPlaylistFile(list.string());
        EXPECT_EQ(state.entryCount, 0);
        EXPECT_TRUE(playlistView.rows.empty());
        player->OpenMedia(list.string());
        EXPECT_EQ(
            player->playlist().AddEntry(1, PlaylistController::kOpenHere, list.string(), true), 0);
        EXPECT_EQ(state.entryCount, 0);
    }
}

TEST_F(EngineMonkey, AddingPastTheEndOfAnEmptyListGrowsTheStorageToTheSlot) {
    std::vector<PlaylistEntry> entries;
    EXPECT_EQ(MakeRoomForSlot(entries, 0, 3), 3);
    EXPECT_EQ(entries.size(), 4u);

    const auto tone = testmedia::makeTone("monkey_slot.wav", 440, 0.1);
    player->playlist().LoadPlaylistFile((testmedia::mediaDir() / "no_such_list.m3u").string());
    ASSERT_EQ(state.entryCount, 0);
    EXPECT_EQ(player->playlist().AddEntry(3, PlaylistController::kOpenHere, tone.string(), true),
              0);
    EXPECT_EQ(state.entryCount, 3);
    ASSERT_EQ(state.playlistEntries.size(), 4u);
    EXPECT_EQ(state.playlistEntries[3].path, tone.string());
    // Below the direct-play slot there is nothing to add to.
    EXPECT_EQ(player->playlist().AddEntry(-1, PlaylistController::kOpenHere, tone.string(), true),
              -1);
    EXPECT_EQ(state.entryCount, 3);
}

TEST_F(EngineMonkey, CdTracksReleaseTheDiscTheyReplaceOrLeaveAndAddingLeavesThePlayingDiscAlone) {
    const cdtest::ImageDrives drives(cdtest::makeDiscImage("monkey_cd").string());
    int count = 0;
    char name[64] = {};
    ASSERT_EQ(FMOD_System_GetNumCDROMDrives(state.soundSystem, &count), FMOD_OK);
    ASSERT_GE(count, 1);
    ASSERT_EQ(FMOD_System_GetCDROMDriveName(state.soundSystem, count - 1, name, sizeof name,
                                            nullptr, 0, nullptr, 0),
              FMOD_OK);
    const std::string drive = std::string("cd:") + name;

    state.currentIndex = 0;
    player->OpenMedia(drive + "0");
    const FMOD_SOUND firstDisc = state.cdDriveSound;
    ASSERT_NE(firstDisc, 0u);
    player->OpenMedia(drive + "1");
    EXPECT_NE(state.cdDriveSound, firstDisc);
    EXPECT_FALSE(soundAlive(firstDisc)) << "the replaced disc's sound was kept";

    const FMOD_SOUND playingDisc = state.cdDriveSound;
    const FMOD_SOUND playingTrack = state.currentSound;
    ASSERT_EQ(player->playlist().AddEntry(1, PlaylistController::kOpenHere, drive + "2", true), 0);
    EXPECT_EQ(state.playlistEntries[1].title, "Song 3");
    EXPECT_EQ(state.cdDriveSound, playingDisc);
    EXPECT_TRUE(soundAlive(playingDisc));
    EXPECT_EQ(state.currentSound, playingTrack);
    FMOD_BOOL playing = 0;
    EXPECT_EQ(FMOD_Channel_IsPlaying(state.currentChannel, &playing), FMOD_OK);
    EXPECT_EQ(playing, 1);

    // Leaving the disc for a file gives the drive back.
    player->OpenMedia(testmedia::makeTone("after_cd.wav", 440, 0.2).string());
    EXPECT_EQ(state.cdDriveSound, 0u);
    EXPECT_FALSE(soundAlive(playingDisc));
}

} // namespace
