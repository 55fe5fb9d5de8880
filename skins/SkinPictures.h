// The skin's picture table: 29 rows of up to three states, plus the two window backgrounds.
#pragma once

#include "SkinDescription.h"

#include <QImage>
#include <array>
#include <string>

namespace sorvel {

class SkinPictures {
public:
    static constexpr int rowCount = 29;
    static constexpr int stateCount = 3;
    // Rows 0 to 6 and 10 to 17 are the main buttons by number; then these.
    static constexpr int volumeKnobRow = 18;
    static constexpr int trackKnobRow = 19;
    static constexpr int panKnobRow = 20;
    static constexpr int spectrumRow = 21;
    static constexpr int firstPlaylistButtonRow = 22;

    // The file name (relative to the skin folder, as the skin would write it) that fills a
    // slot, or "" for a slot that never holds a picture. Button 2 with extension bmp: "0-2.bmp"
    // and "1-2.bmp"; playlist button 0: "playlist\p0-0.bmp".
    static std::string fileName(const SkinDescription& description, int row, int state);

    // Loads every picture the description names, in the order the skin is applied: the knobs,
    // the main buttons, the main background, the analyzer picture, the playlist buttons and the
    // playlist background. Missing files give empty pictures. Throws PictureError for a file
    // that cannot be decoded; this table is then left as it was.
    void load(const SkinDescription& description);

    void clear();

    // An empty picture for rows and states outside the table.
    const QImage& picture(int row, int state = 0) const;
    const QImage& mainBackground() const { return mainBackground_; }
    const QImage& playlistBackground() const { return playlistBackground_; }

    // Names of the pictures the description names that were not found (for tools and tests;
    // the player itself shows nothing for them).
    const std::vector<std::string>& missing() const { return missing_; }

private:
    std::array<std::array<QImage, stateCount>, rowCount> rows_;
    QImage mainBackground_;
    QImage playlistBackground_;
    std::vector<std::string> missing_;
};

} // namespace sorvel
