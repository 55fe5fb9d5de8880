#include "SkinPictures.h"

#include "picture_loading.h"
#include "skin_file.h"

#include <algorithm>
#include <system_error>

namespace sorvel {
namespace {

bool isMainButton(int row) {
    return (row >= 0 && row <= 6) || (row >= 10 && row <= 17);
}

const QImage emptyPicture;

} // namespace

std::string SkinPictures::fileName(const SkinDescription& d, int row, int state) {
    if (state < 0 || state >= stateCount) {
        return {};
    }
    if (isMainButton(row)) {
        if (state == 2 && row != 11) {
            return {};
        }
        return std::to_string(state) + "-" + std::to_string(row) + "." + d.extension;
    }
    if (row >= firstPlaylistButtonRow && row < rowCount) {
        if (state == 2) {
            return {};
        }
        return "playlist\\p" + std::to_string(row - firstPlaylistButtonRow) + "-" +
               std::to_string(state) + "." + d.extension;
    }
    if (state != 0) {
        return {};
    }
    switch (row) {
    case volumeKnobRow:
        return d.volumeSlider.barPicture;
    case trackKnobRow:
        return d.trackSlider.barPicture;
    case panKnobRow:
        return d.panSlider.barPicture;
    case spectrumRow:
        return d.spectrumPicture;
    default:
        return {};
    }
}

void SkinPictures::load(const SkinDescription& d) {
    SkinPictures loaded;
    auto loadNamed = [&](const std::string& name) {
        if (name.empty()) {
            return QImage{};
        }
        QImage picture = LoadSkinPicture(skinFilePath(d, name));
        if (picture.isNull()) {
            loaded.missing_.push_back(name);
        }
        return picture;
    };
    auto loadRow = [&](int row) {
        for (int state = 0; state < stateCount; ++state) {
            loaded.rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(state)] =
                loadNamed(fileName(d, row, state));
        }
    };

    for (const int row : {volumeKnobRow, trackKnobRow, panKnobRow}) {
        loadRow(row);
    }
    for (const int number : SkinDescription::buttonNumbers) {
        loadRow(number);
    }
    loaded.mainBackground_ = loadNamed(d.backPicture);
    loadRow(spectrumRow);
    for (int row = firstPlaylistButtonRow; row < rowCount; ++row) {
        loadRow(row);
    }
    // The playlist background chose its loader by the name's last three characters.
    const std::filesystem::path back = skinFilePath(d, d.playListMain.backPic);
    std::error_code error;
    if (std::filesystem::is_regular_file(back, error)) {
        const std::string& name = d.playListMain.backPic;
        const bool png = name.size() >= 3 && hasPngExtension("." + name.substr(name.size() - 3));
        loaded.playlistBackground_ = png ? LoadPngPicture(back) : LoadGeneralPicture(back);
    } else {
        loaded.missing_.push_back(d.playListMain.backPic);
    }
    *this = std::move(loaded);
}

void SkinPictures::clear() {
    *this = SkinPictures{};
}

const QImage& SkinPictures::picture(int row, int state) const {
    if (row < 0 || row >= rowCount || state < 0 || state >= stateCount) {
        return emptyPicture;
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(state)];
}

} // namespace sorvel
