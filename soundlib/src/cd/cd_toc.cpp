#include "cd_toc.h"

namespace soundlib {

std::vector<CdTrackSpan> audioTrackSpans(std::span<const TocTrack> tracks, int32_t leadout) {
    std::vector<CdTrackSpan> spans;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].audio) {
            continue;
        }
        const bool last = i + 1 == tracks.size();
        int64_t end = last ? leadout : tracks[i + 1].start;
        if (!last && !tracks[i + 1].audio && end - tracks[i].start > kCdSessionGapSectors) {
            end -= kCdSessionGapSectors;
        }
        if (end > tracks[i].start) {
            spans.push_back(
                {tracks[i].number, tracks[i].start, static_cast<uint32_t>(end - tracks[i].start)});
        }
    }
    return spans;
}

} // namespace soundlib
