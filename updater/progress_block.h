// The updater's moving block (Shape2) on its track (Shape1), in twips.
#pragma once

namespace sorvel::updater {

inline constexpr int kBlockStepTwips = 10;
inline constexpr int kUpdaterTwipsPerPixel = 15;

// The block's next left edge: 10 twips on, back to the track's left edge once it has passed
// the track's end.
constexpr int nextBlockLeft(int left, int trackLeft, int trackWidth) {
    const int next = left + kBlockStepTwips;
    return next > trackLeft + trackWidth ? trackLeft : next;
}

} // namespace sorvel::updater
