// Paints every picture of a generated skin.
#pragma once

#include "SkinDesign.h"

#include <QImage>
#include <string>
#include <utility>
#include <vector>

namespace sorvel::skingen {

// File name below the skin folder ("/" separated, extension included) and picture, for every
// picture the skin file names: backgrounds, the fifteen buttons in all their states, the three
// knobs, the analyzer's bar picture and the seven playlist buttons in both states.
std::vector<std::pair<std::string, QImage>> paintSkinPictures(const SkinDesign& design);

} // namespace sorvel::skingen
