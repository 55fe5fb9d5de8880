// A disc's table of contents turned into the audio tracks the library plays.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace soundlib {

struct TocTrack {
    int number = 0;
    int32_t start = 0; // first sector (LSN)
    bool audio = true;
};

struct CdTrackSpan {
    int number = 0;
    int32_t start = 0;
    uint32_t sectors = 0;
};

// CD audio: 588 frames of 16-bit stereo at 44100 Hz in each 2352-byte sector.
constexpr uint32_t kCdFramesPerSector = 588;
constexpr int kCdSampleRate = 44100;
// Between the audio session of an Enhanced CD and its data session.
constexpr uint32_t kCdSessionGapSectors = 11400;

// The audio tracks of a disc in track order, each running to the next track (or the lead-out
// at `leadout`). An audio track followed by a data track loses the gap between sessions. Tracks
// with no sectors are left out.
std::vector<CdTrackSpan> audioTrackSpans(std::span<const TocTrack> tracks, int32_t leadout);

} // namespace soundlib
