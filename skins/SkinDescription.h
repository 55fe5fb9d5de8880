// Everything a skin file says about the main and the playlist window, field by field as the
// skin file names its keys (without the leading "-"). A new skin overwrites it field by field.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace sorvel {

// Colour reference as Windows stores it: red in the low byte, then green, then blue.
using SkinColour = std::uint32_t;

constexpr SkinColour skinColour(int red, int green, int blue) {
    return static_cast<SkinColour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

struct SkinDescription {
    struct Point {
        int x = 0;
        int y = 0;
        bool operator==(const Point&) const = default;
    };

    struct Slider {
        std::string barPicture = "bar.bmp";
        int barVector = 0; // 0 horizontal, anything else vertical
        int barX = 0;
        int barY = 0;
        int barMin = 0;
        int barMax = 0;
        int barAreaX = 0;
        int barAreaX2 = 0;
        int barAreaY = 0;
        int barAreaY2 = 0;

        bool vertical() const { return barVector != 0; }
    };

    struct Font {
        std::string name = "MS UI Gothic";
        int bold = 0;
        int italic = 0;
        int size = 0; // points
    };

    // Button numbers as the main window counts them; 7, 8 and 9 are not buttons.
    static constexpr int buttonSlots = 18;
    static constexpr std::array<int, 15> buttonNumbers{0,  1,  2,  3,  4,  5,  6, 10,
                                                       11, 12, 13, 14, 15, 16, 17};
    static constexpr int playlistButtonCount = 7;
    static constexpr SkinColour defaultClearColor = skinColour(48, 32, 32);

    // [SkinInformation]
    std::string name;
    std::string author;
    std::string comment;

    // [SkinSetting]
    std::string dir = "Skins\\Default\\"; // resolved as the Windows player resolved it
    std::filesystem::path skinFolder;     // the real folder that `dir` names here
    std::string extension = "bmp";
    std::string backPicture = "back.bmp";
    int mainWidth = 0;
    int mainHeight = 0;

    // [ButtonVector], indexed by button number.
    std::array<Point, buttonSlots> buttons{};

    // [VolumeSlider], [TrackSlider], [PanSlider]
    Slider volumeSlider;
    Slider trackSlider = [] {
        Slider slider;
        slider.barMax = 100;
        return slider;
    }();
    Slider panSlider;

    // [GraphicArea]
    SkinColour clearColor = defaultClearColor;
    int spectrumAreaX = 0;
    int spectrumAreaY = 0;
    int spectrumAreaWidth = 0;
    int spectrumAreaHeight = 0;
    int textAreaX = 0;
    int textAreaY = 0;
    int textAreaWidth = 0;
    int textAreaHeight = 0;
    SkinColour spectrumColor = 0xFFFFFF;
    SkinColour spectrumWaveColor = 0xFFFFFF;
    std::string spectrumPicture;
    SkinColour textAreaBackColor = 0;
    int titleAreaX = 0;
    int titleAreaY = 0;
    Font titleFont;
    SkinColour titleFontColor = 0xFFFFFF;
    int timeTxtAreaX = 0;
    int timeTxtAreaY = 0;
    Font timeTxtFont;
    SkinColour timeTxtColor = 0xFFFFFF;
    int fileTxtArea = 0; // the file text shows only for -1
    int fileTxtAreaX = 0;
    int fileTxtAreaY = 0;
    SkinColour fileTxtColor = 0xFFFFFF;
    Font fileTxtFont;

    // [PlayListMain]
    struct PlayListMain {
        std::string backPic = "playlist\\playlists.bmp";
        SkinColour listBackColor = 0x000001;
        SkinColour listForeColor = 0xFFFFFF;
        int magnetMode = 0;
        int mainX = 0;
        int mainY = 0;
        int mainWidth = 0;
        int mainHeight = 0;
        int listX = 0;
        int listY = 0;
        int listWidth = 0;
        int listHeight = 0;
    } playListMain;

    // [PlayListButton], indexed by playlist button number.
    std::array<Point, playlistButtonCount> playListButtons{};

    bool fileTextShown() const { return fileTxtArea == -1; }
};

} // namespace sorvel
