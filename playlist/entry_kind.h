// What kind of media an entry string names, and how each kind is opened.
#pragma once

#include "soundlib.h"

#include <cstdint>
#include <string>

namespace sorvel {

// Mode bits of the sound library for each way an entry is opened.
inline constexpr FMOD_MODE kModeSoftware2D = FMOD_SOFTWARE | FMOD_2D;
inline constexpr FMOD_MODE kModeHardware2D = FMOD_HARDWARE | FMOD_2D;
inline constexpr FMOD_MODE kModeTracker =
    FMOD_ACCURATETIME | FMOD_SOFTWARE | FMOD_2D | FMOD_LOOP_OFF;
inline constexpr FMOD_MODE kModeCdDrive =
    FMOD_OPENONLY | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D;
inline constexpr FMOD_MODE kModeCdDriveChooser =
    FMOD_OPENONLY | FMOD_CREATESTREAM | FMOD_HARDWARE | FMOD_2D;
inline constexpr FMOD_MODE kModeNetStream =
    FMOD_NONBLOCKING | FMOD_CREATESTREAM | FMOD_SOFTWARE | FMOD_2D;

// The text after the last "." of the last path component, in lower case; "" when there is none.
std::string entryExtension(const std::string& entry);
bool isVideoExtension(const std::string& extension);
bool isTrackerExtension(const std::string& extension);
// An M3U or PLS file, by its extension in any case.
bool isPlaylistFile(const std::string& entry);
// "http://" or "ftp://", compared case-sensitively: "HTTP://" is taken for a local file.
bool isNetworkEntry(const std::string& entry);
// A CD track: "cd:" + drive (two characters) + the track index counted from 0.
bool isCdEntry(const std::string& entry);
// The track index of a CD entry; 0 when it has none or it is not a number.
int32_t cdTrackIndex(const std::string& entry);
// The last path component, after the last "/" or "\".
std::string fileNamePart(const std::string& entry);

} // namespace sorvel
