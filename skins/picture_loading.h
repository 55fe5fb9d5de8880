// Loading skin pictures. Pictures are opaque QImages (Format_RGB32): skins get their transparent
// parts from the clear colour, never from an alpha channel, so a PNG's transparent pixels show
// black as they did on Windows.
#pragma once

#include <QImage>
#include <filesystem>

namespace sorvel {

// The picture at `path`, its components matched ignoring case; an empty picture when no file
// is there. Files whose extension is "png" (any case) go through LoadPngPicture, others through
// the general loader (BMP, GIF, JPEG, ICO). Throws PictureError when the file cannot be decoded.
QImage LoadSkinPicture(const std::filesystem::path& path);

// A PNG (or any picture the decoders know) laid over black. Throws PictureError when the file
// is missing or cannot be decoded.
QImage LoadPngPicture(const std::filesystem::path& path);

// The general loader: any picture the decoders know, its alpha channel ignored. Throws
// PictureError when the file is missing or cannot be decoded.
QImage LoadGeneralPicture(const std::filesystem::path& path);

// The picture object made from a decoded bitmap: an opaque copy that owns its pixels; an empty
// bitmap gives an empty picture.
QImage PictureFromBitmapHandle(const QImage& bitmap);

// True when the file-name extension of `path` is "png", compared without regard to case.
bool hasPngExtension(const std::filesystem::path& path);

} // namespace sorvel
