// Paints the shipped skins and writes them with their skin files, then draws a preview of how
// the player shows them. Run by hand (or `cmake --build BUILD --target regenerate_skins`) after
// changing a design; the results are committed.
//
//   skin_generator --skins assets/Skins [--preview docs/skin-preview.png] [--sheet FILE]
#include "SkinDesign.h"
#include "preview.h"
#include "skin_writer.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace sorvel::skingen;

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);

    std::filesystem::path skins;
    std::filesystem::path preview;
    std::filesystem::path sheet;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--skins") == 0) {
            skins = argv[i + 1];
        } else if (std::strcmp(argv[i], "--preview") == 0) {
            preview = argv[i + 1];
        } else if (std::strcmp(argv[i], "--sheet") == 0) {
            sheet = argv[i + 1];
        }
    }
    if (skins.empty()) {
        std::fprintf(stderr,
                     "usage: skin_generator --skins FOLDER [--preview PNG] [--sheet PNG]\n");
        return 2;
    }

    const SkinDesign designs[] = {defaultSkinDesign(), compactSkinDesign()};
    std::vector<std::filesystem::path> skinFiles;
    for (const auto& design : designs) {
        if (!writeSkin(design, skins)) {
            return 1;
        }
        skinFiles.push_back(skins / design.folder / (design.folder + ".ssf"));
    }
    // The skins' "-Dir" values are relative to the program folder, the one that holds Skins.
    const std::filesystem::path programFolder = std::filesystem::absolute(skins).parent_path();
    if (!preview.empty() &&
        !renderPreview(skinFiles, programFolder).save(QString::fromStdString(preview.string()))) {
        std::fprintf(stderr, "skin_generator: cannot write %s\n", preview.c_str());
        return 1;
    }
    if (!sheet.empty()) {
        for (std::size_t i = 0; i < skinFiles.size(); ++i) {
            const auto file =
                sheet.parent_path() / (sheet.stem().string() + "-" + designs[i].folder + ".png");
            renderPictureSheet(skinFiles[i], programFolder, 4)
                .save(QString::fromStdString(file.string()));
        }
    }
    return 0;
}
