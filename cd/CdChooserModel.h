// The CD chooser CDList without its widgets: the drive list, the tracks of the disc in the
// chosen drive, and what the seven buttons and a double click do with them (play a track at
// once, append tracks to the playlist, clear it, open the tray). Drives and discs come from the
// sound library, which lists the disc images named in SORVEL_CD_IMAGES after the real drives.
// UI thread only.
#pragma once

#include "Player.h"
#include "PlayerState.h"
#include "WindowServices.h"
#include "soundlib.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// A drive list item: the drive name followed by the device name, zero bytes removed from both.
std::string driveItemText(std::string_view driveName, std::string_view deviceName);
// Track `number` (from 1) as the list shows it: "03 - Track03" and a tab.
std::string trackRowText(int number);
// The playlist entry for the track at `row` (from 0) of `drive`: "cd:E:2".
std::string cdEntryString(std::string_view drive, int row);
// How many CD-ROM drives /proc/sys/dev/cdrom/info's text names on its "drive name:" line.
int cdromInfoDriveCount(std::string_view info);

// What "取り出し" says while a CD track is the current media.
inline constexpr std::string_view kCdPlayingText =
    "AudioCDは現在再生中です。一度停止してから取り出してください。";

struct CdChooserOwners {
    PlayerState* state = nullptr;
    Player* player = nullptr;
    MessageBoxService* messageBox = nullptr;
    std::function<void()> showPlaylistWindow;
};

class CdChooserModel {
public:
    explicit CdChooserModel(CdChooserOwners owners);
    ~CdChooserModel();
    CdChooserModel(const CdChooserModel&) = delete;
    CdChooserModel& operator=(const CdChooserModel&) = delete;

    // Lists the drives (the system's CD-ROM drives, named from D:, when the sound library
    // cannot say) and selects the first one whose disc has tracks, else the first one.
    void open();
    // The window closes: the listed disc is let go.
    void close();

    const std::vector<std::string>& driveItems() const { return driveItems_; }
    int selectedDrive() const { return selected_; }
    // Lists the tracks of item `item`'s disc. The disc listed before is let go first, so
    // switching drives neither leaks a sound nor keeps the old drive busy. No disc, or one
    // without audio, lists nothing and says nothing.
    void selectDrive(int item);
    // The selected drive's name ("E:"); "" when none is selected.
    const std::string& drive() const { return drive_; }
    int trackCount() const { return trackCount_; }
    std::vector<std::string> trackRows() const;
    // The disc opened for the list (0 when none).
    FMOD_SOUND listedDisc() const { return disc_; }

    // Double click: plays the track at `row` (from 0) at once; the playlist stays as it is.
    void playTrack(int row);
    // "取り出し": refused while a CD track is the current media; otherwise the listed disc and a
    // stopped CD track's disc are let go and the drive's tray opens. The library's answer for
    // a drive without a tray (a disc image) is not reported.
    void eject();
    // "プレイリストに追加": the rows (from 0, in list order) go after the playlist's last row,
    // each taking the next slot only when it could be added; then the playlist window shows.
    void appendToPlaylist(const std::vector<int>& rows);
    // "プレイリスト全消去": empties the playlist and shows its window.
    void clearPlaylist();

private:
    void releaseDisc();

    CdChooserOwners owners_;
    std::vector<std::string> driveItems_;
    int selected_ = -1;
    std::string drive_;
    int trackCount_ = 0;
    FMOD_SOUND disc_ = 0;
};

} // namespace sorvel
