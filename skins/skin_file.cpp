#include "skin_file.h"

#include "ProfileFile.h"
#include "WindowsPath.h"

#include <algorithm>

namespace sorvel {
namespace {

// Skin texts are read into a buffer of 256 characters, as the Windows player did.
constexpr std::size_t textBuffer = 256;

class SkinReader {
public:
    explicit SkinReader(const std::filesystem::path& file) : profile_(ProfileFile::load(file)) {}

    void section(std::string_view name) { section_ = name; }

    // Numbers beyond any screen (2^24 - 1 pixels, Qt's largest widget; also the largest
    // colour) are held there, so no position or size sum can overflow further on.
    int integer(std::string_view key, int defaultValue) const {
        constexpr int farthest = (1 << 24) - 1;
        return std::clamp(profile_.getInt(section_, key, defaultValue), -farthest, farthest);
    }

    std::string text(std::string_view key, std::string_view defaultValue) const {
        std::string value = profile_.getString(section_, key, defaultValue, textBuffer);
        value.erase(std::remove(value.begin(), value.end(), '\0'), value.end());
        return value;
    }

    // An invalid colour text leaves the field as it was.
    void colour(std::string_view key, std::string_view defaultValue, SkinColour& field) const {
        if (const auto value = parseSkinColour(text(key, defaultValue))) {
            field = *value;
        }
    }

    void point(std::string_view xKey, std::string_view yKey, SkinDescription::Point& point) const {
        point.x = integer(xKey, 0);
        point.y = integer(yKey, 0);
    }

    void slider(SkinDescription::Slider& slider, int defaultMax) const {
        slider.barPicture = text("-BarPicture", "bar.bmp");
        slider.barVector = integer("-BarVector", 0);
        slider.barX = integer("-BarX", 0);
        slider.barY = integer("-BarY", 0);
        slider.barMin = integer("-BarMin", 0);
        slider.barMax = integer("-BarMax", defaultMax);
        slider.barAreaX = integer("-BarAreaX", 0);
        slider.barAreaX2 = integer("-BarAreaX2", 0);
        slider.barAreaY = integer("-BarAreaY", 0);
        slider.barAreaY2 = integer("-BarAreaY2", 0);
    }

private:
    ProfileFile profile_;
    std::string section_;
};

bool isAbsoluteHere(std::string_view value) {
    return value.starts_with('/');
}

struct ButtonKeys {
    int number;
    std::string_view x;
    std::string_view y;
};

constexpr ButtonKeys mainButtonKeys[] = {
    {0, "-BackX", "-BackY"},          {1, "-SeekBackX", "-SeekBackY"},
    {2, "-PlayX", "-PlayY"},          {3, "-PauseX", "-PauseY"},
    {4, "-StopX", "-StopY"},          {5, "-SeekForwardX", "-SeekForwardY"},
    {6, "-ForwardX", "-ForwardY"},    {10, "-RandomX", "-RandomY"},
    {11, "-LoopX", "-LoopY"},         {12, "-OpenX", "-OpenY"},
    {13, "-PlayListX", "-PlayListY"}, {14, "-SettingX", "-SettingY"},
    {15, "-CloseX", "-CloseY"},       {16, "-OpenCDX", "-OpenCDY"},
    {17, "-MiniSizeX", "-MiniSizeY"},
};

constexpr ButtonKeys playlistButtonKeys[] = {
    {0, "-POpenX", "-POpenY"},   {1, "-PSaveX", "-PSaveY"}, {2, "-PRemoveX", "-PRemoveY"},
    {3, "-PUpX", "-PUpY"},       {4, "-PDownX", "-PDownY"}, {5, "-PCloseX", "-PCloseY"},
    {6, "-PClearX", "-PClearY"},
};

} // namespace

std::optional<SkinColour> parseSkinColour(std::string_view text) {
    // The Windows player converted "&H" + text to a 32-bit number: hexadecimal digits only.
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    std::size_t significant = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (value != 0 || digit != 0) {
            ++significant;
        }
        if (significant > 8) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return static_cast<SkinColour>(value);
}

std::string resolveSkinDir(std::string_view value, std::string_view programFolder) {
    std::string dir(value);
    dir.erase(std::remove(dir.begin(), dir.end(), '\0'), dir.end());
    const bool absolute = (dir.size() >= 2 && dir[1] == ':') || isAbsoluteHere(dir);
    if (dir.empty() || dir.back() != '\\') {
        dir += '\\';
    }
    if (!absolute) {
        dir = std::string(programFolder) + "\\" + dir;
    }
    return dir;
}

std::filesystem::path skinFolderPath(std::string_view value,
                                     const std::vector<std::filesystem::path>& programFolders) {
    std::string dir(value);
    dir.erase(std::remove(dir.begin(), dir.end(), '\0'), dir.end());
    return resolveWindowsPathIn(dir, programFolders);
}

std::filesystem::path skinFilePath(const SkinDescription& description, std::string_view name) {
    return resolveWindowsPath(name, description.skinFolder);
}

void ReadSkinDescription(const std::filesystem::path& skinFile,
                         const std::filesystem::path& programFolder, SkinDescription& d) {
    ReadSkinDescription(skinFile, std::vector<std::filesystem::path>{programFolder}, d);
}

void ReadSkinDescription(const std::filesystem::path& skinFile,
                         const std::vector<std::filesystem::path>& programFolders,
                         SkinDescription& d) {
    const std::filesystem::path programFolder =
        programFolders.empty() ? std::filesystem::path() : programFolders.front();
    SkinReader in(skinFile);

    in.section("SkinInformation");
    d.name = in.text("-Name", "");
    d.author = in.text("-Author", "");
    d.comment = in.text("-Comment", "");

    in.section("SkinSetting");
    const std::string dirValue = in.text("-Dir", "Skins\\Default\\");
    d.dir = resolveSkinDir(dirValue, programFolder.string());
    d.skinFolder = skinFolderPath(dirValue, programFolders);
    d.extension = in.text("-Extension", "bmp");
    d.backPicture = in.text("-BackPicture", "back.bmp");
    d.mainWidth = in.integer("-MainWidth", 0);
    d.mainHeight = in.integer("-MainHeight", 0);

    in.section("ButtonVector");
    for (const auto& keys : mainButtonKeys) {
        auto& button = d.buttons[static_cast<std::size_t>(keys.number)];
        button.y = in.integer(keys.y, 0);
        button.x = in.integer(keys.x, 0);
    }

    in.section("VolumeSlider");
    in.slider(d.volumeSlider, 0);
    in.section("TrackSlider");
    in.slider(d.trackSlider, 100);
    in.section("PanSlider");
    in.slider(d.panSlider, 0);

    in.section("GraphicArea");
    d.clearColor = SkinDescription::defaultClearColor;
    in.colour("-ClearColor", "", d.clearColor);
    d.spectrumAreaX = in.integer("-SpectrumAreaX", 0);
    d.spectrumAreaY = in.integer("-SpectrumAreaY", 0);
    d.spectrumAreaWidth = in.integer("-SpectrumAreaWidth", 0);
    d.spectrumAreaHeight = in.integer("-SpectrumAreaHeight", 0);
    d.textAreaX = in.integer("-TextAreaX", 0);
    d.textAreaY = in.integer("-TextAreaY", 0);
    d.textAreaWidth = in.integer("-TextAreaWidth", 0);
    d.textAreaHeight = in.integer("-TextAreaHeight", 0);
    in.colour("-SpectrumColor", "FFFFFF", d.spectrumColor);
    in.colour("-SpectrumWaveColor", "FFFFFF", d.spectrumWaveColor);
    d.spectrumPicture = in.text("-SpectrumPicture", "");
    d.textAreaBackColor = static_cast<SkinColour>(in.integer("-TextAreaBackColor", 0));
    d.titleAreaX = in.integer("-TitleAreaX", 0);
    d.titleAreaY = in.integer("-TitleAreaY", 0);
    d.titleFont.name = in.text("-TitleFont", "MS UI Gothic");
    in.colour("-TitleFontColor", "FFFFFF", d.titleFontColor);
    d.titleFont.bold = in.integer("-TitleFontBold", 0);
    d.titleFont.italic = in.integer("-TitleFontItalic", 0);
    d.titleFont.size = in.integer("-TitleFontSize", 0);
    d.timeTxtAreaX = in.integer("-TimeTxtAreaX", 0);
    d.timeTxtAreaY = in.integer("-TimeTxtAreaY", 0);
    d.timeTxtFont.name = in.text("-TimeTxtFont", "MS UI Gothic");
    in.colour("-TimeTxtColor", "FFFFFF", d.timeTxtColor);
    d.timeTxtFont.bold = in.integer("-TimeTxtFontBold", 0);
    d.timeTxtFont.italic = in.integer("-TimeTxtFontItalic", 0);
    d.timeTxtFont.size = in.integer("-TimeTxtFontSize", 0);
    d.fileTxtArea = in.integer("-FileTxtArea", 0);
    d.fileTxtAreaX = in.integer("-FileTxtAreaX", 0);
    d.fileTxtAreaY = in.integer("-FileTxtAreaY", 0);
    in.colour("-FileTxtColor", "FFFFFF", d.fileTxtColor);
    d.fileTxtFont.name = in.text("-FileTxtFont", "MS UI Gothic");
    d.fileTxtFont.bold = in.integer("-FileTxtFontBold", 0);
    d.fileTxtFont.italic = in.integer("-FileTxtFontItalic", 0);
    d.fileTxtFont.size = in.integer("-FileTxtFontSize", 0);

    in.section("PlayListMain");
    auto& list = d.playListMain;
    list.backPic = in.text("-BackPic", "playlist\\playlists.bmp");
    in.colour("-ListBackColor", "000001", list.listBackColor);
    in.colour("-ListForeColor", "FFFFFF", list.listForeColor);
    list.magnetMode = in.integer("-MagnetMode", 0);
    list.mainX = in.integer("-MainX", 0);
    list.mainY = in.integer("-MainY", 0);
    list.mainWidth = in.integer("-MainWidth", 0);
    list.mainHeight = in.integer("-MainHeight", 0);
    list.listX = in.integer("-ListX", 0);
    list.listY = in.integer("-ListY", 0);
    list.listWidth = in.integer("-ListWidth", 0);
    list.listHeight = in.integer("-ListHeight", 0);

    in.section("PlayListButton");
    for (const auto& keys : playlistButtonKeys) {
        in.point(keys.x, keys.y, d.playListButtons[static_cast<std::size_t>(keys.number)]);
    }
}

SkinDescription ReadSkinDescription(const std::filesystem::path& skinFile,
                                    const std::filesystem::path& programFolder) {
    SkinDescription description;
    ReadSkinDescription(skinFile, programFolder, description);
    return description;
}

} // namespace sorvel
