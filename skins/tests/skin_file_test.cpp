#include "SkinFolder.h"
#include "skin_file.h"

#include <gtest/gtest.h>

using namespace sorvel;

namespace {

// Every key a skin file can hold, each with a value of its own so a misspelt key shows.
const std::string everyKey = R"([SkinInformation]
-Name=Blue
-Author=someone
-Comment=a b
[SkinSetting]
-Dir=Skins\Blue\
-Extension=png
-BackPicture=main.png
-MainWidth=301
-MainHeight=102
[ButtonVector]
-BackX=1
-BackY=2
-SeekBackX=3
-SeekBackY=4
-PlayX=5
-PlayY=6
-PauseX=7
-PauseY=8
-StopX=9
-StopY=10
-SeekForwardX=11
-SeekForwardY=12
-ForwardX=13
-ForwardY=14
-RandomX=15
-RandomY=16
-LoopX=17
-LoopY=18
-OpenX=19
-OpenY=20
-PlayListX=21
-PlayListY=22
-SettingX=23
-SettingY=24
-CloseX=25
-CloseY=26
-OpenCDX=27
-OpenCDY=28
-MiniSizeX=29
-MiniSizeY=30
[VolumeSlider]
-BarPicture=vol.png
-BarVector=1
-BarX=31
-BarY=32
-BarMin=33
-BarMax=34
-BarAreaX=35
-BarAreaX2=36
-BarAreaY=37
-BarAreaY2=38
[TrackSlider]
-BarPicture=track.png
-BarVector=0
-BarX=41
-BarY=42
-BarMin=43
-BarMax=44
-BarAreaX=45
-BarAreaX2=46
-BarAreaY=47
-BarAreaY2=48
[PanSlider]
-BarPicture=pan.png
-BarVector=2
-BarX=51
-BarY=52
-BarMin=-10
-BarMax=10
-BarAreaX=55
-BarAreaX2=56
-BarAreaY=57
-BarAreaY2=58
[GraphicArea]
-ClearColor=FF00FF
-SpectrumAreaX=61
-SpectrumAreaY=62
-SpectrumAreaWidth=63
-SpectrumAreaHeight=64
-TextAreaX=65
-TextAreaY=66
-TextAreaWidth=67
-TextAreaHeight=68
-SpectrumColor=010203
-SpectrumWaveColor=040506
-SpectrumPicture=bars.png
-TextAreaBackColor=255
-TitleAreaX=71
-TitleAreaY=72
-TitleFont=Title Font
-TitleFontColor=070809
-TitleFontBold=1
-TitleFontItalic=2
-TitleFontSize=11
-TimeTxtAreaX=81
-TimeTxtAreaY=82
-TimeTxtFont=Time Font
-TimeTxtColor=0A0B0C
-TimeTxtFontBold=3
-TimeTxtFontItalic=4
-TimeTxtFontSize=12
-FileTxtArea=-1
-FileTxtAreaX=91
-FileTxtAreaY=92
-FileTxtColor=0D0E0F
-FileTxtFont=File Font
-FileTxtFontBold=5
-FileTxtFontItalic=6
-FileTxtFontSize=13
[PlayListMain]
-BackPic=playlist\pl.png
-ListBackColor=101112
-ListForeColor=131415
-MagnetMode=1
-MainX=101
-MainY=-102
-MainWidth=103
-MainHeight=104
-ListX=105
-ListY=106
-ListWidth=107
-ListHeight=108
[PlayListButton]
-POpenX=111
-POpenY=112
-PSaveX=113
-PSaveY=114
-PRemoveX=115
-PRemoveY=116
-PUpX=117
-PUpY=118
-PDownX=119
-PDownY=120
-PCloseX=121
-PCloseY=122
-PClearX=123
-PClearY=124
)";

} // namespace

TEST(SkinFileRead, EveryKeyLandsInItsField) {
    SkinFolder folder;
    const auto file = folder.write("Skins/Blue/Blue.ssf", everyKey);
    const SkinDescription d = ReadSkinDescription(file, folder.path());

    EXPECT_EQ(d.name, "Blue");
    EXPECT_EQ(d.author, "someone");
    EXPECT_EQ(d.comment, "a b");
    EXPECT_EQ(d.dir, folder.path().string() + "\\Skins\\Blue\\");
    EXPECT_EQ(d.skinFolder, folder / "Skins/Blue");
    EXPECT_EQ(d.extension, "png");
    EXPECT_EQ(d.backPicture, "main.png");
    EXPECT_EQ(d.mainWidth, 301);
    EXPECT_EQ(d.mainHeight, 102);

    const int numbers[] = {0, 1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 16, 17};
    for (int i = 0; i < 15; ++i) {
        const auto& at = d.buttons[static_cast<std::size_t>(numbers[i])];
        EXPECT_EQ(at, (SkinDescription::Point{2 * i + 1, 2 * i + 2})) << "button " << numbers[i];
    }
    for (const int unused : {7, 8, 9}) {
        EXPECT_EQ(d.buttons[static_cast<std::size_t>(unused)], (SkinDescription::Point{0, 0}));
    }

    auto expectSlider = [](const SkinDescription::Slider& s, const std::string& picture, int vector,
                           int first) {
        EXPECT_EQ(s.barPicture, picture);
        EXPECT_EQ(s.barVector, vector);
        EXPECT_EQ(s.barX, first);
        EXPECT_EQ(s.barY, first + 1);
        EXPECT_EQ(s.barAreaX, first + 4);
        EXPECT_EQ(s.barAreaX2, first + 5);
        EXPECT_EQ(s.barAreaY, first + 6);
        EXPECT_EQ(s.barAreaY2, first + 7);
    };
    expectSlider(d.volumeSlider, "vol.png", 1, 31);
    EXPECT_EQ(d.volumeSlider.barMin, 33);
    EXPECT_EQ(d.volumeSlider.barMax, 34);
    expectSlider(d.trackSlider, "track.png", 0, 41);
    EXPECT_EQ(d.trackSlider.barMin, 43);
    EXPECT_EQ(d.trackSlider.barMax, 44);
    expectSlider(d.panSlider, "pan.png", 2, 51);
    EXPECT_EQ(d.panSlider.barMin, -10);
    EXPECT_EQ(d.panSlider.barMax, 10);
    EXPECT_TRUE(d.panSlider.vertical());
    EXPECT_FALSE(d.trackSlider.vertical());

    EXPECT_EQ(d.clearColor, skinColour(255, 0, 255));
    EXPECT_EQ(d.spectrumAreaX, 61);
    EXPECT_EQ(d.spectrumAreaY, 62);
    EXPECT_EQ(d.spectrumAreaWidth, 63);
    EXPECT_EQ(d.spectrumAreaHeight, 64);
    EXPECT_EQ(d.textAreaX, 65);
    EXPECT_EQ(d.textAreaY, 66);
    EXPECT_EQ(d.textAreaWidth, 67);
    EXPECT_EQ(d.textAreaHeight, 68);
    EXPECT_EQ(d.spectrumColor, 0x010203u);
    EXPECT_EQ(d.spectrumWaveColor, 0x040506u);
    EXPECT_EQ(d.spectrumPicture, "bars.png");
    EXPECT_EQ(d.textAreaBackColor, 255u);
    EXPECT_EQ(d.titleAreaX, 71);
    EXPECT_EQ(d.titleAreaY, 72);
    EXPECT_EQ(d.titleFont.name, "Title Font");
    EXPECT_EQ(d.titleFontColor, 0x070809u);
    EXPECT_EQ(d.titleFont.bold, 1);
    EXPECT_EQ(d.titleFont.italic, 2);
    EXPECT_EQ(d.titleFont.size, 11);
    EXPECT_EQ(d.timeTxtAreaX, 81);
    EXPECT_EQ(d.timeTxtAreaY, 82);
    EXPECT_EQ(d.timeTxtFont.name, "Time Font");
    EXPECT_EQ(d.timeTxtColor, 0x0A0B0Cu);
    EXPECT_EQ(d.timeTxtFont.bold, 3);
    EXPECT_EQ(d.timeTxtFont.italic, 4);
    EXPECT_EQ(d.timeTxtFont.size, 12);
    EXPECT_EQ(d.fileTxtArea, -1);
    EXPECT_EQ(d.fileTxtAreaX, 91);
    EXPECT_EQ(d.fileTxtAreaY, 92);
    EXPECT_EQ(d.fileTxtColor, 0x0D0E0Fu);
    EXPECT_EQ(d.fileTxtFont.name, "File Font");
    EXPECT_EQ(d.fileTxtFont.bold, 5);
    EXPECT_EQ(d.fileTxtFont.italic, 6);
    EXPECT_EQ(d.fileTxtFont.size, 13);

    const auto& list = d.playListMain;
    EXPECT_EQ(list.backPic, "playlist\\pl.png");
    EXPECT_EQ(list.listBackColor, 0x101112u);
    EXPECT_EQ(list.listForeColor, 0x131415u);
    EXPECT_EQ(list.magnetMode, 1);
    EXPECT_EQ(list.mainX, 101);
    EXPECT_EQ(list.mainY, -102);
    EXPECT_EQ(list.mainWidth, 103);
    EXPECT_EQ(list.mainHeight, 104);
    EXPECT_EQ(list.listX, 105);
    EXPECT_EQ(list.listY, 106);
    EXPECT_EQ(list.listWidth, 107);
    EXPECT_EQ(list.listHeight, 108);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(d.playListButtons[static_cast<std::size_t>(i)],
                  (SkinDescription::Point{111 + 2 * i, 112 + 2 * i}))
            << "playlist button " << i;
    }
}

TEST(SkinFileRead, MissingFileGivesEveryDefault) {
    SkinFolder folder;
    const SkinDescription d = ReadSkinDescription(folder / "none.ssf", folder.path());
    EXPECT_EQ(d.dir, folder.path().string() + "\\Skins\\Default\\");
    EXPECT_EQ(d.skinFolder, folder / "Skins/Default");
    EXPECT_EQ(d.extension, "bmp");
    EXPECT_EQ(d.backPicture, "back.bmp");
    EXPECT_EQ(d.volumeSlider.barPicture, "bar.bmp");
    EXPECT_EQ(d.mainWidth, 0);
    EXPECT_EQ(d.buttons[2], (SkinDescription::Point{0, 0}));
    EXPECT_EQ(d.clearColor, skinColour(48, 32, 32));
    EXPECT_EQ(d.spectrumColor, skinColour(255, 255, 255));
    EXPECT_EQ(d.titleFont.name, "MS UI Gothic");
    EXPECT_EQ(d.playListMain.backPic, "playlist\\playlists.bmp");
    EXPECT_EQ(d.playListMain.listBackColor, skinColour(1, 0, 0));
    EXPECT_FALSE(d.fileTextShown());
}

TEST(SkinFileRead, SkinWithoutTrackSliderGetsTrackMaximumHundredOthersZero) {
    SkinFolder folder;
    const auto file = folder.write("s.ssf", "[VolumeSlider]\n-BarX=3\n[PanSlider]\n-BarX=4\n");
    const SkinDescription d = ReadSkinDescription(file, folder.path());
    EXPECT_EQ(d.trackSlider.barMax, 100);
    EXPECT_EQ(d.volumeSlider.barMax, 0);
    EXPECT_EQ(d.panSlider.barMax, 0);
}

TEST(SkinFileRead, NumbersBeyondAnyScreenAreHeldAtItsEdge) {
    SkinFolder folder;
    const auto file = folder.write("s.ssf", "[TrackSlider]\n-BarAreaX=-2147483648\n"
                                            "-BarAreaX2=2147483647\n-BarMax=99999999999\n");
    const SkinDescription d = ReadSkinDescription(file, folder.path());
    EXPECT_EQ(d.trackSlider.barAreaX, -((1 << 24) - 1));
    EXPECT_EQ(d.trackSlider.barAreaX2, (1 << 24) - 1);
    EXPECT_LE(d.trackSlider.barMax, (1 << 24) - 1);
}

TEST(SkinFileDir, RelativeDirIsBelowTheProgramFolderWithATrailingBackslash) {
    EXPECT_EQ(resolveSkinDir("Skins\\Blue", "/opt/sorvel"), "/opt/sorvel\\Skins\\Blue\\");
    EXPECT_EQ(resolveSkinDir("Skins\\Blue\\", "/opt/sorvel"), "/opt/sorvel\\Skins\\Blue\\");
    EXPECT_EQ(resolveSkinDir(std::string("Sk\0ins", 6), "/p"), "/p\\Skins\\");
}

TEST(SkinFileDir, DriveLetterDirStaysApartFromTheTrailingBackslash) {
    EXPECT_EQ(resolveSkinDir("D:\\Skins\\Blue", "/opt/sorvel"), "D:\\Skins\\Blue\\");
    EXPECT_EQ(resolveSkinDir("D:\\Skins\\Blue\\", "/opt/sorvel"), "D:\\Skins\\Blue\\");
    // An absolute path of this system is not put below the program folder either.
    EXPECT_EQ(resolveSkinDir("/srv/skins/Blue", "/opt/sorvel"), "/srv/skins/Blue\\");
}

TEST(SkinFileDir, DirFindsTheRealFolderHoweverWindowsWroteIt) {
    SkinFolder folder;
    std::filesystem::create_directories(folder / "Skins/Blue");
    EXPECT_EQ(skinFolderPath("Skins\\Blue", {folder.path()}), folder / "Skins/Blue");
    EXPECT_EQ(skinFolderPath("skins\\blue\\", {folder.path()}), folder / "Skins/Blue");
    EXPECT_EQ(skinFolderPath("Skins/Blue/", {folder.path()}), folder / "Skins/Blue");
    EXPECT_EQ(skinFolderPath("C:\\Program Files\\Sorvel\\Skins\\Blue\\", {folder.path()}),
              folder / "Skins/Blue");
}

TEST(SkinFileColour, HexTextIsAColourReferenceWithRedInTheLowByte) {
    EXPECT_EQ(parseSkinColour("0000FF"), skinColour(255, 0, 0));
    EXPECT_EQ(parseSkinColour("FF0000"), skinColour(0, 0, 255));
    EXPECT_EQ(parseSkinColour("000001"), 1u);
    EXPECT_EQ(parseSkinColour("00ff00"), skinColour(0, 255, 0));
    EXPECT_EQ(parseSkinColour("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseSkinColour("000000000A"), 10u);
}

TEST(SkinFileColour, InvalidTextIsRejected) {
    EXPECT_EQ(parseSkinColour(""), std::nullopt);
    EXPECT_EQ(parseSkinColour("GG0000"), std::nullopt);
    EXPECT_EQ(parseSkinColour("&HFF"), std::nullopt);
    EXPECT_EQ(parseSkinColour("1FFFFFFFF"), std::nullopt);
    EXPECT_EQ(parseSkinColour("FF FF"), std::nullopt);
}

TEST(SkinFileColour, ListBackColourOf000001IsRedOneNotBlack) {
    SkinFolder folder;
    const auto file = folder.write("s.ssf", "[PlayListMain]\n-ListBackColor=000001\n");
    const SkinDescription d = ReadSkinDescription(file, folder.path());
    EXPECT_EQ(d.playListMain.listBackColor, 1u);
}

TEST(SkinFileColour, InvalidColourKeepsThePreviousSkinsValueButClearColourItsDefault) {
    SkinFolder folder;
    const auto first = folder.write("a.ssf", "[GraphicArea]\n-ClearColor=00FF00\n"
                                             "-SpectrumColor=123456\n");
    const auto second = folder.write("b.ssf", "[GraphicArea]\n-ClearColor=nonsense\n"
                                              "-SpectrumColor=nonsense\n-TitleFontSize=x\n");
    SkinDescription d;
    ReadSkinDescription(first, folder.path(), d);
    ASSERT_EQ(d.spectrumColor, 0x123456u);
    ReadSkinDescription(second, folder.path(), d);
    EXPECT_EQ(d.spectrumColor, 0x123456u);
    EXPECT_EQ(d.clearColor, SkinDescription::defaultClearColor);
    EXPECT_EQ(d.titleFont.size, 0);
}

TEST(SkinFileRead, TextAreaBackColourIsDecimal) {
    SkinFolder folder;
    const auto red = folder.write("a.ssf", "[GraphicArea]\n-TextAreaBackColor=255\n");
    const auto hex = folder.write("b.ssf", "[GraphicArea]\n-TextAreaBackColor=0000FF\n");
    EXPECT_EQ(ReadSkinDescription(red, folder.path()).textAreaBackColor, skinColour(255, 0, 0));
    EXPECT_EQ(ReadSkinDescription(hex, folder.path()).textAreaBackColor, 0u);
}

TEST(SkinFileRead, FileTextShowsOnlyForMinusOne) {
    SkinFolder folder;
    const auto one = folder.write("a.ssf", "[GraphicArea]\n-FileTxtArea=1\n");
    const auto minusOne = folder.write("b.ssf", "[GraphicArea]\n-FileTxtArea=-1\n");
    EXPECT_FALSE(ReadSkinDescription(one, folder.path()).fileTextShown());
    EXPECT_TRUE(ReadSkinDescription(minusOne, folder.path()).fileTextShown());
}

TEST(SkinFileRead, TextsAreCutAt255Characters) {
    SkinFolder folder;
    const auto file =
        folder.write("a.ssf", "[SkinInformation]\n-Comment=" + std::string(400, 'c') + "\n");
    EXPECT_EQ(ReadSkinDescription(file, folder.path()).comment, std::string(255, 'c'));
}

TEST(SkinFileRead, WindowsMadeCp932SkinWithCrLfReads) {
    SkinFolder folder;
    // "青い空" as the author, in CP932, with Windows line ends and a lower-case section name.
    const auto file = folder.write("Skins/Blue/Blue.ssf",
                                   "[skininformation]\r\n-Author=\x90\xc2\x82\xa2\x8b\xf3\r\n"
                                   "[SkinSetting]\r\n-Dir=Skins\\Blue\r\n"
                                   "[GraphicArea]\r\n-TitleFont=\x82\x6c\x82\x72 \x82\x6f"
                                   "\x83\x53\x83\x56\x83\x62\x83\x4e\r\n");
    const SkinDescription d = ReadSkinDescription(file, folder.path());
    EXPECT_EQ(d.author, "青い空");
    EXPECT_EQ(d.titleFont.name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(d.skinFolder, folder / "Skins/Blue");
}

TEST(SkinFileRead, GarbageSkinFileGivesDefaultsWithoutHarm) {
    SkinFolder folder;
    std::string garbage;
    unsigned seed = 99;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 16);
    }
    const auto file = folder.write("g.ssf", garbage);
    const SkinDescription d = ReadSkinDescription(file, folder.path());
    EXPECT_EQ(d.trackSlider.barMax, 100);
    EXPECT_EQ(d.extension, "bmp");
}
