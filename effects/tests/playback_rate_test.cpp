#include "PlaybackRate.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvel;

TEST(PlaybackRate, PitchRatioIsTwoStraightLines) {
    EXPECT_FLOAT_EQ(PitchRatio(-12), 0.5f);
    EXPECT_NEAR(PitchRatio(-1), 0.958333f, 1e-6);
    EXPECT_FLOAT_EQ(PitchRatio(-6), 0.75f);
    EXPECT_FLOAT_EQ(PitchRatio(0), 1.0f);
    EXPECT_NEAR(PitchRatio(1), 1.083333f, 1e-6);
    EXPECT_FLOAT_EQ(PitchRatio(6), 1.5f);
    EXPECT_FLOAT_EQ(PitchRatio(12), 2.0f);
}

TEST(PlaybackRate, SpeedRatioIsTheInverseTempoFactor) {
    EXPECT_FLOAT_EQ(SpeedRatio(-100), 2.0f);
    EXPECT_FLOAT_EQ(SpeedRatio(-50), 1.5f);
    EXPECT_FLOAT_EQ(SpeedRatio(-1), 1.01f);
    EXPECT_FLOAT_EQ(SpeedRatio(0), 1.0f);
    EXPECT_FLOAT_EQ(SpeedRatio(1), 0.995f);
    EXPECT_FLOAT_EQ(SpeedRatio(50), 0.75f);
    EXPECT_FLOAT_EQ(SpeedRatio(100), 0.5f);
    // Speed 100 on a 44100 Hz sound: the channel runs at 88200 Hz.
    EXPECT_FLOAT_EQ(44100.0f / SpeedRatio(100), 88200.0f);
}

TEST(PlaybackRate, FrequencyAndFftSizeFromTheSliders) {
    EXPECT_FLOAT_EQ(FrequencyForSlider(50, 44100), 66150.0f);
    EXPECT_FLOAT_EQ(FrequencyForSlider(0, 44100), 44100.0f);
    EXPECT_FLOAT_EQ(FrequencyForSlider(-100, 44100), 0.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(-2), 256.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(-1), 512.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(0), 1024.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(1), 2048.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(2), 4096.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(3), 0.0f);
    EXPECT_FLOAT_EQ(FftSizeForSlider(0.5f), 0.0f);
}

TEST(PlaybackRate, CaptionTexts) {
    EXPECT_EQ(PlaybackCaption(0, 3), "+3");
    EXPECT_EQ(PlaybackCaption(0, 0), "0");
    EXPECT_EQ(PlaybackCaption(0, -3), "-3");
    EXPECT_EQ(PlaybackCaption(1, 50), "5.0");
    EXPECT_EQ(PlaybackCaption(1, -100), "-10.0");
    EXPECT_EQ(PlaybackCaption(1, 0), "0.0");
    EXPECT_EQ(PlaybackCaption(2, 50), "50%");
    EXPECT_EQ(PlaybackCaption(2, -40), "-40%");
    EXPECT_EQ(PlaybackCaption(2, 0), "0%");
    EXPECT_EQ(PlaybackCaption(3, -2), "-2");
    EXPECT_EQ(PlaybackCaption(4, 1), "");
    EXPECT_EQ(PlaybackCaption(-1, 1), "");
}

} // namespace
