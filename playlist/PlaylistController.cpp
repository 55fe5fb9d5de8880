// Adding entries, choosing the next one, playlist files, the list window's operations and its
// rows.
#include "PlaylistController.h"

#include "PlaylistSelection.h"
#include "entry_kind.h"
#include "playlist_entry_path.h"
#include "playlist_file_text.h"
#include "time_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <utility>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

std::function<double()> clockSeededRandom() {
    return [] {
        // Reseeded from the clock on every draw.
        std::mt19937_64 generator(static_cast<uint64_t>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count()));
        return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    };
}

class NoPlaylistView final : public PlaylistView {
public:
    void AddListRow(int32_t, const PlaylistEntry&) override {}
    void ClearListRows() override {}
    void HighlightCurrentRow(int32_t) override {}
};

PlaylistView& noView() {
    static NoPlaylistView view;
    return view;
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

struct EntryTags {
    std::string title;
    std::string artist;
    std::string album;
};

// The texts a row shows, as the sound library reads them from the entry's sound.
EntryTags readEntryTags(FMOD_SOUND sound) {
    FMOD_TAG tag{};
    EntryTags tags;
    tags.title = readTag(sound, "TITLE", tag).value_or("");
    const char* artistName = tag.type == FMOD_TAGTYPE_ASF ? "AUTHOR" : "ARTIST";
    tags.artist = readTag(sound, artistName, tag).value_or("UnknownArtist");
    tags.album = readTag(sound, "ALBUM", tag).value_or("UnknownAlbum");
    return tags;
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

std::string rowNumberText(int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d.", static_cast<int>(number));
    return text;
}

std::string rowTitleText(const PlaylistEntry& entry) {
    if (!entry.title.empty()) {
        return entry.title + " - " + entry.artist;
    }
    if (isCdEntry(entry.path)) {
        return "Track - " + std::to_string(cdTrackIndex(entry.path) + 1);
    }
    return fileNamePart(entry.path);
}

uint32_t listRowColour(bool current, uint32_t listBackColour, uint32_t listForeColour) {
    return current ? (0xFFFFFFu - (listBackColour & 0xFFFFFFu)) : listForeColour;
}

std::vector<FileFilter> playlistOpenFilters() {
    return {
        {"All audio files (*.*)",
         "*.aif; *.aiff; *.aifc; *.wav; *.mp2; *.mp3; *.mpg; *.mpeg; *.wma; *.wmv; *.ogg; "
         "*.ogm; *.mid; *.midi; *.avi; *.dls; *.flac; *.mod; *.xm; *.it; *.s3m; *.raw; *.vag; "
         "*.m3u; *.pls"},
        {"Wave Format (*.wav)", "*.wav"},
        {"Mpeg Audio Format (*.mp2 *.mp3)", "*.mp2; *.mp3"},
        {"Mpeg Video Format (*.mpg *.mpeg)", "*.mpg; *.mpeg"},
        {"Windows Media Format (*.wma)", "*.wma"},
        {"Windows Video Format (*.wma)", "*.wmv"},
        {"Ogg Vorbis Format (*.ogg)", "*.ogg"},
        {"Ogg Vorbis Video (*.ogm)", "*.ogm"},
        {"MIDI Direct Music (*.mid *.midi)", "*.mid; *.midi"},
        {"Video Format (*.avi)", "*.avi"},
        {"Downloadable Sounds (*.dls)", "*.dls"},
        {"FLAC Audio Format (*.flac)", "*.flac"},
        {"MOD Media Format (*.mod *.xm)", "*.mod; *.xm"},
        {"Inpulse Tracker (*.it)", "*.it"},
        {"ScreamtrackerⅢ (*.s3m)", "*.s3m"},
        {"PCM Raw Data (*.raw)", "*.raw"},
        {"PS Single Waveform Data (*.vag)", "*.vag"},
        {"M3U Playlist File (*.m3u)", "*.m3u"},
        {"Winamp Playlist File (*.pls)", "*.pls"},
        {"All files (*.*)", "*.*"},
    };
}

PlaylistController::PlaylistController(PlaylistState& state, PlaylistPlayer& player,
                                       MessageBoxService& messageBox, FileDialogService& fileDialog,
                                       PlaylistView& view)
    : state_(state), player_(player), messageBox_(messageBox), fileDialog_(fileDialog),
      view_(&view), random01_(clockSeededRandom()) {}

void PlaylistController::setView(PlaylistView* view) {
    view_ = view != nullptr ? view : &noView();
}

const PlaylistEntry* PlaylistController::slot(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= state_.playlistEntries.size()) {
        return nullptr;
    }
    return &state_.playlistEntries[static_cast<size_t>(index)];
}

void PlaylistController::clearRows() {
    rowCount_ = 0;
    view_->ClearListRows();
}

void PlaylistController::showCurrentEntry() {
    view_->HighlightCurrentRow(state_.currentIndex);
}

int32_t PlaylistController::AddEntry(int32_t index, int64_t sound, std::string path, bool openIt) {
    const std::string extension = entryExtension(path);
    if (isPlaylistFile(path)) {
        LoadPlaylistFile(path);
        return 0;
    }
    if (index < 0) {
        return -1; // slots count from 0, the direct-play slot
    }
    const bool video = isVideoExtension(extension);
    FMOD_SOUND entrySound = sound > 0 ? static_cast<FMOD_SOUND>(sound) : 0;
    // Not the player's drive sound: the disc playing now may hold the current sound.
    ScopedSound drive;

    if (openIt && sound == kOpenHere) {
        std::error_code error;
        if (isCdEntry(path)) {
            player_.CheckResult(
                player_.CreateSoundFile(path.substr(3, 2), kModeCdDriveChooser, &drive.handle));
            player_.CheckResult(
                FMOD_Sound_GetSubSound(drive.handle, cdTrackIndex(path), &entrySound));
        } else if (!fs::exists(fs::path(path), error)) {
            // Nothing to open: no tags, no length below.
        } else if (isTrackerExtension(extension)) {
            player_.CheckResult(player_.CreateStreamFile(path, kModeTracker, &entrySound));
        } else if (extension == "zip" || path.ends_with(".zip.mp3") || path.ends_with(".mp3.zip")) {
            if (player_.CreateSoundFile(path, kModeSoftware2D, &entrySound) != FMOD_OK) {
                messageBox_.show("無圧縮Zipには非対応です。", "Sorvel", MessageButtons::Ok,
                                 MessageIcon::Information);
                return -1;
            }
        } else if (!video) {
            const FMOD_RESULT result = player_.CreateStreamFile(path, kModeSoftware2D, &entrySound);
            player_.CheckResult(result);
            if (result != FMOD_OK) {
                state_.soundOpened = false;
                return -2;
            }
            state_.soundOpened = true;
        }
    }

    EntryTags tags = readEntryTags(entrySound);

    state_.entryCount = MakeRoomForSlot(state_.playlistEntries, state_.entryCount, index);
    PlaylistEntry& record = state_.playlistEntries[static_cast<size_t>(index)];
    record = PlaylistEntry{};
    record.path = path;
    record.title = std::move(tags.title);
    record.artist = std::move(tags.artist);
    record.album = std::move(tags.album);
    unsigned int length = 0;
    const bool lengthRead = FMOD_Sound_GetLength(entrySound, &length, FMOD_TIMEUNIT_MS) == FMOD_OK;
    record.lengthMs =
        lengthRead ? static_cast<int32_t>(std::min<unsigned int>(length, INT32_MAX)) : 0;
    record.timeText = TimeText(record.lengthMs);
    record.seekStepMs = record.lengthMs != 0 ? 5 : 0;

    if (!video) {
        state_.soundOpened = lengthRead;
        if (!lengthRead) {
            if (entrySound != 0 && entrySound != player_.currentSound()) {
                FMOD_Sound_Release(entrySound);
            }
            return -1;
        }
    }
    if (index > 0) {
        ++rowCount_;
        view_->AddListRow(index, record);
        player_.playlistChanged();
    }
    if (index == 0) {
        // The track is current now: its disc stays open with it.
        player_.adoptDirectPlaySound(entrySound, drive.take(), record);
    }
    if (entrySound != 0 && entrySound != player_.currentSound()) {
        FMOD_Sound_Release(entrySound);
    }
    return 0;
}

void PlaylistController::SelectNextAfterEnd() {
    applyNextAfterEnd(chooseNextAfterEnd());
}

NextAfterEnd PlaylistController::chooseNextAfterEnd() {
    return ChooseNextAfterEnd(state_.playlistEntries, state_.entryCount, state_.currentIndex,
                              state_.randomMode, state_.loopMode, random01_);
}

void PlaylistController::applyNextAfterEnd(const NextAfterEnd& next) {
    state_.currentIndex = next.index;
    if (next.stop) {
        state_.stoppedFlag = true;
        return;
    }
    if (next.play && !state_.stoppedFlag) {
        if (const PlaylistEntry* entry = slot(state_.currentIndex)) {
            player_.OpenMedia(entry->path);
        }
    }
}

void PlaylistController::StepBack() {
    if (auto target = StepBackTarget(state_.playlistEntries, state_.currentIndex)) {
        PlayEntryAt(*target);
    }
}

void PlaylistController::StepNext() {
    if (auto target =
            StepNextTarget(state_.playlistEntries, state_.entryCount, state_.currentIndex)) {
        PlayEntryAt(*target);
    }
}

void PlaylistController::ToggleRandom() {
    setRandomMode(ToggledRandomMode(state_.randomMode));
}

void PlaylistController::CycleLoopMode() {
    setLoopMode(NextLoopMode(state_.loopMode));
}

void PlaylistController::setRandomMode(uint8_t mode) {
    state_.randomMode = mode;
    player_.playlistChanged();
}

void PlaylistController::setLoopMode(uint8_t mode) {
    state_.loopMode = mode;
    player_.playlistChanged();
}

void PlaylistController::PlayEntryAt(int32_t index) {
    state_.currentIndex = index;
    if (const PlaylistEntry* entry = slot(state_.currentIndex)) {
        player_.OpenMedia(entry->path);
    }
}

void PlaylistController::LoadPlaylistFile(std::string path) {
    if (alreadyLoading(path)) {
        return; // a list inside itself: what it holds is being loaded already
    }
    const LoadingList loading(path);
    clearRows();
    state_.playlistEntries.clear();
    state_.entryCount = 0;
    player_.playlistChanged();

    if (const std::optional<std::string> bytes = readListBytes(path)) {
        const bool pls = UsesPlsRules(path);
        std::error_code error;
        const fs::path listFolder = fs::absolute(fs::path(path), error).parent_path();
        const fs::path workingFolder = fs::current_path(error);
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
            if (entry.starts_with("ftp://") || entry.starts_with("http:/")) {
                player_.OpenMedia(entry);
                continue;
            }
            entry = resolvePlaylistEntry(entry, listFolder, workingFolder);
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

bool PlaylistController::writePlaylistFile(const std::string& path) {
    std::vector<std::string> paths;
    const int32_t rows = rowCount();
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

void PlaylistController::SavePlaylistFile() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save";
    request.filters = {{"Play List Files (*.m3u)", "*.m3u"}};
    request.initialFolder = ".";
    const auto chosen = fileDialog_.choose(request);
    if (!chosen) {
        return;
    }
    if (!writePlaylistFile(*chosen)) {
        messageBox_.show("プレイリストを保存できませんでした。\r\n" + *chosen, "Sorvel",
                         MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

void PlaylistController::addFiles() {
    FileDialogRequest request;
    request.title = "Open";
    request.multiple = true;
    request.filters = playlistOpenFilters();
    request.filterIndex = 1;
    const std::vector<std::string> files = fileDialog_.chooseMany(request);
    DropOutcome outcome;
    if (!files.empty()) {
        outcome = addItems(files, false);
    }
    if (state_.stoppedFlag) {
        startIfStopped(outcome);
    }
}

void PlaylistController::remove(int32_t row) {
    const int32_t rows = rowCount();
    auto& entries = state_.playlistEntries;
    if (row < 1 || row > rows || entries.empty()) {
        return;
    }
    const size_t last = std::min(static_cast<size_t>(rows), entries.size() - 1);
    for (size_t index = static_cast<size_t>(row); index < last; ++index) {
        entries[index] = std::move(entries[index + 1]);
    }
    if (static_cast<size_t>(row) <= last) {
        entries[last] = PlaylistEntry{};
    }
    state_.entryCount = rows;
    --rowCount_;
    view_->RemoveListRow(row);
    player_.playlistChanged();
}

int32_t PlaylistController::moveUp(int32_t row) {
    if (row < 2 || row > rowCount() || static_cast<size_t>(row) >= state_.playlistEntries.size()) {
        return row;
    }
    std::swap(state_.playlistEntries[static_cast<size_t>(row)],
              state_.playlistEntries[static_cast<size_t>(row - 1)]);
    view_->SwapListRows(row - 1, row - 1);
    player_.playlistChanged();
    return row - 1;
}

int32_t PlaylistController::moveDown(int32_t row) {
    if (row < 1 || row >= rowCount() ||
        static_cast<size_t>(row + 1) >= state_.playlistEntries.size()) {
        return row;
    }
    std::swap(state_.playlistEntries[static_cast<size_t>(row)],
              state_.playlistEntries[static_cast<size_t>(row + 1)]);
    view_->SwapListRows(row, row + 1);
    player_.playlistChanged();
    return row + 1;
}

void PlaylistController::clear() {
    clearRows();
    state_.playlistEntries.clear();
    state_.entryCount = 0;
    player_.playlistChanged();
}

std::optional<std::string> PlaylistController::ID3FileSet(int32_t row) {
    const PlaylistEntry* entry = row >= 1 && row <= rowCount() ? slot(row) : nullptr;
    if (entry == nullptr) {
        return std::nullopt;
    }
    // Case-sensitive on purpose: "x.MP3" is refused.
    const size_t slash = entry->path.find_last_of("/\\");
    const size_t dot = entry->path.rfind('.');
    const bool mp3 = dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
                     entry->path.compare(dot + 1, std::string::npos, "mp3") == 0;
    if (!mp3) {
        messageBox_.show("ID3編集機能はMP3ファイルのみ使用可能です", "Sorvel", MessageButtons::Ok,
                         MessageIcon::None);
        return std::nullopt;
    }
    return entry->path;
}

void PlaylistController::tagsChanged(const std::string& path) {
    for (int32_t row = 1; row <= rowCount(); ++row) {
        if (static_cast<size_t>(row) >= state_.playlistEntries.size() ||
            state_.playlistEntries[static_cast<size_t>(row)].path != path) {
            continue;
        }
        FMOD_SOUND sound = 0;
        if (player_.CreateStreamFile(path, kModeSoftware2D, &sound) != FMOD_OK) {
            continue; // the row keeps what it showed
        }
        EntryTags tags = readEntryTags(sound);
        FMOD_Sound_Release(sound);
        PlaylistEntry& entry = state_.playlistEntries[static_cast<size_t>(row)];
        entry.title = std::move(tags.title);
        entry.artist = std::move(tags.artist);
        entry.album = std::move(tags.album);
        view_->UpdateListRow(row);
    }
}

DropOutcome PlaylistController::addItems(const std::vector<std::string>& items, bool onlyExisting) {
    DropOutcome outcome;
    int32_t next = rowCount() + 1;
    outcome.firstSlot = next;
    auto add = [&](const std::string& path) {
        if (isPlaylistFile(path)) {
            // A playlist file replaces the whole list; later items follow its entries.
            AddEntry(next, kOpenHere, path, true);
            outcome.firstSlot = 1;
            outcome.added = state_.entryCount;
            outcome.listLoaded = true;
            next = state_.entryCount + 1;
            return;
        }
        if (AddEntry(next, kOpenHere, path, true) == 0) {
            ++next;
            ++outcome.added;
        }
    };
    for (const std::string& item : items) {
        std::error_code error;
        const fs::file_status status = fs::status(fs::path(item), error);
        if (fs::is_directory(status)) {
            for (fs::directory_iterator it(fs::path(item), error), end; !error && it != end;
                 it.increment(error)) {
                std::error_code kind;
                if (it->is_regular_file(kind)) {
                    add(it->path().string());
                }
            }
        } else if (!onlyExisting || fs::is_regular_file(status)) {
            add(item);
        }
    }
    return outcome;
}

void PlaylistController::startIfStopped(const DropOutcome& outcome) {
    if ((outcome.listLoaded || !player_.hasChannel()) && outcome.added > 0) {
        PlayEntryAt(outcome.firstSlot);
    } else {
        player_.play();
    }
}

DropOutcome PlaylistController::addDroppedItems(const std::vector<std::string>& items) {
    return addItems(items, false);
}

DropOutcome PlaylistController::dropOnMainWindow(const std::vector<std::string>& items) {
    const DropOutcome outcome = addItems(items, false);
    if (!player_.isPlaying()) {
        startIfStopped(outcome);
    }
    return outcome;
}

DropOutcome PlaylistController::dropOnList(const std::vector<std::string>& items) {
    return addItems(items, true);
}

PlaylistRowCells PlaylistController::rowCells(int32_t row) const {
    PlaylistRowCells cells;
    if (row < 1 || row > rowCount()) {
        return cells;
    }
    cells.number = rowNumberText(row);
    if (const PlaylistEntry* entry = slot(row)) {
        cells.title = rowTitleText(*entry);
        cells.time = entry->timeText;
    }
    return cells;
}

uint32_t PlaylistController::rowColour(int32_t row, uint32_t listBackColour,
                                       uint32_t listForeColour) const {
    return listRowColour(row == state_.currentIndex, listBackColour, listForeColour);
}

} // namespace sorvel
