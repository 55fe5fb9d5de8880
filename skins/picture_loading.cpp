#include "picture_loading.h"

#include "PictureError.h"
#include "WindowsPath.h"

#include <QImageReader>
#include <QPainter>
#include <system_error>

namespace sorvel {
namespace {

QImage decode(const std::filesystem::path& path) {
    // Decoded by content, as both Windows loaders did; the extension only picks the loader.
    QImageReader reader(QString::fromStdString(path.string()));
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull()) {
        throw PictureError(path);
    }
    return image;
}

// What GDI+ hands out for a bitmap with background colour 0: every pixel composed over black.
QImage overBlack(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return image;
    }
    QImage composed(image.size(), QImage::Format_RGB32);
    composed.fill(Qt::black);
    QPainter painter(&composed);
    painter.drawImage(0, 0, image);
    return composed;
}

} // namespace

bool hasPngExtension(const std::filesystem::path& path) {
    return equalsIgnoringCase(path.extension().string(), ".png");
}

QImage PictureFromBitmapHandle(const QImage& bitmap) {
    if (bitmap.isNull()) {
        return {};
    }
    QImage picture = bitmap.convertToFormat(QImage::Format_RGB32);
    picture.detach();
    return picture;
}

QImage LoadPngPicture(const std::filesystem::path& path) {
    return PictureFromBitmapHandle(overBlack(decode(path)));
}

QImage LoadGeneralPicture(const std::filesystem::path& path) {
    QImage image = decode(path);
    if (image.hasAlphaChannel()) {
        // The general loader shows the colour channels whatever the alpha says.
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                line[x] |= 0xFF000000u;
            }
        }
        image.reinterpretAsFormat(QImage::Format_RGB32);
    }
    return PictureFromBitmapHandle(image);
}

QImage LoadSkinPicture(const std::filesystem::path& path) {
    const std::filesystem::path real = findPathIgnoringCase(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(real, error)) {
        return {};
    }
    return hasPngExtension(path) ? LoadPngPicture(real) : LoadGeneralPicture(real);
}

} // namespace sorvel
