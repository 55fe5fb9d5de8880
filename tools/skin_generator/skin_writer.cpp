#include "skin_writer.h"

#include "skin_painter.h"

#include <QString>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace sorvel::skingen {
namespace {

// Colour text as skin files hold it: blue, green, red, as hexadecimal.
std::string colourText(const QColor& c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", c.blue(), c.green(), c.red());
    return text;
}

class SkinFileWriter {
public:
    void section(const char* name) { out_ << "[" << name << "]\r\n"; }
    template <typename T> void key(const std::string& name, const T& value) {
        out_ << name << "=" << value << "\r\n";
    }
    void comment(const std::string& text) { out_ << "; " << text << "\r\n"; }
    void blank() { out_ << "\r\n"; }
    std::string text() const { return out_.str(); }

private:
    std::ostringstream out_;
};

void writeSlider(SkinFileWriter& w, const char* section, const SkinDesign::Slider& s,
                 const std::string& picture) {
    w.section(section);
    w.key("-BarPicture", picture);
    w.key("-BarVector", 0);
    w.key("-BarX", s.areaX());
    w.key("-BarY", s.barY());
    w.key("-BarMin", s.minimum);
    w.key("-BarMax", s.maximum);
    w.key("-BarAreaX", s.areaX());
    w.key("-BarAreaX2", s.areaX2());
    w.key("-BarAreaY", s.barY());
    w.key("-BarAreaY2", s.barY());
}

const SkinDesign::Button* button(const std::vector<SkinDesign::Button>& buttons, int number) {
    for (const auto& b : buttons) {
        if (b.number == number) {
            return &b;
        }
    }
    return nullptr;
}

} // namespace

std::string skinFileText(const SkinDesign& d) {
    const std::string ext = "." + d.extension;
    SkinFileWriter w;
    w.comment("Made by tools/skin_generator: change the generator and run it again rather");
    w.comment("than editing this file or its pictures by hand.");
    w.blank();
    w.section("SkinInformation");
    w.key("-Name", d.name);
    w.key("-Author", d.author);
    w.key("-Comment", d.comment);
    w.blank();
    w.section("SkinSetting");
    w.key("-Dir", "Skins\\" + d.folder + "\\");
    w.key("-Extension", d.extension);
    w.key("-BackPicture", "back" + ext);
    w.key("-MainWidth", d.mainSize.width());
    w.key("-MainHeight", d.mainSize.height());
    w.blank();

    w.section("ButtonVector");
    const std::pair<int, const char*> keys[] = {
        {0, "Back"},        {1, "SeekBack"}, {2, "Play"},    {3, "Pause"},   {4, "Stop"},
        {5, "SeekForward"}, {6, "Forward"},  {10, "Random"}, {11, "Loop"},   {12, "Open"},
        {13, "PlayList"},   {14, "Setting"}, {15, "Close"},  {16, "OpenCD"}, {17, "MiniSize"}};
    for (const auto& [number, name] : keys) {
        const auto* b = button(d.buttons, number);
        w.key(std::string("-") + name + "X", b ? b->rect.x() : 0);
        w.key(std::string("-") + name + "Y", b ? b->rect.y() : 0);
    }
    w.blank();
    writeSlider(w, "VolumeSlider", d.volume, "volume" + ext);
    w.blank();
    writeSlider(w, "TrackSlider", d.seek, "seek" + ext);
    w.blank();
    writeSlider(w, "PanSlider", d.pan, "pan" + ext);
    w.blank();

    const auto& t = d.theme;
    w.section("GraphicArea");
    w.key("-ClearColor", colourText(t.key));
    w.key("-SpectrumAreaX", d.spectrum.x());
    w.key("-SpectrumAreaY", d.spectrum.y());
    w.key("-SpectrumAreaWidth", d.spectrum.width());
    w.key("-SpectrumAreaHeight", d.spectrum.height());
    w.key("-TextAreaX", d.textArea.x());
    w.key("-TextAreaY", d.textArea.y());
    w.key("-TextAreaWidth", d.textArea.width());
    w.key("-TextAreaHeight", d.textArea.height());
    w.key("-SpectrumColor", colourText(t.accent));
    w.key("-SpectrumWaveColor", colourText(t.accentHigh));
    w.key("-SpectrumPicture", "spectrum" + ext);
    w.key("-TextAreaBackColor", 0);
    w.key("-TitleAreaX", d.titleOffset.x());
    w.key("-TitleAreaY", d.titleOffset.y());
    w.key("-TitleFont", "MS UI Gothic");
    w.key("-TitleFontColor", colourText(t.text));
    w.key("-TitleFontBold", 0);
    w.key("-TitleFontItalic", 0);
    w.key("-TitleFontSize", d.titleFontSize);
    w.key("-TimeTxtAreaX", d.timeText.x());
    w.key("-TimeTxtAreaY", d.timeText.y());
    w.key("-TimeTxtFont", "MS UI Gothic");
    w.key("-TimeTxtColor", colourText(t.accent));
    w.key("-TimeTxtFontBold", 1);
    w.key("-TimeTxtFontItalic", 0);
    w.key("-TimeTxtFontSize", d.timeFontSize);
    w.key("-FileTxtArea", 0);
    w.key("-FileTxtAreaX", 0);
    w.key("-FileTxtAreaY", 0);
    w.key("-FileTxtColor", colourText(t.textDim));
    w.key("-FileTxtFont", "MS UI Gothic");
    w.key("-FileTxtFontBold", 0);
    w.key("-FileTxtFontItalic", 0);
    w.key("-FileTxtFontSize", 9);
    w.blank();

    w.section("PlayListMain");
    w.key("-BackPic", "playlist\\playlists" + ext);
    w.key("-ListBackColor", colourText(t.listBack));
    w.key("-ListForeColor", colourText(t.listFore));
    w.key("-MagnetMode", d.magnet ? 1 : 0);
    w.key("-MainX", d.playlistPosition.x());
    w.key("-MainY", d.playlistPosition.y());
    w.key("-MainWidth", d.playlistSize.width());
    w.key("-MainHeight", d.playlistSize.height());
    w.key("-ListX", d.list.x());
    w.key("-ListY", d.list.y());
    w.key("-ListWidth", d.list.width());
    w.key("-ListHeight", d.list.height());
    w.blank();

    w.section("PlayListButton");
    const char* listKeys[] = {"POpen", "PSave", "PRemove", "PUp", "PDown", "PClose", "PClear"};
    for (int number = 0; number < 7; ++number) {
        const auto* b = button(d.playlistButtons, number);
        w.key(std::string("-") + listKeys[number] + "X", b ? b->rect.x() : 0);
        w.key(std::string("-") + listKeys[number] + "Y", b ? b->rect.y() : 0);
    }
    return w.text();
}

bool writeSkin(const SkinDesign& d, const std::filesystem::path& skinsFolder) {
    const std::filesystem::path folder = skinsFolder / d.folder;
    std::error_code error;
    std::filesystem::create_directories(folder / "playlist", error);
    for (const auto& [name, picture] : paintSkinPictures(d)) {
        const std::filesystem::path file = folder / name;
        const char* format = d.extension == "png" ? "PNG" : "BMP";
        if (!picture.save(QString::fromStdString(file.string()), format)) {
            std::fprintf(stderr, "skin_generator: cannot write %s\n", file.c_str());
            return false;
        }
    }
    const std::filesystem::path skinFile = folder / (d.folder + ".ssf");
    std::ofstream out(skinFile, std::ios::binary);
    out << skinFileText(d);
    if (!out.flush()) {
        std::fprintf(stderr, "skin_generator: cannot write %s\n", skinFile.c_str());
        return false;
    }
    return true;
}

} // namespace sorvel::skingen
