// Fonts named by skins. Skins made on Windows name Windows fonts ("MS UI Gothic",
// "ＭＳ Ｐゴシック"); here those become an installed Japanese font.
#pragma once

#include "SkinDescription.h"

#include <QFont>
#include <QString>
#include <QStringList>

namespace sorvel {

// The installed family to use for a family a skin names: the family itself when installed,
// else for a known Japanese Windows font the first installed of Noto Sans CJK JP, IPAGothic,
// IPAPGothic and the like (serif ones prefer Noto Serif CJK JP and IPAMincho), else the first
// installed Japanese gothic, so Japanese titles always have glyphs. Names compare ignoring case,
// full-width letters and spaces.
QString mapSkinFontFamily(const QString& skinFamily, const QStringList& installedFamilies);

// No skin text is drawn larger than this many pixels: a damaged size must not make Qt render
// glyphs the size of a wall.
inline constexpr int kLargestFontPixels = 500;

// Pixels at 96 dots per inch for a size in points; sizes of 0 or less give the Windows default
// of 9 points.
int skinFontPixels(int points);

// The font for a skin's font keys, with the installed families of the running application
// (needs a QGuiApplication). Bold and italic are on for any value other than 0.
QFont skinFont(const SkinDescription::Font& font);

// The title text's font: the Windows player asked for a cell height of the skin's size + 2
// pixels, which for MS UI Gothic is also its em size, so that many pixels become the em size
// of the mapped font (Noto's taller line would otherwise shrink the letters). It is semi-bold
// only for a bold flag of exactly 1.
QFont skinTitleFont(const SkinDescription::Font& font);

} // namespace sorvel
