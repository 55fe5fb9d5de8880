// Writes the desktop files a package installs, from the same code that writes the user's own
// desktop entry and icons: sorvel.desktop, the MIME declarations and the PNG icons.
//   write_desktop_files OUTPUT-FOLDER
#include "FileAssociations.h"
#include "player_icon.h"

#include <QString>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_desktop_files OUTPUT-FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code error;
    fs::create_directories(out, error);
    bool ok = writeText(out / "sorvel.desktop", sorvel::installedDesktopEntryText()) &&
              writeText(out / "sorvel-mime.xml", sorvel::mimeTypesPackageText());
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const fs::path folder = out / "icons" / "hicolor" /
                                (std::to_string(side) + "x" + std::to_string(side)) / "apps";
        fs::create_directories(folder, error);
        ok = ok && sorvel::playerIconImage(side).save(
                       QString::fromStdString((folder / "sorvel.png").string()), "PNG");
    }
    if (!ok) {
        std::fprintf(stderr, "write_desktop_files: cannot write into %s\n", out.c_str());
        return 1;
    }
    return 0;
}
