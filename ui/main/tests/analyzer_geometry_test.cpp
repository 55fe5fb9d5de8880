// The analyzer's bars, peak caps and wave dots.
#include "analyzer_geometry.h"

#include <gtest/gtest.h>
#include <vector>

using namespace sorvel;

namespace {

std::vector<float> flat(float value) {
    return std::vector<float>(kSpectrumValues, value);
}

std::vector<AnalyzerPaint> ofKind(const std::vector<AnalyzerPaint>& paints,
                                  AnalyzerPaintKind kind) {
    std::vector<AnalyzerPaint> chosen;
    for (const AnalyzerPaint& p : paints) {
        if (p.kind == kind) {
            chosen.push_back(p);
        }
    }
    return chosen;
}

// The bar drawn for column `column` when only that column has a value (the others 0).
PixelRect barFor(int column, float value, float maximum, int width, int height, int mode) {
    std::vector<float> values(kSpectrumValues, 0.0f);
    values[static_cast<size_t>(column)] = value;
    values[255] = maximum;
    float running = 0.0f;
    PeakLevels peaks{};
    for (const AnalyzerPaint& p :
         spectrumPass(values, running, peaks, width, height, mode, false)) {
        if (p.rect.left == column) {
            return p.rect;
        }
    }
    return {};
}

} // namespace

TEST(AnalyzerGeometry, DensityModesDrawEveryColumnEverySecondOrEveryFourth) {
    for (const auto& [mode, step, count] :
         std::vector<std::tuple<int, int, int>>{{0, 1, 256}, {1, 2, 128}, {2, 4, 64}}) {
        float running = 0.0f;
        PeakLevels peaks{};
        const auto bars = spectrumPass(flat(0.5f), running, peaks, 200, 24, mode, false);
        ASSERT_EQ(static_cast<int>(bars.size()), count) << "mode " << mode;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(bars[static_cast<size_t>(i)].rect.left, i * step);
        }
        EXPECT_EQ(bars.back().rect.left, 256 - step);
    }
}

TEST(AnalyzerGeometry, BarWidthGrowsWithTheAreaButColumnsStayOnePixelApart) {
    EXPECT_EQ(barFor(10, 1.0f, 1.0f, 200, 24, 0).left, 10);
    EXPECT_EQ(barFor(10, 1.0f, 1.0f, 200, 24, 0).right, 11); // pixel column 10 only
    EXPECT_EQ(barFor(10, 1.0f, 1.0f, 510, 24, 0).right, 12); // columns 10 and 11
    // Half a column more per mode step, rounded to even: mode 1 bars are two pixels wide.
    EXPECT_EQ(spectrumBarRight(0, 200, 1), 2);
    EXPECT_EQ(spectrumBarRight(2, 200, 1), 4);
    EXPECT_EQ(spectrumBarRight(4, 200, 2), 6);
}

TEST(AnalyzerGeometry, FullValueStopsOneRowBelowTheTopAndLowBarsAreTripled) {
    EXPECT_EQ(barFor(3, 1.0f, 1.0f, 200, 24, 0).top, 1);
    EXPECT_EQ(barFor(3, 1.0f, 1.0f, 200, 24, 0).bottom, 24);
    // H = 90 and 0.3 of the maximum: 27 is below 30, so 81 rows and the top at row 9.
    EXPECT_FLOAT_EQ(spectrumBarHeight(0.3f, 1.0f, 90), 81.0f);
    EXPECT_EQ(barFor(3, 0.3f, 1.0f, 200, 90, 0).top, 9);
    // Just under a third reaches almost the full height; just over a third is taken as is.
    EXPECT_NEAR(spectrumBarHeight(0.33f, 1.0f, 90), 89.1f, 0.01f);
    EXPECT_NEAR(spectrumBarHeight(0.34f, 1.0f, 90), 30.6f, 0.01f);
}

TEST(AnalyzerGeometry, SilenceDrawsNoBarAndDividesByNothing) {
    float running = 0.0f;
    PeakLevels peaks{};
    for (const AnalyzerPaint& p : spectrumPass(flat(0.0f), running, peaks, 200, 24, 0, false)) {
        EXPECT_EQ(p.rect.top, 24);
        EXPECT_EQ(p.rect.bottom, 24);
    }
    EXPECT_EQ(spectrumBarHeight(0.0f, 0.0f, 24), 0.0f);
}

TEST(AnalyzerGeometry, TheMaximumRunsOverAllChannelsOfOneDrawing) {
    float running = 0.0f;
    PeakLevels peaks{};
    spectrumPass(flat(1.0f), running, peaks, 200, 30, 0, false);
    // The second channel's 0.5 is measured against the first channel's 1.0: 15 rows.
    const auto second = spectrumPass(flat(0.5f), running, peaks, 200, 30, 0, false);
    EXPECT_EQ(running, 1.0f);
    EXPECT_EQ(second.front().rect.top, 15);
}

TEST(AnalyzerGeometry, PeakCapsJumpToTallerBarsAndOtherwiseSinkOneRowPerPass) {
    PeakLevels peaks{}; // all caps start at the top
    std::vector<float> values(kSpectrumValues, 0.0f);
    values[0] = 1.0f; // the maximum: top at row 1
    values[8] = 0.5f; // 12 rows of 24: top at row 12
    float running = 0.0f;
    auto paints = spectrumPass(values, running, peaks, 200, 24, 0, true);
    // Caps above their bars sink by one; the square cap rests on its row.
    EXPECT_EQ(peaks[8], 1.0f);
    const auto caps = ofKind(paints, AnalyzerPaintKind::PeakCap);
    ASSERT_EQ(caps.size(), 256u);
    EXPECT_EQ(caps[8].rect, (PixelRect{8, 0, 9, 1}));
    EXPECT_EQ(ofKind(paints, AnalyzerPaintKind::PictureBar)[8].rect, (PixelRect{8, 12, 9, 24}));

    // A cap below a taller bar jumps to the bar's top in the same pass.
    peaks[8] = 20.0f;
    running = 0.0f;
    spectrumPass(values, running, peaks, 200, 24, 0, true);
    EXPECT_EQ(peaks[8], 12.0f);

    // With no bar under it a cap sinks a row per pass and stops at the bottom row.
    values.assign(kSpectrumValues, 0.0f);
    values[0] = 1.0f;
    peaks[8] = 22.0f;
    for (int pass = 0; pass < 5; ++pass) {
        running = 0.0f;
        spectrumPass(values, running, peaks, 200, 24, 0, true);
    }
    EXPECT_EQ(peaks[8], 24.0f);
}

TEST(AnalyzerGeometry, WithoutABarPictureCapsAreNeitherDrawnNorMoved) {
    PeakLevels peaks{};
    peaks[4] = 7.0f;
    float running = 0.0f;
    const auto paints = spectrumPass(flat(0.2f), running, peaks, 200, 24, 0, false);
    EXPECT_TRUE(ofKind(paints, AnalyzerPaintKind::PeakCap).empty());
    EXPECT_EQ(ofKind(paints, AnalyzerPaintKind::SpectrumBar).size(), 256u);
    EXPECT_EQ(peaks[4], 7.0f);
    EXPECT_EQ(peaks[5], 0.0f);
}

TEST(AnalyzerGeometry, WaveDotsRunFromTheTopForMinusOneToTheBottomForPlusOne) {
    std::vector<float> samples(kWaveValues, 0.0f);
    samples[0] = -1.0f;
    samples[1] = 1.0f;
    samples[2] = 0.5f;
    const auto dots = wavePass(samples, 24);
    ASSERT_EQ(dots.size(), 256u);
    EXPECT_EQ(dots[0].rect, (PixelRect{0, 0, 1, 1}));
    EXPECT_EQ(dots[1].rect, (PixelRect{1, 24, 2, 25}));
    EXPECT_EQ(dots[2].rect, (PixelRect{2, 18, 3, 19}));
    EXPECT_EQ(dots[3].rect.top, 12);                  // silence: row Nearest(H / 2)
    EXPECT_EQ(wavePass(samples, 25)[3].rect.top, 12); // 12.5 rounds to even
}

TEST(AnalyzerGeometry, LeftClicksCycleTheFourModes) {
    int mode = 0;
    for (const int expected : {1, 2, 3, 0}) {
        mode = nextAnalyzerMode(mode);
        EXPECT_EQ(mode, expected);
    }
    EXPECT_EQ(nearestInt(2.5), 2);
    EXPECT_EQ(nearestInt(3.5), 4);
    EXPECT_EQ(nearestInt(-0.5), 0);
}
