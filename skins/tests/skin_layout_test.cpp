#include "skin_layout.h"

#include <gtest/gtest.h>
#include <limits>

using namespace sorvel;

namespace {

SkinDescription::Slider horizontal(int start, int end, int minimum, int maximum) {
    SkinDescription::Slider s;
    s.barX = start;
    s.barY = 7;
    s.barAreaX = start;
    s.barAreaX2 = end;
    s.barMin = minimum;
    s.barMax = maximum;
    return s;
}

SkinDescription::Slider vertical(int start, int end, int minimum, int maximum) {
    SkinDescription::Slider s;
    s.barVector = 1;
    s.barX = 3;
    s.barY = start;
    s.barAreaY = start;
    s.barAreaY2 = end;
    s.barMin = minimum;
    s.barMax = maximum;
    return s;
}

} // namespace

TEST(SkinVolume, LevelZeroBecomesFiveAtApplication) {
    EXPECT_EQ(volumeLevelForSkin(0), 5);
    EXPECT_EQ(volumeLevelForSkin(5), 5);
    EXPECT_EQ(volumeLevelForSkin(3), 3);
    EXPECT_EQ(volumeLevelForSkin(10), 10);
    EXPECT_EQ(volumeLevelForSkin(-1), -1);
}

TEST(SkinKnobPlacement, VolumeKnobFollowsTheValue) {
    const auto h = horizontal(100, 200, 0, 10);
    EXPECT_EQ(volumeKnobPosition(h, 0), QPoint(100, 7));
    EXPECT_EQ(volumeKnobPosition(h, 3), QPoint(130, 7));
    EXPECT_EQ(volumeKnobPosition(h, 10), QPoint(200, 7));
    // Vertical sliders are loudest at the top.
    const auto v = vertical(20, 70, 0, 10);
    EXPECT_EQ(volumeKnobPosition(v, 10), QPoint(3, 20));
    EXPECT_EQ(volumeKnobPosition(v, 5), QPoint(3, 45));
    EXPECT_EQ(volumeKnobPosition(v, 0), QPoint(3, 70));
    // No range: the knob stays where the skin put it.
    EXPECT_EQ(volumeKnobPosition(horizontal(100, 200, 0, 0), 5), QPoint(100, 7));
}

TEST(SkinKnobPlacement, PanKnobSpansMinusTenToTen) {
    for (const auto& s : {horizontal(10, 50, -10, 10), horizontal(10, 50, 0, 20)}) {
        EXPECT_EQ(panKnobPosition(s, -10), QPoint(10, 7));
        EXPECT_EQ(panKnobPosition(s, 0), QPoint(30, 7));
        EXPECT_EQ(panKnobPosition(s, 5), QPoint(40, 7));
        EXPECT_EQ(panKnobPosition(s, 10), QPoint(50, 7));
    }
    const auto v = vertical(10, 50, -10, 10);
    EXPECT_EQ(panKnobPosition(v, 10), QPoint(3, 10));
    EXPECT_EQ(panKnobPosition(v, -10), QPoint(3, 50));
    EXPECT_EQ(panKnobPosition(horizontal(10, 50, 5, 5), 3), QPoint(10, 7));
}

TEST(SkinKnobPlacement, TrackKnobFollowsThePlayingPosition) {
    auto s = horizontal(10, 210, 0, 100);
    s.barX = 12; // the knob's start and its area's start may differ
    EXPECT_EQ(trackKnobPosition(s, 500, 1000), QPoint(110, 7));
    EXPECT_EQ(trackKnobPosition(s, 0, 1000), QPoint(10, 7));
    EXPECT_EQ(trackKnobPosition(s, 1000, 1000), QPoint(210, 7));
    EXPECT_EQ(trackKnobPosition(s, 500, 0), QPoint(12, 7));
    // Hours of milliseconds do not overflow.
    EXPECT_EQ(trackKnobPosition(s, 3.6e9, 7.2e9), QPoint(110, 7));
}

TEST(SkinKnobDrag, VolumeKnobMovesInsideItsAreaAndSetsTheLevel) {
    const auto s = horizontal(100, 200, 0, 10);
    EXPECT_EQ(dragVolumeKnob(s, 150, 13, 3, 5, false), (KnobMove{true, 160, 6}));
    EXPECT_EQ(dragVolumeKnob(s, 150, -47, 3, 5, false), (KnobMove{true, 100, 0}));
    // Outside the area nothing moves and the level stays.
    EXPECT_EQ(dragVolumeKnob(s, 150, 60, 3, 5, false), (KnobMove{false, 150, 5}));
    EXPECT_EQ(dragVolumeKnob(s, 150, -60, 3, 5, true), (KnobMove{false, 150, 5}));
    // Ties round to even, as the Windows player's conversion did.
    EXPECT_EQ(dragVolumeKnob(s, 100, 15, 0, 5, false).value, 2);
    EXPECT_EQ(dragVolumeKnob(s, 100, 25, 0, 5, false).value, 2);
    EXPECT_EQ(dragVolumeKnob(s, 100, 35, 0, 5, false).value, 4);
}

TEST(SkinKnobDrag, VolumeOutsideTheBoundsSnapsTheKnobToAnEnd) {
    const auto s = horizontal(100, 200, 2, 8);
    // While moving the bounds are the slider's own.
    EXPECT_EQ(dragVolumeKnob(s, 150, 0, 0, 9, false), (KnobMove{true, 200, 8}));
    EXPECT_EQ(dragVolumeKnob(s, 150, 0, 0, 1, false), (KnobMove{true, 100, 0}));
    // On release they are 0 and 10.
    EXPECT_EQ(dragVolumeKnob(s, 150, 0, 0, 9, true), (KnobMove{true, 150, 4}));
    EXPECT_EQ(dragVolumeKnob(s, 150, 0, 0, 11, true), (KnobMove{true, 200, 8}));
}

TEST(SkinKnobDrag, VerticalVolumeIsLoudestAtTheTop) {
    const auto s = vertical(20, 70, 0, 10);
    EXPECT_EQ(dragVolumeKnob(s, 45, 0, 0, 5, false), (KnobMove{true, 45, 5}));
    EXPECT_EQ(dragVolumeKnob(s, 45, -25, 0, 5, false), (KnobMove{true, 20, 10}));
    EXPECT_EQ(dragVolumeKnob(s, 45, 25, 0, 5, true), (KnobMove{true, 70, 0}));
    EXPECT_EQ(dragVolumeKnob(s, 45, 0, 0, 11, true), (KnobMove{true, 20, 10}));
}

TEST(SkinKnobDrag, PanReleaseGivesMinusTenToTen) {
    const auto s = horizontal(10, 50, -10, 10);
    EXPECT_EQ(dragPanKnob(s, 30, 0, 0, 0, true), (KnobMove{true, 30, 0}));
    EXPECT_EQ(dragPanKnob(s, 30, -20, 0, 0, true), (KnobMove{true, 10, -10}));
    EXPECT_EQ(dragPanKnob(s, 30, 20, 0, 0, true), (KnobMove{true, 50, 10}));
    EXPECT_EQ(dragPanKnob(s, 30, 21, 0, 0, true), (KnobMove{false, 30, 0}));
    EXPECT_EQ(dragPanKnob(s, 30, 0, 0, 12, true), (KnobMove{true, 50, 10}));
    const auto v = vertical(10, 50, -10, 10);
    EXPECT_EQ(dragPanKnob(v, 30, -20, 0, 0, true), (KnobMove{true, 10, 10}));
    EXPECT_EQ(dragPanKnob(v, 30, 20, 0, 0, false), (KnobMove{true, 50, -10}));
}

TEST(SkinKnobDrag, TrackKnobGivesTheSeekTarget) {
    const auto s = horizontal(10, 210, 0, 100);
    EXPECT_EQ(dragTrackKnob(s, 10, 100, 0, 240000), (KnobMove{true, 110, 120000}));
    EXPECT_EQ(dragTrackKnob(s, 200, 20, 0, 240000), (KnobMove{false, 200, 228000}));
    EXPECT_EQ(dragTrackKnob(horizontal(10, 10, 0, 100), 10, 0, 0, 240000), (KnobMove{true, 10, 0}));
}

TEST(SkinKnobDrag, VolumeToolTipIsTwentyPercentPerStep) {
    EXPECT_EQ(volumeToolTip(5), "100%");
    EXPECT_EQ(volumeToolTip(0), "0%");
    EXPECT_EQ(volumeToolTip(10), "200%");
}

TEST(SkinSliders, StatesCopyTheSkinAndThePlayer) {
    SkinDescription d;
    d.volumeSlider = horizontal(1, 2, 3, 4);
    d.trackSlider = horizontal(5, 6, 0, 100);
    EXPECT_EQ(volumeSliderState(d, 0), (SliderState{4, 5, 3, 1, 0, 2, 0, false}));
    EXPECT_EQ(volumeSliderState(d, 7).value, 7);
    EXPECT_EQ(trackSliderState(d, false, 5000).maximum, 100);
    EXPECT_EQ(trackSliderState(d, true, 5000).maximum, 5000);
    EXPECT_EQ(trackSliderState(d, true, 5000).value, 0);
}

TEST(SkinButtons, StateFollowsRandomLoopAndHeld) {
    EXPECT_EQ(mainButtonState(10, true, 0, false), 1);
    EXPECT_EQ(mainButtonState(10, false, 0, false), 0);
    EXPECT_EQ(mainButtonState(11, false, 1, false), 1);
    EXPECT_EQ(mainButtonState(11, false, 2, false), 2);
    EXPECT_EQ(mainButtonState(11, false, 7, false), 0);
    EXPECT_EQ(mainButtonState(2, true, 2, false), 0);
    EXPECT_EQ(mainButtonState(2, false, 0, true), 1);
}

TEST(SkinMainLayout, ApplicationPlacesEveryControl) {
    SkinDescription d;
    d.mainWidth = 400;
    d.mainHeight = 150;
    d.buttons[2] = {50, 60};
    d.volumeSlider = horizontal(100, 200, 0, 10);
    d.panSlider = horizontal(10, 50, -10, 10);
    d.trackSlider = horizontal(20, 300, 0, 100);
    d.spectrumAreaX = 5;
    d.spectrumAreaY = 6;
    d.spectrumAreaWidth = 70;
    d.spectrumAreaHeight = 30;
    d.fileTxtArea = -1;
    SkinPictures none;
    SkinPlayerState player;
    player.volumeLevel = 0;
    player.panPosition = 5;
    const MainWindowLayout layout = mainWindowLayout(d, none, player);
    EXPECT_EQ(layout.clientSize, QSize(400, 150));
    EXPECT_EQ(layout.volumeLevel, 5);
    EXPECT_EQ(layout.volumeKnob, QPoint(150, 7));
    EXPECT_EQ(layout.panKnob, QPoint(40, 7));
    EXPECT_EQ(layout.trackKnob, QPoint(20, 7));
    EXPECT_EQ(layout.trackSlider.maximum, 100);
    EXPECT_EQ(layout.spectrumArea, QRect(5, 6, 70, 30));
    EXPECT_TRUE(layout.fileTextVisible);
    EXPECT_EQ(layout.buttons[2].number, 2);
    EXPECT_EQ(layout.buttons[2].position, QPoint(50, 60));
    // Without pictures no button shows.
    for (const auto& button : layout.buttons) {
        EXPECT_FALSE(button.visible);
    }
}

TEST(SkinPlaylistLayout, MagnetModePlacesThePlaylistRelativeToTheMainWindow) {
    SkinDescription d;
    d.playListMain.magnetMode = 1;
    d.playListMain.mainX = 0;
    d.playListMain.mainY = -120;
    const PlaylistWindowLayout layout = playlistWindowLayout(d, QPoint(300, 200));
    EXPECT_EQ(layout.topLeft, QPoint(300, 320));
    EXPECT_TRUE(layout.followsMain);
    EXPECT_TRUE(layout.bringToFront);
    d.playListMain.magnetMode = 0;
    d.playListMain.mainX = 40;
    d.playListMain.mainY = 60;
    EXPECT_EQ(playlistWindowPosition(d, QPoint(300, 200)), QPoint(40, 60));
    EXPECT_FALSE(playlistWindowLayout(d, QPoint(300, 200)).followsMain);
}

TEST(SkinPlaylistLayout, ListAndColumnsComeFromTheSkin) {
    EXPECT_EQ(playlistColumnWidths(300), (std::array<int, 3>{33, 193, 53}));
    EXPECT_EQ(playlistColumnWidths(50), (std::array<int, 3>{33, 0, 53}));
    SkinDescription d;
    d.playListMain.mainWidth = 320;
    d.playListMain.mainHeight = 240;
    d.playListMain.listX = 8;
    d.playListMain.listY = 30;
    d.playListMain.listWidth = 304;
    d.playListMain.listHeight = 170;
    d.playListButtons[6] = {200, 210};
    const PlaylistWindowLayout layout = playlistWindowLayout(d, QPoint());
    EXPECT_EQ(layout.clientSize, QSize(320, 240));
    EXPECT_EQ(layout.list, QRect(8, 30, 304, 170));
    EXPECT_EQ(layout.columnWidths[1], 197);
    EXPECT_EQ(layout.buttons[6], QPoint(200, 210));
    EXPECT_EQ(layout.listBackColor, 1u);
}

// Skin numbers are whatever the file says; found by skin_file_fuzz, where the slider's ends
// 2^32 apart overflowed the travel's int length and a knob at INT_MAX wrapped to INT_MIN.
TEST(SkinExtremeNumbers, KnobsFollowTheWholeTravelWithoutWrapping) {
    constexpr int lowest = std::numeric_limits<int>::min();
    constexpr int highest = std::numeric_limits<int>::max();
    auto s = horizontal(lowest, highest, 0, 10);
    s.barX = 0;
    EXPECT_EQ(volumeKnobPosition(s, 0), QPoint(0, 7));
    EXPECT_EQ(volumeKnobPosition(s, 10), QPoint(highest, 7));
    EXPECT_EQ(trackKnobPosition(s, 1000, 1000), QPoint(highest, 7));
    // A knob at the far end dragged further stays there instead of jumping to the other end.
    EXPECT_EQ(dragTrackKnob(s, highest, 10, 0, 100), (KnobMove{false, highest, 100}));
    EXPECT_FALSE(dragVolumeKnob(s, highest, 10, 0, 10, true).moved);
    EXPECT_FALSE(dragPanKnob(s, highest, 10, 0, 10, true).moved);
    // Half way along the whole travel is half the track.
    EXPECT_EQ(dragTrackKnob(s, -1, 1, 0, 100).value, 50);
}

TEST(SkinExtremeNumbers, AreasAndThePlaylistOffsetStayWithinQtsRange) {
    constexpr int highest = std::numeric_limits<int>::max();
    SkinDescription d;
    d.spectrumAreaX = highest;
    d.spectrumAreaWidth = 70;
    d.textAreaY = std::numeric_limits<int>::min();
    d.textAreaHeight = highest;
    d.playListMain.magnetMode = 1;
    d.playListMain.mainX = std::numeric_limits<int>::min();
    d.playListMain.listWidth = highest;
    const MainWindowLayout main = mainWindowLayout(d, SkinPictures{}, SkinPlayerState{});
    EXPECT_EQ(main.spectrumArea.width(), 70);
    EXPECT_GT(main.spectrumArea.right(), main.spectrumArea.left());
    EXPECT_GT(main.textArea.bottom(), main.textArea.top());
    const PlaylistWindowLayout list = playlistWindowLayout(d, QPoint(300, 200));
    EXPECT_GT(list.topLeft.x(), 300);
    EXPECT_GT(list.list.width(), 0);
}
