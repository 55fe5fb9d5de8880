// A program folder for skin tests: skin files and pictures written into a temporary folder.
#pragma once

#include "TempFolder.h"

#include <QColor>
#include <QImage>
#include <string>

namespace sorvel {

class SkinFolder : public TempFolder {
public:
    // A picture of one colour; the format follows the file name's extension.
    std::filesystem::path picture(const std::filesystem::path& name, QColor colour, int width = 8,
                                  int height = 6) const {
        const auto file = path() / name;
        std::filesystem::create_directories(file.parent_path());
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(colour);
        std::string format = file.extension().string().substr(1);
        for (char& c : format) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        image.save(QString::fromStdString(file.string()), format.c_str());
        return file;
    }

    // Every picture a skin with this extension names, in folder `dir` below the program folder,
    // `upperCase` writing their names in capitals.
    void fullSetOfPictures(const std::string& dir, const std::string& extension,
                           bool upperCase = false) const {
        auto name = [&](std::string text) {
            if (upperCase) {
                for (char& c : text) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
            }
            return std::filesystem::path(dir) / text;
        };
        for (int number : {0, 1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 16, 17}) {
            for (int state = 0; state < (number == 11 ? 3 : 2); ++state) {
                picture(
                    name(std::to_string(state) + "-" + std::to_string(number) + "." + extension),
                    QColor(number * 10, state * 100, 0));
            }
        }
        for (int button = 0; button < 7; ++button) {
            for (int state = 0; state < 2; ++state) {
                picture(name("playlist/p" + std::to_string(button) + "-" + std::to_string(state) +
                             "." + extension),
                        Qt::blue);
            }
        }
        picture(name("back." + extension), Qt::darkGray, 300, 100);
        picture(name("bar." + extension), Qt::white, 10, 10);
        picture(name("spectrum." + extension), Qt::green, 100, 30);
        picture(name("playlist/playlists." + extension), Qt::black, 300, 200);
    }
};

} // namespace sorvel
