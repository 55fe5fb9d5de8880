// The video window's arithmetic: zoom sizes, the full-screen picture, the sizing border, and the
// engine's volume and balance in mpv's terms.
#include "video_geometry.h"
#include "video_sound.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace sorvel;

namespace {

TEST(VideoGeometry, ZoomItemsScaleTheNativeSize) {
    const QSize native(320, 240);
    const std::pair<int, QSize> cases[] = {
        {0, {160, 120}}, {1, {320, 240}}, {2, {480, 360}}, {3, {640, 480}}, {7, {320, 240}},
    };
    for (const auto& [item, expected] : cases) {
        EXPECT_EQ(zoomedClientSize(native, item), expected) << item;
    }
    EXPECT_EQ(zoomedClientSize(QSize(175, 99), 2), QSize(263, 149)); // rounded
}

TEST(VideoGeometry, FullScreenScalesToTheScreenWidthAndCentresVertically) {
    EXPECT_EQ(fullScreenPicture(QSize(320, 240), QSize(1280, 800)), QRect(0, -80, 1280, 960));
    EXPECT_EQ(fullScreenPicture(QSize(640, 360), QSize(1280, 1024)), QRect(0, 152, 1280, 720));
    EXPECT_EQ(fullScreenPicture(QSize(), QSize(800, 600)), QRect(0, 0, 800, 600));
}

TEST(VideoGeometry, TheSizingBorderTakesTheEdgesItTouches) {
    const QSize size(320, 240);
    EXPECT_EQ(sizingEdgesAt({160, 120}, size, 4), Qt::Edges());
    EXPECT_EQ(sizingEdgesAt({0, 120}, size, 4), Qt::Edges(Qt::LeftEdge));
    EXPECT_EQ(sizingEdgesAt({319, 239}, size, 4), Qt::Edges(Qt::RightEdge | Qt::BottomEdge));
    EXPECT_EQ(sizingEdgesAt({3, 3}, size, 4), Qt::Edges(Qt::LeftEdge | Qt::TopEdge));
    EXPECT_EQ(sizingEdgesAt({4, 236}, size, 4), Qt::Edges(Qt::BottomEdge));
}

TEST(VideoSound, VolumeInHundredthsOfADecibelOnMpvsCubicScale) {
    const std::pair<int32_t, double> cases[] = {
        {0, 100.0},    {-6000, 10.0}, {-1250, 61.9}, {-7500, 5.62},
        {-10000, 0.0}, {-12000, 0.0}, {500, 100.0},
    };
    for (const auto& [level, percent] : cases) {
        EXPECT_NEAR(mpvVolume(level), percent, 0.01) << level;
        if (percent > 0.0) {
            // mpv's gain is the cube of the percentage.
            EXPECT_NEAR(60.0 * std::log10(mpvVolume(level) / 100.0), std::min(level, 0) / 100.0,
                        1e-9);
        }
    }
}

TEST(VideoSound, BalanceLowersTheOtherSide) {
    EXPECT_DOUBLE_EQ(balanceGains(0).left, 1.0);
    EXPECT_DOUBLE_EQ(balanceGains(0).right, 1.0);
    EXPECT_NEAR(balanceGains(2000).left, 0.1, 1e-12); // -20 dB
    EXPECT_DOUBLE_EQ(balanceGains(2000).right, 1.0);
    EXPECT_NEAR(balanceGains(-600).right, std::pow(10.0, -0.3), 1e-12);
    EXPECT_DOUBLE_EQ(balanceGains(-10000).right, 0.0);
    EXPECT_DOUBLE_EQ(balanceGains(20000).left, 0.0);

    EXPECT_EQ(mpvBalanceFilter(0), "");
    EXPECT_EQ(mpvBalanceFilter(10000),
              "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=0.000000*c0|c1=1.000000*c1]");
}

TEST(VideoSound, AudioOutputsFollowTheLibrarysChoice) {
    EXPECT_EQ(mpvAudioOutputs(VideoSoundOutput::Automatic), "pulse,alsa,null");
    EXPECT_EQ(mpvAudioOutputs(VideoSoundOutput::PulseAudio), "pulse,alsa,null");
    EXPECT_EQ(mpvAudioOutputs(VideoSoundOutput::Alsa), "alsa,null");
    EXPECT_EQ(mpvAudioOutputs(VideoSoundOutput::Jack), "jack,pulse,alsa,null");
    EXPECT_EQ(mpvAudioOutputs(VideoSoundOutput::None), "null");
}

} // namespace
