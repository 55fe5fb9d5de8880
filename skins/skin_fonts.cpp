#include "skin_fonts.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

namespace sorvel {
namespace {

const QStringList japaneseGothic{"Noto Sans CJK JP", "IPAGothic",    "IPAPGothic",  "IPAexGothic",
                                 "VL Gothic",        "TakaoPGothic", "Noto Sans JP"};
const QStringList japaneseMincho{"Noto Serif CJK JP", "IPAMincho",    "IPAPMincho",
                                 "IPAexMincho",       "TakaoPMincho", "Noto Serif JP"};

// "ＭＳ Ｐゴシック" and "ms pgothic" alike: full-width ASCII folded, spaces dropped, lower case.
QString foldName(const QString& name) {
    QString folded;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) {
            c = QChar(char16_t(u - 0xFF01 + 0x21));
        }
        if (c.isSpace() || c == QChar(0x3000)) {
            continue;
        }
        folded += c.toLower();
    }
    return folded;
}

bool isWindowsJapaneseFont(const QString& folded, bool& serif) {
    static const QStringList gothic{"msuigothic", "msgothic",     "mspgothic",      "ｍｓゴシック",
                                    "msゴシック", "msｐゴシック", "mspゴシック",    "meiryo",
                                    "meiryoui",   "メイリオ",     "yugothic",       "yugothicui",
                                    "游ゴシック", "osaka",        "ヒラギノ角ゴpro"};
    static const QStringList mincho{"msmincho", "mspmincho", "ms明朝",
                                    "msp明朝",  "yumincho",  "游明朝"};
    if (mincho.contains(folded)) {
        serif = true;
        return true;
    }
    serif = false;
    return gothic.contains(folded);
}

QString firstInstalled(const QStringList& wanted, const QStringList& installed) {
    for (const QString& family : wanted) {
        for (const QString& have : installed) {
            if (have.compare(family, Qt::CaseInsensitive) == 0) {
                return have;
            }
        }
    }
    return {};
}

} // namespace

QString mapSkinFontFamily(const QString& skinFamily, const QStringList& installedFamilies) {
    const QString folded = foldName(skinFamily);
    for (const QString& have : installedFamilies) {
        if (!folded.isEmpty() && foldName(have) == folded) {
            return have;
        }
    }
    bool serif = false;
    if (isWindowsJapaneseFont(folded, serif) && serif) {
        const QString mincho = firstInstalled(japaneseMincho, installedFamilies);
        if (!mincho.isEmpty()) {
            return mincho;
        }
    }
    const QString gothic = firstInstalled(japaneseGothic, installedFamilies);
    return gothic.isEmpty() ? skinFamily : gothic;
}

int skinFontPixels(int points) {
    const int size = points > 0 ? std::min(points, kLargestFontPixels) : 9;
    return std::min(kLargestFontPixels, static_cast<int>(std::lround(size * 96.0 / 72.0)));
}

QFont skinFont(const SkinDescription::Font& font) {
    const QStringList installed = QFontDatabase::families();
    const QString family = mapSkinFontFamily(QString::fromStdString(font.name), installed);
    QFont qfont;
    // The Japanese gothic stays behind the chosen family for glyphs a Western font lacks.
    QStringList families{family};
    const QString fallback = firstInstalled(japaneseGothic, installed);
    if (!fallback.isEmpty() && fallback != family) {
        families << fallback;
    }
    qfont.setFamilies(families);
    qfont.setPixelSize(skinFontPixels(font.size));
    qfont.setBold(font.bold != 0);
    qfont.setItalic(font.italic != 0);
    // Crisp text at 1x, as the Windows player drew it.
    qfont.setHintingPreference(QFont::PreferFullHinting);
    return qfont;
}

QFont skinTitleFont(const SkinDescription::Font& font) {
    QFont qfont = skinFont(font);
    qfont.setPixelSize(std::clamp(font.size, -1, kLargestFontPixels - 2) + 2);
    // The title is drawn semi-bold for a bold flag of exactly 1, and plain for any other value.
    qfont.setWeight(font.bold == 1 ? QFont::DemiBold : QFont::Normal);
    return qfont;
}

} // namespace sorvel
