#include "PictureError.h"
#include "SkinFolder.h"
#include "SkinPictures.h"
#include "skin_file.h"
#include "skin_layout.h"

#include <gtest/gtest.h>

using namespace sorvel;

namespace {

SkinDescription skinIn(const SkinFolder& folder, const std::string& text) {
    return ReadSkinDescription(folder.write("Skins/Test/Test.ssf", text), folder.path());
}

const std::string bmpSkin = "[SkinSetting]\n-Dir=Skins\\Test\\\n"
                            "[GraphicArea]\n-SpectrumPicture=spectrum.bmp\n";

} // namespace

TEST(SkinPictureNames, FollowTheFixedPatterns) {
    SkinDescription d;
    d.extension = "bmp";
    EXPECT_EQ(SkinPictures::fileName(d, 2, 0), "0-2.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 2, 1), "1-2.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 2, 2), "");
    EXPECT_EQ(SkinPictures::fileName(d, 11, 2), "2-11.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 16, 0), "0-16.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 7, 0), "");
    EXPECT_EQ(SkinPictures::fileName(d, 22, 0), "playlist\\p0-0.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 28, 1), "playlist\\p6-1.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 28, 2), "");
    d.volumeSlider.barPicture = "v.bmp";
    d.trackSlider.barPicture = "t.bmp";
    d.panSlider.barPicture = "p.bmp";
    d.spectrumPicture = "";
    EXPECT_EQ(SkinPictures::fileName(d, 18, 0), "v.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 19, 0), "t.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 20, 0), "p.bmp");
    EXPECT_EQ(SkinPictures::fileName(d, 18, 1), "");
    EXPECT_EQ(SkinPictures::fileName(d, 21, 0), "");
    d.extension = "png";
    EXPECT_EQ(SkinPictures::fileName(d, 10, 1), "1-10.png");
}

TEST(SkinPicturesLoad, FullSkinLoadsEveryPicture) {
    SkinFolder folder;
    folder.fullSetOfPictures("Skins/Test", "bmp");
    SkinPictures pictures;
    pictures.load(skinIn(folder, bmpSkin));
    EXPECT_TRUE(pictures.missing().empty()) << pictures.missing().front();
    EXPECT_FALSE(pictures.picture(11, 2).isNull());
    EXPECT_FALSE(pictures.picture(SkinPictures::spectrumRow).isNull());
    EXPECT_FALSE(pictures.picture(28, 1).isNull());
    EXPECT_EQ(pictures.mainBackground().size(), QSize(300, 100));
    EXPECT_EQ(pictures.playlistBackground().size(), QSize(300, 200));
}

TEST(SkinPicturesLoad, SkinFolderWithoutCdPicturesHidesOnlyTheCdButton) {
    SkinFolder folder;
    folder.fullSetOfPictures("Skins/Test", "bmp");
    std::filesystem::remove(folder / "Skins/Test/0-16.bmp");
    std::filesystem::remove(folder / "Skins/Test/1-16.bmp");
    SkinPictures pictures;
    pictures.load(skinIn(folder, bmpSkin));
    EXPECT_FALSE(mainButtonVisible(pictures, 16));
    for (const int number : SkinDescription::buttonNumbers) {
        if (number != 16) {
            EXPECT_TRUE(mainButtonVisible(pictures, number)) << number;
        }
    }
}

TEST(SkinPicturesLoad, PngSkinLoadsEveryButtonThroughThePngLoader) {
    SkinFolder folder;
    folder.fullSetOfPictures("Skins/Test", "png");
    // A transparent pixel shows black only through the PNG loader.
    for (const char* name : {"0-2.png", "playlist/p3-1.png", "BACK.PNG"}) {
        folder.picture(std::filesystem::path("Skins/Test") / name, QColor(255, 255, 255, 0));
    }
    SkinPictures pictures;
    pictures.load(skinIn(folder, "[SkinSetting]\n-Dir=Skins\\Test\n-Extension=png\n"
                                 "-BackPicture=BACK.PNG\n"));
    EXPECT_EQ(qRed(pictures.picture(2, 0).pixel(0, 0)), 0);
    EXPECT_EQ(qRed(pictures.picture(25, 1).pixel(0, 0)), 0);
    EXPECT_EQ(qRed(pictures.mainBackground().pixel(0, 0)), 0);
    EXPECT_FALSE(pictures.picture(11, 2).isNull());
}

TEST(SkinPicturesLoad, WindowsMadeSkinLoadsCompletely) {
    SkinFolder folder;
    // Pictures in capitals as a Windows skin often ships them, the skin in CP932 with "\".
    folder.fullSetOfPictures("Skins/Win", "bmp", true);
    const std::string skin = "[SkinInformation]\r\n-Name=\x90\xc2\r\n"
                             "[SkinSetting]\r\n-Dir=Skins\\Win\r\n-BackPicture=Back.bmp\r\n"
                             "[VolumeSlider]\r\n-BarPicture=bar.bmp\r\n"
                             "[TrackSlider]\r\n-BarPicture=BAR.bmp\r\n"
                             "[PanSlider]\r\n-BarPicture=Bar.Bmp\r\n"
                             "[GraphicArea]\r\n-SpectrumPicture=Spectrum.bmp\r\n"
                             "[PlayListMain]\r\n-BackPic=PlayList\\PlayLists.bmp\r\n";
    const SkinDescription d =
        ReadSkinDescription(folder.write("Skins/Win/Win.ssf", skin), folder.path());
    SkinPictures pictures;
    pictures.load(d);
    EXPECT_EQ(d.name, "青");
    EXPECT_TRUE(pictures.missing().empty()) << pictures.missing().front();
    EXPECT_FALSE(pictures.playlistBackground().isNull());
    EXPECT_FALSE(pictures.picture(SkinPictures::panKnobRow).isNull());
}

TEST(SkinPicturesLoad, BrokenPictureRaises481AndKeepsTheOldTable) {
    SkinFolder folder;
    folder.fullSetOfPictures("Skins/Test", "png");
    SkinPictures pictures;
    const SkinDescription d = skinIn(folder, "[SkinSetting]\n-Dir=Skins\\Test\n-Extension=png\n");
    pictures.load(d);
    ASSERT_FALSE(pictures.picture(2, 0).isNull());
    folder.write("Skins/Test/1-13.png", "not a picture");
    try {
        pictures.load(d);
        FAIL() << "no error";
    } catch (const PictureError& error) {
        EXPECT_EQ(error.number(), 481);
        EXPECT_EQ(error.path().filename(), "1-13.png");
    }
    EXPECT_FALSE(pictures.picture(2, 0).isNull());
}

TEST(SkinPicturesLoad, ToggleButtonsShowTheirStatePictures) {
    SkinFolder folder;
    folder.fullSetOfPictures("Skins/Test", "bmp");
    SkinPictures pictures;
    pictures.load(skinIn(folder, bmpSkin));
    SkinPlayerState player;
    player.randomMode = true;
    player.loopMode = 2;
    const MainWindowLayout layout = mainWindowLayout(skinIn(folder, bmpSkin), pictures, player);
    const auto random = std::find_if(layout.buttons.begin(), layout.buttons.end(),
                                     [](const auto& b) { return b.number == 10; });
    const auto loop = std::find_if(layout.buttons.begin(), layout.buttons.end(),
                                   [](const auto& b) { return b.number == 11; });
    EXPECT_EQ(random->state, 1);
    EXPECT_EQ(loop->state, 2);
    // The pictures shown are those of files 1-10 and 2-11.
    EXPECT_EQ(mainButtonPicture(pictures, 10, random->state).pixel(0, 0),
              QColor(100, 100, 0).rgb());
    EXPECT_EQ(mainButtonPicture(pictures, 11, loop->state).pixel(0, 0), QColor(110, 200, 0).rgb());
}
