#include "cd_image.h"

#include "test_media.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <vector>

namespace cdtest {

int16_t toneSample(const ToneTrack& track, uint64_t frame) {
    return static_cast<int16_t>(
        std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * track.frequency *
                                       static_cast<double>(frame) / 44100.0)));
}

namespace {

// Sector count as the CUE's mm:ss:ff.
std::string msf(uint32_t sector) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", sector / (75 * 60), sector / 75 % 60,
                  sector % 75);
    return text;
}

} // namespace

// Writes disc.bin (raw CD frames: 16-bit little-endian stereo, right = -left) and disc.cue
// with CD-Text titles; returns the CUE's path.
std::filesystem::path makeDiscImage(const std::string& name) {
    const auto dir = testmedia::mediaDir();
    std::ofstream bin(dir / (name + ".bin"), std::ios::binary);
    std::string cue =
        "TITLE \"Test Disc\"\nPERFORMER \"Disc Artist\"\nFILE \"" + name + ".bin\" BINARY\n";
    uint32_t start = 0;
    int number = 1;
    for (const ToneTrack& track : kTracks) {
        for (uint64_t i = 0; i < uint64_t{track.sectors} * kFramesPerSector; ++i) {
            const int16_t value = toneSample(track, i);
            const int16_t frame[2] = {value, static_cast<int16_t>(-value)};
            bin.write(reinterpret_cast<const char*>(frame), sizeof frame);
        }
        char header[64];
        std::snprintf(header, sizeof header, "  TRACK %02d AUDIO\n", number);
        cue += header;
        cue += "    TITLE \"Song " + std::to_string(number) + "\"\n";
        cue += "    PERFORMER \"Singer " + std::to_string(number) + "\"\n";
        cue += "    INDEX 01 " + msf(start) + "\n";
        start += track.sectors;
        ++number;
    }
    const auto cuePath = dir / (name + ".cue");
    std::ofstream(cuePath) << cue;
    return cuePath;
}

std::filesystem::path makeDataDiscImage(const std::string& name) {
    // An ISO 9660 image has its volume descriptors from sector 16 on.
    std::vector<char> image(2048 * 20, 0);
    const char primary[] = "\x01"
                           "CD001"
                           "\x01";
    std::copy(primary, primary + 7, image.begin() + 16 * 2048);
    const char terminator[] = "\xff"
                              "CD001"
                              "\x01";
    std::copy(terminator, terminator + 7, image.begin() + 17 * 2048);
    const auto path = testmedia::mediaDir() / (name + ".iso");
    std::ofstream(path, std::ios::binary).write(image.data(), static_cast<long>(image.size()));
    return path;
}

ImageDrives::ImageDrives(const std::string& list) {
    const char* old = std::getenv("SORVEL_CD_IMAGES");
    had_ = old != nullptr;
    old_ = had_ ? old : "";
    setenv("SORVEL_CD_IMAGES", list.c_str(), 1);
}

ImageDrives::~ImageDrives() {
    if (had_) {
        setenv("SORVEL_CD_IMAGES", old_.c_str(), 1);
    } else {
        unsetenv("SORVEL_CD_IMAGES");
    }
}

} // namespace cdtest
