#include "PictureError.h"
#include "SkinFolder.h"
#include "picture_loading.h"

#include <gtest/gtest.h>

using namespace sorvel;

namespace {

// The error a load raised, or 0.
int errorNumber(const std::function<void()>& load) {
    try {
        load();
    } catch (const PictureError& error) {
        EXPECT_STREQ(error.what(), "ピクチャが不正です。");
        return error.number();
    }
    return 0;
}

} // namespace

TEST(PictureLoading, MissingFileGivesAnEmptyPicture) {
    SkinFolder folder;
    EXPECT_TRUE(LoadSkinPicture(folder / "none.bmp").isNull());
    EXPECT_TRUE(LoadSkinPicture(folder / "none.png").isNull());
    // A folder where a picture is expected is no picture either.
    std::filesystem::create_directory(folder / "dir.bmp");
    EXPECT_TRUE(LoadSkinPicture(folder / "dir.bmp").isNull());
}

TEST(PictureLoading, UndecodablePicturesRaise481) {
    SkinFolder folder;
    const auto png = folder.write("broken.png", "\x89PNG\r\n\x1a\nthis is not a png");
    const auto bmp = folder.write("broken.bmp", "BM garbage");
    const auto empty = folder.write("empty.bmp", "");
    EXPECT_EQ(errorNumber([&] { LoadSkinPicture(png); }), 481);
    EXPECT_EQ(errorNumber([&] { LoadSkinPicture(bmp); }), 481);
    EXPECT_EQ(errorNumber([&] { LoadSkinPicture(empty); }), 481);
    // Called directly, the loaders raise the same error for a missing file.
    EXPECT_EQ(errorNumber([&] { LoadPngPicture(folder / "none.png"); }), 481);
    EXPECT_EQ(errorNumber([&] { LoadGeneralPicture(folder / "none.bmp"); }), 481);
}

TEST(PictureLoading, TruncatedPngRaises481) {
    SkinFolder folder;
    const auto good = folder.picture("good.png", Qt::red, 64, 64);
    const std::string bytes = TempFolder::read(good);
    const auto cut = folder.write("cut.png", bytes.substr(0, bytes.size() / 3));
    EXPECT_EQ(errorNumber([&] { LoadSkinPicture(cut); }), 481);
}

TEST(PictureLoading, PngLoaderLaysTransparencyOverBlackAndTheGeneralLoaderIgnoresIt) {
    SkinFolder folder;
    // Half-transparent red, stored as PNG under both kinds of name.
    const QColor halfRed(255, 0, 0, 128);
    folder.picture("half.PNG", halfRed);
    std::filesystem::copy_file(folder / "half.PNG", folder / "half.bmp");

    const QImage viaPng = LoadSkinPicture(folder / "half.PNG");
    ASSERT_FALSE(viaPng.isNull());
    EXPECT_FALSE(viaPng.hasAlphaChannel());
    EXPECT_NEAR(qRed(viaPng.pixel(0, 0)), 128, 1);

    const QImage viaGeneral = LoadSkinPicture(folder / "half.bmp");
    ASSERT_FALSE(viaGeneral.isNull());
    EXPECT_EQ(qRed(viaGeneral.pixel(0, 0)), 255);
}

TEST(PictureLoading, PicturesAreFoundIgnoringCase) {
    SkinFolder folder;
    folder.picture("Skins/Blue/0-2.BMP", Qt::green);
    const QImage picture = LoadSkinPicture(folder / "skins/blue/0-2.bmp");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixel(0, 0), QColor(Qt::green).rgb());
}

TEST(PictureLoading, PictureFromBitmapHandleOwnsAnOpaqueCopy) {
    EXPECT_TRUE(PictureFromBitmapHandle(QImage()).isNull());
    QImage source(4, 4, QImage::Format_RGB888);
    source.fill(Qt::blue);
    const QImage picture = PictureFromBitmapHandle(source);
    source.fill(Qt::red);
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(picture.pixel(1, 1), QColor(Qt::blue).rgb());
}

TEST(PictureLoading, PngExtensionIsComparedIgnoringCase) {
    EXPECT_TRUE(hasPngExtension("a/back.PNG"));
    EXPECT_TRUE(hasPngExtension("back.Png"));
    EXPECT_FALSE(hasPngExtension("back.bmp"));
    EXPECT_FALSE(hasPngExtension("png"));
    EXPECT_FALSE(hasPngExtension("back.png.bmp"));
}
