// The player's shared state: what the main window owns and every part of the player reads.
// Used on the UI thread only.
#pragma once

#include "PlaylistState.h"
#include "soundlib.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvel {

// The playlist part (storage, current entry, play modes, stopped flag) comes from PlaylistState.
struct PlayerState : PlaylistState {
    // Sound library handles (0 = none).
    FMOD_SYSTEM soundSystem = 0;
    FMOD_SOUND currentSound = 0;
    FMOD_CHANNEL currentChannel = 0;
    FMOD_SOUND cdDriveSound = 0;

    // The current media.
    uint32_t lengthMs = 0;
    int32_t positionMs = 0;
    std::string lengthText;
    std::string titleText;
    bool isNetStream = false;
    bool isVideo = false;
    bool cdMode = false;
    std::string netTagArtist;
    std::string netTagTitle;

    // Transport.
    bool commandInProgress = false;
    bool buttonHeld = false;
    int32_t volumeLevel = 5; // 0..10; the library volume is a tenth of it
    int32_t panPosition = 0; // -10..10
    // Loudness levelling: "-ReplayGain" (0 off, 1 track gain, 2 album gain) and "-PreAmp"
    // (whole decibels added to every known gain).
    int32_t replayGainMode = 0;
    int32_t preAmpDb = 0;
    int32_t seekStepTotal = 0;
    int32_t refreshIntervalMs = 80;
    // "-Gapless": a local audio file follows the one before it without a gap.
    bool gaplessPlayback = true;
    std::array<int32_t, 31> optionValues{};

    // Seek bar: its length, and the drag in progress.
    uint32_t seekBarLengthMs = 0;
    bool seekDragging = false;
    int32_t seekDragTargetMs = 0;

    // Where the player writes (settings aside): presets, user skins, captures. An installed
    // player reads its shipped skins from `shippedFolder` (empty: the program folder holds them).
    std::filesystem::path programFolder;
    std::filesystem::path shippedFolder;
    // Where sorvel_Settings.ini lies when not in the program folder (an installed player).
    std::filesystem::path settingsFolder;
    std::string skinFilePath;
};

} // namespace sorvel
