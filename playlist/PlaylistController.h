// The playlist's operations, shared by the engine and the windows: adding entries (one by one,
// from the open dialog, from drops and folders), playlist files, removing, moving and clearing,
// choosing the next entry, and the rows the playlist window shows with their texts and colours.
// It works on the shared PlaylistState and reaches the player through PlaylistPlayer, so all of
// it runs and is tested without a window.
//
// Thread: the UI thread only.
#pragma once

#include "PlaylistPlayer.h"
#include "PlaylistSelection.h"
#include "PlaylistState.h"
#include "PlaylistView.h"
#include "WindowServices.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvel {

struct DropOutcome {
    int32_t firstSlot = 0;   // the slot of the first entry added
    int32_t added = 0;       // entries added (a playlist file replaces the list: its entries)
    bool listLoaded = false; // a playlist file among the items replaced the list
};

// The cells of one row of the list window.
struct PlaylistRowCells {
    std::string number; // "  7."
    std::string title;
    std::string time;
};

// The "No." cell: the number right-aligned in three characters, then ".".
std::string rowNumberText(int32_t number);
// The "Title" cell: title and artist; without a title the file name, or "Track - N" (counted
// from 1) for a CD track.
std::string rowTitleText(const PlaylistEntry& entry);
// The current entry's row is drawn in the complement of the list's background colour, every
// other row in the list's text colour. Colours are 0xBBGGRR.
uint32_t listRowColour(bool current, uint32_t listBackColour, uint32_t listForeColour);
// The filters of the playlist window's open dialog.
std::vector<FileFilter> playlistOpenFilters();

class PlaylistController {
public:
    // AddEntry's `sound` when the entry is to be opened here.
    static constexpr int64_t kOpenHere = -1;

    PlaylistController(PlaylistState& state, PlaylistPlayer& player, MessageBoxService& messageBox,
                       FileDialogService& fileDialog, PlaylistView& view);
    PlaylistController(const PlaylistController&) = delete;
    PlaylistController& operator=(const PlaylistController&) = delete;

    // The playlist window attaches itself while it is open; null goes back to no window.
    void setView(PlaylistView* view);
    // Random numbers in [0, 1) for random order; tests may pin them.
    void setRandomSource(std::function<double()> random01) { random01_ = std::move(random01); }

    // Stores slot `index` (0 = direct play) for `path`, reading its tags and length from `sound`
    // or, with kOpenHere and `openIt`, from the file opened here. 0 = stored and shown; -1 = an
    // unsupported zip or no length (stored, no row); -2 = not openable (nothing stored).
    int32_t AddEntry(int32_t index, int64_t sound, std::string path, bool openIt);

    // Choosing what plays.
    void SelectNextAfterEnd();
    // SelectNextAfterEnd in two steps, for a player that readies the next entry before the end:
    // the choice (a random draw is made here, once) and, at the end, carrying it out.
    NextAfterEnd chooseNextAfterEnd();
    void applyNextAfterEnd(const NextAfterEnd& next);
    void StepBack();
    void StepNext();
    void ToggleRandom();
    void CycleLoopMode();
    // The modes set from outside the window (the desktop's media controls).
    void setRandomMode(uint8_t mode);
    void setLoopMode(uint8_t mode);
    void PlayEntryAt(int32_t index);
    // The row colours follow the current entry.
    void showCurrentEntry();

    // Playlist files.
    void LoadPlaylistFile(std::string path);
    void SavePlaylistFile();
    // Writes the M3U file for the rows; false when it cannot be written (the old file stays).
    bool writePlaylistFile(const std::string& path);

    // The playlist window's operations. Rows count from 1; row N shows slot N and is numbered N.
    void addFiles();
    void remove(int32_t row);
    // Both answer the row selected afterwards (the same row when nothing moved).
    int32_t moveUp(int32_t row);
    int32_t moveDown(int32_t row);
    void clear();
    // The file the tag editor is to open for `row`: only a file whose extension is exactly
    // "mp3" (lower case) is taken; any other answers nothing after saying so. Nothing, silently,
    // for a row outside the list.
    std::optional<std::string> ID3FileSet(int32_t row);
    // The file's tags were rewritten: every row of `path` reads its title, artist and album
    // again, as adding the file would.
    void tagsChanged(const std::string& path);

    // Drops. Items go after the rows in the order given: a folder adds every file directly in it
    // (no sub-folders) in the order the file system lists them; an item that cannot be added
    // takes no slot, so the next one reuses it.
    DropOutcome addDroppedItems(const std::vector<std::string>& items);
    // The main window's drop: adds the items and, when nothing plays, starts playing. A player
    // that has never opened anything has no channel for the Play command to act on, so the
    // first entry added is then opened directly; so is the first entry of a dropped playlist
    // file, which is what the user means by dropping a list.
    DropOutcome dropOnMainWindow(const std::vector<std::string>& items);
    // A drop on the list itself: like addDroppedItems but only existing files and folders are
    // taken, and nothing starts.
    DropOutcome dropOnList(const std::vector<std::string>& items);

    // The rows as the window shows them.
    int32_t rowCount() const { return rowCount_; }
    PlaylistRowCells rowCells(int32_t row) const;
    uint32_t rowColour(int32_t row, uint32_t listBackColour, uint32_t listForeColour) const;

private:
    const PlaylistEntry* slot(int32_t index) const;
    DropOutcome addItems(const std::vector<std::string>& items, bool onlyExisting);
    void startIfStopped(const DropOutcome& outcome);
    void clearRows();

    PlaylistState& state_;
    PlaylistPlayer& player_;
    MessageBoxService& messageBox_;
    FileDialogService& fileDialog_;
    PlaylistView* view_;
    std::function<double()> random01_;
    // Rows of the list; row N shows slot N.
    int32_t rowCount_ = 0;
};

} // namespace sorvel
