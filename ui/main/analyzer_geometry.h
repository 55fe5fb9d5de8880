// The analyzer's drawing as plain arithmetic: which rectangles a spectrum or oscilloscope pass
// paints, so that the geometry is tested without the sound library or a window. The analyzer
// box only carries out the list of paints.
#pragma once

#include "twips.h"

#include <array>
#include <span>
#include <vector>

namespace sorvel {

// Spectrum columns and peak caps are kept for the lower 256 of the 512 spectrum values.
inline constexpr int kAnalyzerColumns = 256;
inline constexpr int kSpectrumValues = 512;
inline constexpr int kWaveValues = 256;

// Left, top, right, bottom in pixels of the analyzer box; right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

enum class AnalyzerPaintKind {
    SpectrumBar, // filled with the skin's spectrum colour (no bar picture)
    PeakCap,     // filled white
    PictureBar,  // copied from the bar picture at the same coordinates
    WaveDot,     // filled with the skin's wave colour
};

struct AnalyzerPaint {
    AnalyzerPaintKind kind;
    PixelRect rect;
    bool operator==(const AnalyzerPaint&) const = default;
};

// Peak cap rows per spectrum column: 0 is the top of the box, larger is lower.
using PeakLevels = std::array<float, kAnalyzerColumns>;

// Spectrum columns drawn for analyzer mode K (0, 1 or 2): every column for 0, else every 2K-th.
int spectrumColumnStep(int mode);

// The bar's height y for one value against the running maximum, in pixels of a box H high:
// value / maximum * H, one less when it reaches H, and tripled (value / (maximum / 3) * H) when
// below a third of H. 0 when the maximum is 0.
float spectrumBarHeight(float value, float maximum, int height);

// Right edge of column i's bar: W / 255 + i + K / 2 for areas wider than 255, else i + 1 + K / 2.
int spectrumBarRight(int column, int width, int mode);

// One output channel's spectrum pass. `values` holds at least 256 values; `runningMaximum`
// carries the largest value seen over the channels of one drawing (start it at 0). With a bar
// picture, caps are moved in `peaks` and painted; without, `peaks` is left alone.
std::vector<AnalyzerPaint> spectrumPass(std::span<const float> values, float& runningMaximum,
                                        PeakLevels& peaks, int width, int height, int mode,
                                        bool withPicture);

// One output channel's oscilloscope pass: a dot per sample at column i, row Nearest((s + 1) / 2
// * H), so -1.0 lies on the top row.
std::vector<AnalyzerPaint> wavePass(std::span<const float> samples, int height);

// Left clicks on the analyzer step the mode 0 -> 1 -> 2 -> 3 -> 0.
int nextAnalyzerMode(int mode);

} // namespace sorvel
