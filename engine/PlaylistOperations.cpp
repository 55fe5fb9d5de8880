// Adding entries, choosing the next one, and playlist files.
#include "Player.h"
#include "PlaylistSelection.h"
#include "playlist_file_text.h"
#include "time_text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A tag's text: zero-terminated, at most datalen - 1 bytes, double spaces removed.
std::optional<std::string> readTag(FMOD_SOUND sound, const char* name, FMOD_TAG& tag) {
    tag = FMOD_TAG{};
    if (FMOD_Sound_GetTag(sound, name, -1, &tag) != FMOD_OK || tag.data == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const char*>(tag.data);
    const size_t limit = tag.datalen > 0 ? tag.datalen - 1 : 0;
    size_t length = 0;
    while (length < limit && bytes[length] != '\0') {
        ++length;
    }
    return RemoveDoubleSpaces(std::string(bytes, length));
}

bool isPlaylistFile(const std::string& path) {
    const std::string extension = EntryExtension(path);
    return extension == "m3u" || extension == "pls";
}

// The playlist files being loaded on this thread, outermost first. A list that names itself, or
// lists that name each other, would otherwise load one another until the stack runs out.
std::vector<fs::path>& listsBeingLoaded() {
    thread_local std::vector<fs::path> lists;
    return lists;
}

// Lists deeper than this inside one another are not followed.
constexpr size_t kMaxNestedLists = 8;

bool alreadyLoading(const std::string& path) {
    const auto& lists = listsBeingLoaded();
    if (lists.size() >= kMaxNestedLists) {
        return true;
    }
    return std::any_of(lists.begin(), lists.end(), [&](const fs::path& loading) {
        std::error_code error;
        return fs::equivalent(loading, fs::path(path), error);
    });
}

class LoadingList {
public:
    explicit LoadingList(const std::string& path) { listsBeingLoaded().emplace_back(path); }
    ~LoadingList() { listsBeingLoaded().pop_back(); }
    LoadingList(const LoadingList&) = delete;
    LoadingList& operator=(const LoadingList&) = delete;
};

// Far more than any real list (some hundred thousand entries); a huge file merely named like a
// list is read no further.
constexpr std::streamsize kMaxListBytes = 16 << 20;

// A playlist file's bytes; nothing for what is not a readable regular file. A folder named like a
// list makes the stream throw, and opening a pipe would wait for a writer for ever.
std::optional<std::string> readListBytes(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::path(path), error)) {
        return std::nullopt;
    }
    try {
        std::ifstream file{fs::path(path), std::ios::binary};
        if (!file) {
            return std::nullopt;
        }
        const auto size = static_cast<std::streamsize>(
            std::min<std::uintmax_t>(fs::file_size(fs::path(path), error), kMaxListBytes));
        std::string bytes(static_cast<size_t>(error ? 0 : size), '\0');
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(file.gcount()));
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt; // a read error part way
    }
}

// A disc's sound opened only to read one track's tags and length: released, with the track,
// however adding ends.
class ScopedSound {
public:
    ScopedSound() = default;
    ~ScopedSound() {
        if (handle != 0) {
            FMOD_Sound_Release(handle);
        }
    }
    ScopedSound(const ScopedSound&) = delete;
    ScopedSound& operator=(const ScopedSound&) = delete;
    FMOD_SOUND take() { return std::exchange(handle, 0); }

    FMOD_SOUND handle = 0;
};

} // namespace

int32_t Player::AddEntry(int32_t index, int64_t sound, std::string path, bool openIt) {
    const std::string extension = EntryExtension(path);
    if (extension == "m3u" || extension == "pls") {
        LoadPlaylistFile(path);
        return 0;
    }
    if (index < 0) {
        return -1; // slots count from 0, the direct-play slot
    }
    const bool video = IsVideoExtension(extension);
    FMOD_SOUND entrySound = sound > 0 ? static_cast<FMOD_SOUND>(sound) : 0;
    // Not the player's drive sound: the disc playing now may hold the current sound.
    ScopedSound drive;

    if (openIt && sound == kOpenHere) {
        std::error_code error;
        if (path.rfind("cd:", 0) == 0) {
            CheckResult(CreateSoundFile(state_.soundSystem, path.substr(3, 2), kModeCdDriveChooser,
                                        &drive.handle));
            int32_t track = 0;
            try {
                track = path.size() > 5 ? std::stoi(path.substr(5)) : 0;
            } catch (...) {
            }
            CheckResult(FMOD_Sound_GetSubSound(drive.handle, track, &entrySound));
        } else if (!fs::exists(fs::path(path), error)) {
            // Nothing to open: no tags, no length below.
        } else if (IsTrackerExtension(extension)) {
            CheckResult(CreateStreamFile(state_.soundSystem, path, kModeTracker, &entrySound));
        } else if (extension == "zip" || endsWith(path, ".zip.mp3") || endsWith(path, ".mp3.zip")) {
            if (CreateSoundFile(state_.soundSystem, path, kModeSoftware2D, &entrySound) !=
                FMOD_OK) {
                services_.messageBox->show("無圧縮Zipには非対応です。", "Sorvel",
                                           MessageButtons::Ok, MessageIcon::Information);
                return -1;
            }
        } else if (!video) {
            const FMOD_RESULT result =
                CreateStreamFile(state_.soundSystem, path, kModeSoftware2D, &entrySound);
            CheckResult(result);
            if (result != FMOD_OK) {
                state_.soundOpened = false;
                return -2;
            }
            state_.soundOpened = true;
        }
    }

    FMOD_TAG tag{};
    std::string title = readTag(entrySound, "TITLE", tag).value_or("");
    const char* artistName = tag.type == FMOD_TAGTYPE_ASF ? "AUTHOR" : "ARTIST";
    std::string artist = readTag(entrySound, artistName, tag).value_or("UnknownArtist");
    std::string album = readTag(entrySound, "ALBUM", tag).value_or("UnknownAlbum");

    state_.entryCount = MakeRoomForSlot(state_.playlistEntries, state_.entryCount, index);
    PlaylistEntry& slot = state_.playlistEntries[static_cast<size_t>(index)];
    slot = PlaylistEntry{};
    slot.path = path;
    slot.title = std::move(title);
    slot.artist = std::move(artist);
    slot.album = std::move(album);
    unsigned int length = 0;
    const bool lengthRead = FMOD_Sound_GetLength(entrySound, &length, FMOD_TIMEUNIT_MS) == FMOD_OK;
    slot.lengthMs =
        lengthRead ? static_cast<int32_t>(std::min<unsigned int>(length, INT32_MAX)) : 0;
    slot.timeText = TimeText(slot.lengthMs);
    slot.seekStepMs = slot.lengthMs != 0 ? 5 : 0;

    if (!video) {
        state_.soundOpened = lengthRead;
        if (!lengthRead) {
            if (entrySound != 0 && entrySound != state_.currentSound) {
                FMOD_Sound_Release(entrySound);
            }
            return -1;
        }
    }
    if (index > 0) {
        services_.playlistView->AddListRow(index, slot);
    }
    if (index == 0) {
        state_.currentSound = entrySound;
        if (drive.handle != 0) {
            // The track is current now: its disc stays open with it.
            if (state_.cdDriveSound != 0) {
                FMOD_Sound_Release(state_.cdDriveSound);
            }
            state_.cdDriveSound = drive.take();
        }
        if (!state_.isNetStream) {
            if (FMOD_Sound_GetLength(entrySound, &length, FMOD_TIMEUNIT_MS) == FMOD_OK) {
                state_.lengthMs = length;
            }
            state_.seekBarLengthMs = state_.lengthMs;
            slot.timeText = TimeText(state_.lengthMs);
            state_.lengthText = slot.timeText;
            applyVolume();
        }
    }
    if (entrySound != 0 && entrySound != state_.currentSound) {
        FMOD_Sound_Release(entrySound);
    }
    return 0;
}

void Player::SelectNextAfterEnd() {
    const NextAfterEnd next =
        ChooseNextAfterEnd(state_.playlistEntries, state_.entryCount, state_.currentIndex,
                           state_.randomMode, state_.loopMode, random01_);
    state_.currentIndex = next.index;
    if (next.stop) {
        state_.stoppedFlag = true;
        return;
    }
    if (next.play && !state_.stoppedFlag) {
        if (const PlaylistEntry* entry = currentEntry()) {
            OpenMedia(entry->path);
        }
    }
}

void Player::StepBack() {
    if (auto target = StepBackTarget(state_.playlistEntries, state_.currentIndex)) {
        PlayEntryAt(*target);
    }
}

void Player::StepNext() {
    if (auto target =
            StepNextTarget(state_.playlistEntries, state_.entryCount, state_.currentIndex)) {
        PlayEntryAt(*target);
    }
}

void Player::ToggleRandom() {
    state_.randomMode = ToggledRandomMode(state_.randomMode);
}

void Player::CycleLoopMode() {
    state_.loopMode = NextLoopMode(state_.loopMode);
}

void Player::PlayEntryAt(int32_t index) {
    state_.currentIndex = index;
    if (const PlaylistEntry* entry = currentEntry()) {
        OpenMedia(entry->path);
    }
}

void Player::LoadPlaylistFile(std::string path) {
    if (alreadyLoading(path)) {
        return; // a list inside itself: what it holds is being loaded already
    }
    const LoadingList loading(path);
    services_.playlistView->ClearListRows();
    state_.playlistEntries.clear();
    state_.entryCount = 0;

    if (const std::optional<std::string> bytes = readListBytes(path)) {
        const bool pls = UsesPlsRules(path);
        int32_t position = 1;
        for (const std::string& line : SplitPlaylistLines(DecodePlaylistText(*bytes))) {
            std::string entry = line;
            if (pls) {
                auto reduced = PlsEntryString(line);
                if (!reduced) {
                    continue;
                }
                entry = *reduced;
            }
            if (entry.rfind("ftp://", 0) == 0 || entry.rfind("http:/", 0) == 0) {
                OpenMedia(entry);
                continue;
            }
            if (entry.empty() || (isPlaylistFile(entry) && alreadyLoading(entry))) {
                continue;
            }
            if (AddEntry(position, kOpenHere, entry, true) == 0) {
                ++position;
            }
        }
    }
    state_.stoppedFlag = false;
}

bool Player::WritePlaylistFile(const std::string& path) {
    std::vector<std::string> paths;
    const int32_t rows = services_.playlistView->ListRowCount();
    for (int32_t row = 1; row <= rows; ++row) {
        if (static_cast<size_t>(row) < state_.playlistEntries.size()) {
            paths.push_back(state_.playlistEntries[static_cast<size_t>(row)].path);
        }
    }
    const std::string text = M3uText(paths);
    // Written beside the target and renamed over it, so a failed save leaves the old file.
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".saving";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

void Player::SavePlaylistFile() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save";
    request.filters = {{"Play List Files (*.m3u)", "*.m3u"}};
    request.initialFolder = ".";
    const auto chosen = services_.fileDialog->choose(request);
    if (!chosen) {
        return;
    }
    if (!WritePlaylistFile(*chosen)) {
        services_.messageBox->show("プレイリストを保存できませんでした。\r\n" + *chosen, "Sorvel",
                                   MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

} // namespace sorvel
