// The skins shipped in the program folder load completely and fit together.
#include "SkinPictures.h"
#include "WindowsPath.h"
#include "skin_file.h"
#include "skin_fonts.h"
#include "skin_layout.h"
#include "skin_shape.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

using namespace sorvel;

namespace {

const std::filesystem::path programFolder = SORVEL_PROGRAM_FOLDER;

struct Shipped {
    const char* file; // as the settings name it
    const char* extension;
    bool magnet;
};

void PrintTo(const Shipped& shipped, std::ostream* out) {
    *out << shipped.file;
}

class ShippedSkin : public ::testing::TestWithParam<Shipped> {
protected:
    void SetUp() override {
        const auto file = resolveWindowsPath(GetParam().file, programFolder);
        ASSERT_TRUE(std::filesystem::is_regular_file(file)) << file;
        skin = ReadSkinDescription(file, programFolder);
        pictures.load(skin);
    }

    QRect mainWindow() const { return QRect(0, 0, skin.mainWidth, skin.mainHeight); }
    QRect playlistWindow() const {
        return QRect(0, 0, skin.playListMain.mainWidth, skin.playListMain.mainHeight);
    }

    SkinDescription skin;
    SkinPictures pictures;
};

} // namespace

TEST_P(ShippedSkin, LoadsWithNoMissingPicture) {
    EXPECT_TRUE(pictures.missing().empty()) << pictures.missing().front();
    EXPECT_EQ(skin.extension, GetParam().extension);
    EXPECT_EQ(skin.playListMain.magnetMode != 0, GetParam().magnet);
    EXPECT_EQ(pictures.mainBackground().size(), mainWindow().size());
    EXPECT_EQ(pictures.playlistBackground().size(), playlistWindow().size());
    for (const int number : SkinDescription::buttonNumbers) {
        EXPECT_TRUE(mainButtonVisible(pictures, number)) << "button " << number;
        EXPECT_FALSE(pictures.picture(number, 1).isNull()) << "button " << number;
    }
    EXPECT_FALSE(pictures.picture(11, 2).isNull());
    for (int row = SkinPictures::firstPlaylistButtonRow; row < SkinPictures::rowCount; ++row) {
        EXPECT_FALSE(pictures.picture(row, 0).isNull()) << row;
        EXPECT_FALSE(pictures.picture(row, 1).isNull()) << row;
    }
    // The analyzer copies bars from a picture as large as its area.
    EXPECT_EQ(pictures.picture(SkinPictures::spectrumRow).size(),
              QSize(skin.spectrumAreaWidth, skin.spectrumAreaHeight));
}

TEST_P(ShippedSkin, EveryControlLiesInsideItsWindowWithoutOverlapping) {
    SkinPlayerState player;
    const MainWindowLayout layout = mainWindowLayout(skin, pictures, player);
    std::vector<QRect> controls;
    for (const auto& button : layout.buttons) {
        const QRect rect(button.position, pictures.picture(button.number, 0).size());
        EXPECT_TRUE(mainWindow().contains(rect)) << "button " << button.number;
        for (const QRect& other : controls) {
            EXPECT_FALSE(rect.intersects(other)) << "button " << button.number;
        }
        controls.push_back(rect);
        // State pictures replace the normal one in place, so they share its size.
        EXPECT_EQ(pictures.picture(button.number, 1).size(), rect.size());
    }
    EXPECT_TRUE(mainWindow().contains(layout.spectrumArea));
    EXPECT_TRUE(mainWindow().contains(layout.textArea));
    EXPECT_FALSE(layout.textArea.intersects(layout.spectrumArea));
    for (const QRect& control : controls) {
        EXPECT_FALSE(control.intersects(layout.textArea));
        EXPECT_FALSE(control.intersects(layout.spectrumArea));
    }

    // Knobs stay inside the window at both ends of their travel and never cover a button.
    struct Knob {
        const SkinDescription::Slider& slider;
        int row;
        QPoint low;
        QPoint high;
    };
    const Knob knobs[] = {
        {skin.volumeSlider, SkinPictures::volumeKnobRow, volumeKnobPosition(skin.volumeSlider, 0),
         volumeKnobPosition(skin.volumeSlider, 10)},
        {skin.panSlider, SkinPictures::panKnobRow, panKnobPosition(skin.panSlider, -10),
         panKnobPosition(skin.panSlider, 10)},
        {skin.trackSlider, SkinPictures::trackKnobRow, trackKnobPosition(skin.trackSlider, 0, 1),
         trackKnobPosition(skin.trackSlider, 1, 1)},
    };
    for (const Knob& knob : knobs) {
        const QSize size = pictures.picture(knob.row).size();
        for (const QPoint& at : {knob.low, knob.high}) {
            const QRect rect(at, size);
            EXPECT_TRUE(mainWindow().contains(rect)) << "knob row " << knob.row;
            for (const QRect& control : controls) {
                EXPECT_FALSE(rect.intersects(control)) << "knob row " << knob.row;
            }
        }
        EXPECT_LT(knob.low.x(), knob.high.x()) << "knob row " << knob.row;
    }
    // Volume 10 is the slider's top; pan covers -10 to +10.
    EXPECT_EQ(skin.volumeSlider.barMax, 10);
    EXPECT_EQ(skin.panSlider.barMax - skin.panSlider.barMin, 20);
}

TEST_P(ShippedSkin, PlaylistWindowHoldsItsListAndButtons) {
    const PlaylistWindowLayout layout = playlistWindowLayout(skin, QPoint(100, 100));
    EXPECT_TRUE(playlistWindow().contains(layout.list));
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        const QRect rect(layout.buttons[i],
                         pictures.picture(SkinPictures::firstPlaylistButtonRow + int(i)).size());
        EXPECT_TRUE(playlistWindow().contains(rect)) << "playlist button " << i;
        EXPECT_FALSE(rect.intersects(layout.list)) << "playlist button " << i;
    }
    // The title column takes most of the list.
    EXPECT_GT(layout.columnWidths[1], layout.list.width() / 2);
    // The playing row's colour (white minus the background) stands out from the others.
    const QColor back = toQColor(layout.listBackColor);
    const QColor current = toQColor(0xFFFFFFu - layout.listBackColor);
    EXPECT_GT(current.lightness() - back.lightness(), 150);
    if (GetParam().magnet) {
        // Docked right below the main window.
        EXPECT_EQ(layout.topLeft, QPoint(100, 100 + skin.mainHeight));
    }
}

TEST_P(ShippedSkin, WindowOutlineIsCutByTheClearColourOnlyOutsideTheBody) {
    const QImage mask = clearColourMask(pictures.mainBackground(), skin.clearColor);
    // Rounded corners are holes; the middle of the window is not.
    EXPECT_EQ(mask.pixelIndex(0, 0), 0);
    EXPECT_EQ(mask.pixelIndex(skin.mainWidth - 1, skin.mainHeight - 1), 0);
    EXPECT_EQ(mask.pixelIndex(skin.mainWidth / 2, skin.mainHeight / 2), 1);
    EXPECT_EQ(mask.pixelIndex(skin.mainWidth / 2, 0), 1);
    // No control picture holds the clear colour, so no control has holes.
    const QRgb key = toQColor(skin.clearColor).rgb();
    for (int row = 0; row < SkinPictures::rowCount; ++row) {
        for (int state = 0; state < SkinPictures::stateCount; ++state) {
            const QImage& picture = pictures.picture(row, state);
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    ASSERT_NE(picture.pixel(x, y) & 0xFFFFFF, key & 0xFFFFFF)
                        << "row " << row << " state " << state;
                }
            }
        }
    }
}

TEST_P(ShippedSkin, FontsAreJapaneseCapable) {
    if (!QFontDatabase::families().contains("Noto Sans CJK JP")) {
        GTEST_SKIP() << "Noto Sans CJK JP is not installed (scripts/install-deps installs it)";
    }
    for (const auto* font : {&skin.titleFont, &skin.timeTxtFont, &skin.fileTxtFont}) {
        EXPECT_EQ(QFontInfo(skinFont(*font)).family(), "Noto Sans CJK JP") << font->name;
    }
    EXPECT_GE(skinTitleFont(skin.titleFont).pixelSize(), 12);
    EXPECT_LE(skinTitleFont(skin.titleFont).pixelSize(), skin.textAreaHeight);
}

INSTANTIATE_TEST_SUITE_P(Skins, ShippedSkin,
                         ::testing::Values(Shipped{"Skins\\Default\\Default.ssf", "bmp", false},
                                           Shipped{"Skins\\Compact\\Compact.ssf", "png", true}),
                         [](const auto& info) {
                             return std::string(info.param.magnet ? "Compact" : "Default");
                         });
