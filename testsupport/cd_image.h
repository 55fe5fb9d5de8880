// CD images made at test time (CUE/BIN with three tone tracks and CD-Text, and a data disc),
// and the variable that adds images as drives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace cdtest {

constexpr uint32_t kFramesPerSector = 588;

struct ToneTrack {
    double frequency;
    uint32_t sectors;
};
inline constexpr ToneTrack kTracks[] = {{440.0, 150}, {660.0, 113}, {880.0, 75}};

int16_t toneSample(const ToneTrack& track, uint64_t frame);

// Writes NAME.bin (raw CD frames: 16-bit little-endian stereo, right = -left) and NAME.cue with
// CD-Text titles ("Song N" by "Singer N") into the test media folder; returns the CUE's path.
std::filesystem::path makeDiscImage(const std::string& name);

// Writes NAME.iso, a data disc (an ISO 9660 volume descriptor and nothing else) without audio
// tracks, into the test media folder; returns its path.
std::filesystem::path makeDataDiscImage(const std::string& name);

// Sets SORVEL_CD_IMAGES for the life of the object.
class ImageDrives {
public:
    explicit ImageDrives(const std::string& list);
    ~ImageDrives();
    ImageDrives(const ImageDrives&) = delete;
    ImageDrives& operator=(const ImageDrives&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

} // namespace cdtest
