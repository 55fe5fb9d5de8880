#include "CdChooserModel.h"

#include "entry_kind.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace sorvel {
namespace {

constexpr int kNameBufferSize = 255;

std::string withoutZeros(std::string_view text) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept), [](char c) { return c != 0; });
    return kept;
}

// Drive letters as the sound library gives them: D:, E:, ... in device order.
std::vector<std::string> systemCdDriveItems() {
    std::ifstream in("/proc/sys/dev/cdrom/info");
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> items;
    const int count = std::min(cdromInfoDriveCount(text.str()), 'Z' - 'D' + 1);
    for (int i = 0; i < count; ++i) {
        items.push_back(std::string(1, static_cast<char>('D' + i)) + ":");
    }
    return items;
}

} // namespace

std::string driveItemText(std::string_view driveName, std::string_view deviceName) {
    return withoutZeros(driveName) + withoutZeros(deviceName);
}

std::string trackRowText(int number) {
    char row[64];
    std::snprintf(row, sizeof row, "%02d - Track%02d\t", number, number);
    return row;
}

std::string cdEntryString(std::string_view drive, int row) {
    return "cd:" + std::string(drive) + std::to_string(row);
}

int cdromInfoDriveCount(std::string_view info) {
    constexpr std::string_view key = "drive name:";
    const size_t at = info.find(key);
    if (at == std::string_view::npos) {
        return 0;
    }
    std::istringstream names(
        std::string(info.substr(at + key.size(), info.find('\n', at) - at - key.size())));
    int count = 0;
    for (std::string name; names >> name;) {
        ++count;
    }
    return count;
}

CdChooserModel::CdChooserModel(CdChooserOwners owners) : owners_(std::move(owners)) {}

CdChooserModel::~CdChooserModel() {
    releaseDisc();
}

void CdChooserModel::open() {
    driveItems_.clear();
    selected_ = -1;
    drive_.clear();
    trackCount_ = 0;
    const FMOD_SYSTEM system = owners_.state->soundSystem;
    int count = 0;
    if (FMOD_System_GetNumCDROMDrives(system, &count) != FMOD_OK) {
        driveItems_ = systemCdDriveItems();
    } else {
        for (int drive = 0; drive < count; ++drive) {
            std::string name(kNameBufferSize, '\0');
            std::string scsi(kNameBufferSize, '\0');
            std::string device(kNameBufferSize, '\0');
            FMOD_System_GetCDROMDriveName(system, drive, name.data(), kNameBufferSize, scsi.data(),
                                          kNameBufferSize, device.data(), kNameBufferSize);
            driveItems_.push_back(driveItemText(name, device));
        }
    }
    for (int item = 0; item < static_cast<int>(driveItems_.size()); ++item) {
        selectDrive(item);
        if (trackCount_ > 0) {
            return;
        }
    }
    if (!driveItems_.empty()) {
        selectDrive(0);
    }
}

void CdChooserModel::close() {
    releaseDisc();
}

void CdChooserModel::releaseDisc() {
    if (disc_ != 0) {
        FMOD_Sound_Release(disc_);
        disc_ = 0;
    }
}

void CdChooserModel::selectDrive(int item) {
    if (item < 0 || item >= static_cast<int>(driveItems_.size())) {
        return;
    }
    selected_ = item;
    drive_ = driveItems_[static_cast<size_t>(item)].substr(0, 2);
    releaseDisc();
    trackCount_ = 0;
    if (owners_.player->CreateSoundFile(owners_.state->soundSystem, drive_, kModeCdDriveChooser,
                                        &disc_) != FMOD_OK) {
        disc_ = 0;
        return;
    }
    int tracks = 0;
    if (FMOD_Sound_GetNumSubSounds(disc_, &tracks) == FMOD_OK) {
        trackCount_ = tracks;
    }
}

std::vector<std::string> CdChooserModel::trackRows() const {
    std::vector<std::string> rows;
    for (int number = 1; number <= trackCount_; ++number) {
        rows.push_back(trackRowText(number));
    }
    return rows;
}

void CdChooserModel::playTrack(int row) {
    if (drive_.empty() || row < 0 || row >= trackCount_) {
        return;
    }
    owners_.player->OpenMedia(cdEntryString(drive_, row));
}

void CdChooserModel::eject() {
    if (owners_.state->cdMode) {
        owners_.messageBox->show(std::string(kCdPlayingText), "Sorvel", MessageButtons::Ok,
                                 MessageIcon::None);
        return;
    }
    releaseDisc();
    owners_.player->releaseStoppedDisc();
    if (drive_.empty()) {
        return;
    }
    // A drive without a tray (a disc image) answers so; the user needs no word of it.
    FMOD_System_EjectCDROMDrive(owners_.state->soundSystem, (drive_.substr(0, 1) + ":").c_str());
}

void CdChooserModel::appendToPlaylist(const std::vector<int>& rows) {
    PlaylistController& playlist = owners_.player->playlist();
    int32_t slot = playlist.rowCount() + 1;
    for (const int row : rows) {
        if (!drive_.empty() && playlist.AddEntry(slot, PlaylistController::kOpenHere,
                                                 cdEntryString(drive_, row), true) == 0) {
            ++slot;
        }
    }
    if (owners_.showPlaylistWindow) {
        owners_.showPlaylistWindow();
    }
}

void CdChooserModel::clearPlaylist() {
    owners_.player->playlist().clear();
    if (owners_.showPlaylistWindow) {
        owners_.showPlaylistWindow();
    }
}

} // namespace sorvel
