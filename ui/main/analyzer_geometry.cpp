#include "analyzer_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sorvel {

int spectrumColumnStep(int mode) {
    return mode > 0 ? 2 * mode : 1;
}

float spectrumBarHeight(float value, float maximum, int height) {
    if (maximum == 0.0f) {
        return 0.0f;
    }
    const float h = static_cast<float>(height);
    float y = value / maximum * h;
    if (y >= h) {
        y -= 1.0f;
    }
    if (y < 0.0f) {
        y = 0.0f;
    }
    if (y < h / 3.0f) {
        // Low bars are drawn three times as tall as their share of the maximum.
        y = value / (maximum / 3.0f) * h;
    }
    return y;
}

int spectrumBarRight(int column, int width, int mode) {
    const double half = mode / 2.0;
    if (width > 255) {
        return nearestInt(width / 255.0 + column + half);
    }
    return nearestInt(column + 1 + half);
}

std::vector<AnalyzerPaint> spectrumPass(std::span<const float> values, float& runningMaximum,
                                        PeakLevels& peaks, int width, int height, int mode,
                                        bool withPicture) {
    std::vector<AnalyzerPaint> paints;
    const int columns = std::min<int>(kAnalyzerColumns, static_cast<int>(values.size()));
    for (int i = 0; i < columns; ++i) {
        runningMaximum = std::max(runningMaximum, values[static_cast<size_t>(i)]);
    }
    const float h = static_cast<float>(height);
    for (int i = 0; i < columns; i += spectrumColumnStep(mode)) {
        const float y = spectrumBarHeight(values[static_cast<size_t>(i)], runningMaximum, height);
        const float top = h - y;
        const PixelRect bar{i, nearestInt(top), spectrumBarRight(i, width, mode), height};
        if (!withPicture) {
            paints.push_back({AnalyzerPaintKind::SpectrumBar, bar});
            continue;
        }
        float& peak = peaks[static_cast<size_t>(i)];
        if (peak > top) {
            peak = top; // a taller bar lifts the cap at once
        } else if (peak < h) {
            peak += 1.0f; // otherwise it sinks a pixel per pass
        }
        const int bottom = nearestInt(peak);
        const int right = nearestInt(i + 1 + mode / 2.0);
        paints.push_back({AnalyzerPaintKind::PeakCap, {i, bottom - (right - i), right, bottom}});
        paints.push_back({AnalyzerPaintKind::PictureBar, bar});
    }
    return paints;
}

std::vector<AnalyzerPaint> wavePass(std::span<const float> samples, int height) {
    std::vector<AnalyzerPaint> paints;
    const int count = std::min<int>(kWaveValues, static_cast<int>(samples.size()));
    paints.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float y =
            (samples[static_cast<size_t>(i)] + 1.0f) / 2.0f * static_cast<float>(height);
        paints.push_back(
            {AnalyzerPaintKind::WaveDot, {i, nearestInt(y), i + 1, nearestInt(y + 1.0f)}});
    }
    return paints;
}

int nextAnalyzerMode(int mode) {
    return mode >= 3 || mode < 0 ? 0 : mode + 1;
}

} // namespace sorvel
