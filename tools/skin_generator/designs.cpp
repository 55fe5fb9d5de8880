// The two shipped skins: "Default" (BMP pictures, playlist at a screen position) and "Compact"
// (PNG pictures, playlist docked below the main window by magnet mode).
#include "SkinDesign.h"

namespace sorvel::skingen {
namespace {

using B = SkinDesign::Button;

// Main buttons of the window's top strip, right-aligned: open, playlist, CD, settings, then
// minimise and close after a gap.
void addStripButtons(SkinDesign& d, int top, QSize size, int gap) {
    const int right = d.mainSize.width() - 12;
    const int closeX = right - size.width();
    const int minimiseX = closeX - size.width() - 2;
    d.buttons.push_back(
        B{15, QRect(QPoint(closeX, top), size), Icon::Close, ButtonStyle::FlatDanger});
    d.buttons.push_back(
        B{17, QRect(QPoint(minimiseX, top), size), Icon::Minimise, ButtonStyle::Flat});
    int x = minimiseX - gap - size.width();
    for (const auto& [number, icon] : {std::pair{14, Icon::Settings}, std::pair{16, Icon::Cd},
                                       std::pair{13, Icon::Playlist}, std::pair{12, Icon::Open}}) {
        d.buttons.push_back(B{number, QRect(QPoint(x, top), size), icon, ButtonStyle::Flat});
        x -= size.width() + 2;
    }
}

void addTransport(SkinDesign& d, int left, int top, QSize size, int step) {
    const std::pair<int, Icon> transport[] = {
        {0, Icon::Previous}, {1, Icon::Rewind},  {2, Icon::Play},
        {3, Icon::Pause},    {4, Icon::Stop},    {5, Icon::FastForward},
        {6, Icon::Next},     {10, Icon::Random}, {11, Icon::Loop}};
    int x = left;
    for (const auto& [number, icon] : transport) {
        if (number == 10) {
            x += size.width() / 3; // the toggles stand apart from the transport
        }
        d.buttons.push_back(B{number, QRect(QPoint(x, top), size), icon});
        x += step;
    }
}

} // namespace

SkinDesign defaultSkinDesign() {
    SkinDesign d;
    d.folder = "Default";
    d.name = "Sorvel Default";
    d.author = "Sorvel";
    d.comment = "ダークテーマ ティールのアクセント 等倍で鮮明";
    d.extension = "bmp";
    d.theme = {
        .key = QColor(255, 0, 255),
        .bodyTop = QColor(0x29, 0x2D, 0x36),
        .bodyBottom = QColor(0x1B, 0x1E, 0x25),
        .border = QColor(0x0B, 0x0C, 0x10),
        .highlight = QColor(0x3D, 0x43, 0x50),
        .panel = QColor(0x0D, 0x0F, 0x13),
        .panelBorder = QColor(0x2C, 0x31, 0x3C),
        .accent = QColor(0x35, 0xD0, 0xBA),
        .accentHigh = QColor(0x4C, 0x8D, 0xFF),
        .face = QColor(0x25, 0x29, 0x31),
        .faceTop = QColor(0x32, 0x37, 0x42),
        .faceBorder = QColor(0x3B, 0x41, 0x4E),
        .icon = QColor(0xD0, 0xD7, 0xE2),
        .iconDim = QColor(0x80, 0x89, 0x99),
        .pressedIcon = QColor(0x0B, 0x0D, 0x11),
        .danger = QColor(0xE5, 0x48, 0x4D),
        .text = QColor(0xE8, 0xED, 0xF4),
        .textDim = QColor(0x74, 0x7D, 0x8D),
        .groove = QColor(0x30, 0x35, 0x40),
        .listBack = QColor(0x10, 0x12, 0x17),
        .listFore = QColor(0xA9, 0xB4, 0xC4),
    };
    d.mainSize = QSize(460, 142);
    d.radius = 10;
    d.display = QRect(12, 27, 436, 58);
    d.textArea = QRect(22, 32, 416, 20);
    d.titleOffset = QPoint(0, 1);
    d.titleFontSize = 11;
    d.timeText = QPoint(22, 56);
    d.timeFontSize = 13;
    d.spectrum = QRect(236, 56, 200, 24);
    d.seek = {QRect(14, 94, 432, 4), 14, 0, 100};
    d.volume = {QRect(356, 111, 90, 4), 12, 0, 10};
    d.pan = {QRect(356, 125, 90, 4), 12, -10, 10};
    addTransport(d, 14, 106, QSize(30, 24), 33);
    addStripButtons(d, 5, QSize(20, 18), 10);
    d.labels = {
        {"Sorvel", QPoint(17, 19), 13, true, true},
        {"メディアプレーヤー", QPoint(74, 19), 10, false, false},
        {"VOL", QPoint(328, 117), 9, true, false},
        {"PAN", QPoint(328, 131), 9, true, false},
    };

    d.playlistSize = QSize(460, 262);
    d.list = QRect(12, 27, 436, 196);
    d.playlistButtons = {
        B{0, QRect(12, 231, 28, 22), Icon::Add},
        B{1, QRect(44, 231, 28, 22), Icon::Save},
        B{2, QRect(76, 231, 28, 22), Icon::Remove},
        B{3, QRect(116, 231, 28, 22), Icon::Up},
        B{4, QRect(148, 231, 28, 22), Icon::Down},
        B{5, QRect(428, 5, 20, 18), Icon::Close, ButtonStyle::FlatDanger},
        B{6, QRect(188, 231, 28, 22), Icon::Clear},
    };
    d.playlistLabels = {
        {"プレイリスト", QPoint(17, 19), 12, true, false},
        {"Sorvel", QPoint(404, 247), 10, true, true},
    };
    d.magnet = false;
    d.playlistPosition = QPoint(0, 146);
    return d;
}

SkinDesign compactSkinDesign() {
    SkinDesign d;
    d.folder = "Compact";
    d.name = "Sorvel Compact";
    d.author = "Sorvel";
    d.comment = "小さな桜色のスキン PNG画像 プレイリストは本体に吸着";
    d.extension = "png";
    d.theme = {
        .key = QColor(0, 255, 0),
        .bodyTop = QColor(0x2D, 0x24, 0x33),
        .bodyBottom = QColor(0x1D, 0x18, 0x22),
        .border = QColor(0x0D, 0x0A, 0x10),
        .highlight = QColor(0x47, 0x3A, 0x50),
        .panel = QColor(0x12, 0x0E, 0x15),
        .panelBorder = QColor(0x36, 0x2B, 0x3D),
        .accent = QColor(0xFF, 0x7A, 0xA8),
        .accentHigh = QColor(0xFF, 0xC3, 0x6B),
        .face = QColor(0x2A, 0x22, 0x30),
        .faceTop = QColor(0x37, 0x2D, 0x3F),
        .faceBorder = QColor(0x48, 0x3B, 0x52),
        .icon = QColor(0xEC, 0xDF, 0xEE),
        .iconDim = QColor(0x92, 0x82, 0x9A),
        .pressedIcon = QColor(0x1A, 0x12, 0x20),
        .danger = QColor(0xE5, 0x48, 0x4D),
        .text = QColor(0xF4, 0xEB, 0xF4),
        .textDim = QColor(0x8E, 0x7E, 0x94),
        .groove = QColor(0x3D, 0x31, 0x46),
        .listBack = QColor(0x16, 0x11, 0x1A),
        .listFore = QColor(0xCB, 0xB8, 0xCE),
    };
    d.mainSize = QSize(320, 108);
    d.radius = 8;
    d.display = QRect(8, 22, 304, 42);
    d.textArea = QRect(14, 24, 292, 18);
    d.titleOffset = QPoint(0, 0);
    d.titleFontSize = 10;
    d.timeText = QPoint(14, 42);
    d.timeFontSize = 10;
    d.spectrum = QRect(196, 44, 110, 16);
    d.seek = {QRect(10, 70, 300, 4), 12, 0, 100};
    d.volume = {QRect(258, 83, 54, 3), 8, 0, 10};
    d.pan = {QRect(258, 95, 54, 3), 8, -10, 10};
    addTransport(d, 10, 80, QSize(24, 20), 26);
    addStripButtons(d, 3, QSize(18, 16), 8);
    d.labels = {{"Sorvel", QPoint(12, 15), 11, true, true}};

    d.playlistSize = QSize(320, 200);
    d.list = QRect(8, 22, 304, 146);
    d.playlistButtons = {
        B{0, QRect(8, 174, 24, 20), Icon::Add},
        B{1, QRect(34, 174, 24, 20), Icon::Save},
        B{2, QRect(60, 174, 24, 20), Icon::Remove},
        B{3, QRect(94, 174, 24, 20), Icon::Up},
        B{4, QRect(120, 174, 24, 20), Icon::Down},
        B{5, QRect(294, 3, 18, 16), Icon::Close, ButtonStyle::FlatDanger},
        B{6, QRect(154, 174, 24, 20), Icon::Clear},
    };
    d.playlistLabels = {{"プレイリスト", QPoint(12, 15), 11, true, false}};
    d.magnet = true;
    d.playlistPosition = QPoint(0, -108); // docked right below the main window
    return d;
}

} // namespace sorvel::skingen
