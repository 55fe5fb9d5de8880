// The device part of the settings file, and whether this instance runs at all.
#pragma once

#include "clsAudioDeviceSettings.h"

#include <cstdint>
#include <filesystem>

namespace sorvel {

struct PlayerState;

// The settings file in the program folder.
std::filesystem::path SettingsFilePath(const std::filesystem::path& programFolder);
// A running player's settings file: in its settings folder, which is the program folder unless
// the player is installed.
std::filesystem::path SettingsFilePath(const PlayerState& state);

// Reads the [Etc] device keys into `device` and the display timer period into
// `refreshIntervalMs`; a missing file or key gives the defaults (44100 Hz, 16-bit, stereo,
// linear resampling, middle priority, software MIDI, 80 ms).
void LoadDeviceSettings(const std::filesystem::path& settingsFile, clsAudioDeviceSettings& device,
                        int32_t& refreshIntervalMs);

enum class LoadDecision {
    HandOverCommandLine,   // another instance runs: give it the file and end
    Start,                 // run normally
    StartAfterDeviceReset, // the other instance is closing for a device change: run
    EndSilently,           // a second plain start: end at once
};

// Decides from the command line, a running instance and the "-AudioDeviceReset" value.
LoadDecision DecideLoad(bool hasCommandLine, bool otherInstanceRunning, int32_t audioDeviceReset);

// The start-up check on the settings file: reads "-AudioDeviceReset" when it matters.
LoadDecision DecideLoadFromSettings(bool hasCommandLine, bool otherInstanceRunning,
                                    const std::filesystem::path& settingsFile);

// Run as soon as this instance has decided to run: a set "-AudioDeviceReset" goes back to "0",
// whether the instance that set it was still seen running or had already closed, so that a
// plain second start during this session ends at once. A missing file or key, or "0", is left
// as it is.
void ClearAudioDeviceReset(const std::filesystem::path& settingsFile);

// The whole factor the windows are drawn at, from "-Zoom" in [Etc] (1, 2 or 3); 0 when the key
// is missing or holds anything else, leaving the factor to the screen's scale.
int ReadZoom(const std::filesystem::path& settingsFile);

} // namespace sorvel
