#include "preview.h"

#include "SkinPictures.h"
#include "skin_file.h"
#include "skin_fonts.h"
#include "skin_layout.h"
#include "skin_shape.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

namespace sorvel::skingen {
namespace {

struct LoadedSkin {
    SkinDescription description;
    SkinPictures pictures;
};

LoadedSkin loadSkin(const std::filesystem::path& skinFile,
                    const std::filesystem::path& programFolder) {
    LoadedSkin skin;
    skin.description = ReadSkinDescription(skinFile, programFolder);
    skin.pictures.load(skin.description);
    return skin;
}

// A made-up spectrum in the analyzer's way: bars copied from the bar picture, white caps above.
void paintAnalyzer(QPainter& p, const LoadedSkin& skin, const QRect& area) {
    const QImage& bars = skin.pictures.picture(SkinPictures::spectrumRow);
    const int k = 2;
    const int h = area.height();
    for (int i = 0; i < std::min(area.width(), 256); i += 2 * k) {
        const double x = i / 255.0;
        double level = 0.95 * std::exp(-x * 3.2) +
                       0.35 * std::pow(std::sin(i * 0.13), 2) * std::exp(-x * 1.5) +
                       0.08 * std::abs(std::sin(i * 1.7));
        level = std::clamp(level, 0.06, 1.0);
        const int top = h - static_cast<int>(std::lround(level * (h - 1)));
        const int right = i + 2;
        const QRect bar(i, top, right - i, h - top);
        if (!bars.isNull()) {
            p.drawImage(area.topLeft() + bar.topLeft(), bars, bar);
        } else {
            p.fillRect(bar.translated(area.topLeft()), toQColor(skin.description.spectrumColor));
        }
        const int cap = std::max(0, top - 2 - (i % 12 == 0 ? 2 : 0));
        p.fillRect(QRect(area.left() + i, area.top() + cap - 2, 2, 2), Qt::white);
    }
}

QImage composeMainWindow(const LoadedSkin& skin) {
    const SkinDescription& d = skin.description;
    SkinPlayerState player;
    player.volumeLevel = 7;
    player.panPosition = -3;
    player.randomMode = true;
    player.loopMode = 2;
    const MainWindowLayout layout = mainWindowLayout(d, skin.pictures, player);

    QImage window(layout.clientSize, QImage::Format_RGB32);
    window.fill(toQColor(d.clearColor));
    QPainter p(&window);
    p.drawImage(0, 0, skin.pictures.mainBackground());
    paintAnalyzer(p, skin, layout.spectrumArea);

    p.save();
    p.setClipRect(layout.textArea);
    p.setFont(skinTitleFont(d.titleFont));
    p.setPen(toQColor(d.titleFontColor));
    p.drawText(QRect(layout.textArea.topLeft() + layout.titleOffset, layout.textArea.size()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               QString::fromUtf8("夜明けのシンフォニー - Sorvel Ensemble"));
    p.restore();

    // The time text keeps its right edge where "00:00/00:00" would end.
    const QFont timeFont = skinFont(d.timeTxtFont);
    const QFontMetrics metrics(timeFont);
    const QString time = "01:23/04:56";
    const int left = layout.timeText.x() -
                     (metrics.horizontalAdvance(time) - metrics.horizontalAdvance("00:00/00:00"));
    p.setFont(timeFont);
    p.setPen(toQColor(d.timeTxtColor));
    p.drawText(QRect(QPoint(left, layout.timeText.y()), metrics.size(0, time)),
               Qt::AlignLeft | Qt::AlignTop, time);

    for (const auto& button : layout.buttons) {
        if (button.visible) {
            p.drawImage(button.position,
                        mainButtonPicture(skin.pictures, button.number, button.state));
        }
    }
    p.drawImage(layout.volumeKnob, skin.pictures.picture(SkinPictures::volumeKnobRow));
    p.drawImage(trackKnobPosition(d.trackSlider, 83000, 296000),
                skin.pictures.picture(SkinPictures::trackKnobRow));
    p.drawImage(layout.panKnob, skin.pictures.picture(SkinPictures::panKnobRow));
    return window;
}

QImage composePlaylistWindow(const LoadedSkin& skin) {
    const SkinDescription& d = skin.description;
    const PlaylistWindowLayout layout = playlistWindowLayout(d, QPoint());
    QImage window(layout.clientSize, QImage::Format_RGB32);
    window.fill(toQColor(d.clearColor));
    QPainter p(&window);
    p.drawImage(0, 0, skin.pictures.playlistBackground());
    for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
        p.drawImage(layout.buttons[i],
                    skin.pictures.picture(SkinPictures::firstPlaylistButtonRow + int(i), 0));
    }

    // The list as a report view draws it: header, then rows, the playing one in the
    // complement of the background.
    const QColor back = toQColor(layout.listBackColor);
    const QColor fore = toQColor(layout.listForeColor);
    const QColor current = toQColor(0xFFFFFFu - layout.listBackColor);
    p.fillRect(layout.list, back);
    SkinDescription::Font listFont;
    listFont.name = "ＭＳ Ｐゴシック";
    listFont.size = 9;
    p.setFont(skinFont(listFont));
    const int rowHeight = 17;
    const auto widths = layout.columnWidths;
    const int x0 = layout.list.left();
    const int x1 = x0 + widths[0];
    const int x2 = x1 + widths[1];
    QRect header(layout.list.topLeft(), QSize(layout.list.width(), rowHeight + 1));
    p.fillRect(header, QColor::fromRgbF(back.redF() * 0.6 + fore.redF() * 0.4 * 0.25,
                                        back.greenF() * 0.6 + fore.greenF() * 0.4 * 0.25,
                                        back.blueF() * 0.6 + fore.blueF() * 0.4 * 0.25));
    p.setPen(fore.darker(130));
    const int pad = 4;
    p.drawText(QRect(x0 + pad, header.top(), widths[0], rowHeight), Qt::AlignVCenter, "No.");
    p.drawText(QRect(x1 + pad, header.top(), widths[1], rowHeight), Qt::AlignVCenter, "Title");
    p.drawText(QRect(x2 + pad, header.top(), widths[2], rowHeight), Qt::AlignVCenter, "Time");

    const char* rows[][2] = {
        {"夜明けのシンフォニー - Sorvel Ensemble", "04:56"},
        {"桜の舞う午後 - 春風楽団", "03:42"},
        {"Midnight Drive - Neon Lights", "05:10"},
        {"雨音のワルツ - 山田 花子", "03:05"},
        {"海辺の記憶.mp3", "04:21"},
        {"Track - 6", "02:58"},
        {"星降る夜に - Stellar", "06:02"},
        {"ささやかな祈り - 木漏れ日", "03:33"},
        {"Autumn Leaves (Live) - Trio Sorvel", "07:45"},
        {"夏祭りの夜 - 花火団", "04:08"},
        {"コーヒーと朝日 - カフェ・ノート", "03:12"},
    };
    int y = header.bottom() + 2;
    int number = 1;
    p.setClipRect(layout.list);
    for (const auto& row : rows) {
        if (y + rowHeight > layout.list.bottom()) {
            break;
        }
        p.setPen(number == 1 ? current : fore);
        p.drawText(QRect(x0, y, widths[0] - pad, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   QString("%1.").arg(number, 3));
        p.drawText(QRect(x1 + pad, y, widths[1] - 2 * pad, rowHeight), Qt::AlignVCenter,
                   p.fontMetrics().elidedText(QString::fromUtf8(row[0]), Qt::ElideRight,
                                              widths[1] - 2 * pad));
        p.drawText(QRect(x2, y, widths[2] - pad, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   row[1]);
        y += rowHeight;
        ++number;
    }
    return window;
}

// Draws a window the way the desktop shows it: its clear-colour pixels are holes.
void drawShaped(QPainter& p, const QImage& window, QPoint at, SkinColour clear) {
    QImage shaped = window.convertToFormat(QImage::Format_ARGB32);
    const QImage mask = clearColourMask(window, clear);
    for (int y = 0; y < shaped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shaped.scanLine(y));
        for (int x = 0; x < shaped.width(); ++x) {
            if (mask.pixelIndex(x, y) == 0) {
                line[x] = 0;
            }
        }
    }
    p.drawImage(at, shaped);
}

} // namespace

QImage renderPreview(const std::vector<std::filesystem::path>& skinFiles,
                     const std::filesystem::path& programFolder) {
    const int margin = 24;
    struct Placed {
        QImage main;
        QImage playlist;
        QPoint mainAt;
        QPoint playlistAt;
        SkinColour clear;
    };
    std::vector<Placed> placed;
    int x = margin;
    QSize canvas(0, 0);
    for (const auto& file : skinFiles) {
        const LoadedSkin skin = loadSkin(file, programFolder);
        Placed window{composeMainWindow(skin),
                      composePlaylistWindow(skin),
                      QPoint(x, margin),
                      {},
                      skin.description.clearColor};
        // Magnet mode places the playlist from the main window; otherwise its screen position
        // is taken from this skin's own corner of the picture.
        window.playlistAt = skin.description.playListMain.magnetMode != 0
                                ? playlistWindowPosition(skin.description, window.mainAt)
                                : playlistWindowPosition(skin.description, {}) + window.mainAt;
        const int right = std::max(window.mainAt.x() + window.main.width(),
                                   window.playlistAt.x() + window.playlist.width());
        const int bottom = std::max(window.mainAt.y() + window.main.height(),
                                    window.playlistAt.y() + window.playlist.height());
        canvas = canvas.expandedTo(QSize(right + margin, bottom + margin));
        x = right + 2 * margin;
        placed.push_back(std::move(window));
    }

    QImage image(canvas, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient desk(0, 0, canvas.width(), canvas.height());
    desk.setColorAt(0, QColor(0x4A, 0x5A, 0x70));
    desk.setColorAt(1, QColor(0x20, 0x27, 0x31));
    p.fillRect(image.rect(), desk);
    for (const auto& window : placed) {
        drawShaped(p, window.main, window.mainAt, window.clear);
        drawShaped(p, window.playlist, window.playlistAt, window.clear);
    }
    return image;
}

QImage renderPictureSheet(const std::filesystem::path& skinFile,
                          const std::filesystem::path& programFolder, int zoom) {
    const LoadedSkin skin = loadSkin(skinFile, programFolder);
    std::vector<std::vector<QImage>> rows;
    for (const int number : SkinDescription::buttonNumbers) {
        std::vector<QImage> states;
        for (int state = 0; state < SkinPictures::stateCount; ++state) {
            if (!skin.pictures.picture(number, state).isNull()) {
                states.push_back(skin.pictures.picture(number, state));
            }
        }
        rows.push_back(states);
    }
    rows.push_back({skin.pictures.picture(SkinPictures::volumeKnobRow),
                    skin.pictures.picture(SkinPictures::trackKnobRow),
                    skin.pictures.picture(SkinPictures::panKnobRow),
                    skin.pictures.picture(SkinPictures::spectrumRow)});
    for (int row = SkinPictures::firstPlaylistButtonRow; row < SkinPictures::rowCount; ++row) {
        rows.push_back({skin.pictures.picture(row, 0), skin.pictures.picture(row, 1)});
    }
    // Lay the rows out in columns of pictures, each enlarged without smoothing.
    const int gap = 6;
    int width = 0;
    int height = gap;
    for (const auto& row : rows) {
        int w = gap;
        int h = 0;
        for (const auto& picture : row) {
            w += picture.width() * zoom + gap;
            h = std::max(h, picture.height() * zoom);
        }
        width = std::max(width, w);
        height += h + gap;
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(0x60, 0x60, 0x60));
    QPainter p(&sheet);
    int y = gap;
    for (const auto& row : rows) {
        int xAt = gap;
        int h = 0;
        for (const auto& picture : row) {
            p.drawImage(xAt, y,
                        picture.scaled(picture.size() * zoom, Qt::IgnoreAspectRatio,
                                       Qt::FastTransformation));
            xAt += picture.width() * zoom + gap;
            h = std::max(h, picture.height() * zoom);
        }
        y += h + gap;
    }
    return sheet;
}

} // namespace sorvel::skingen
