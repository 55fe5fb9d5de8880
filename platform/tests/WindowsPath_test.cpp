#include "TempFolder.h"
#include "WindowsPath.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(WindowsPathSplit, SplitsOnBothSeparatorsAndDropsDriveAndEmptyParts) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(splitWindowsPath("Skins\\Blue\\"), (Parts{"Skins", "Blue"}));
    EXPECT_EQ(splitWindowsPath("C:\\Program Files\\x.bmp"), (Parts{"Program Files", "x.bmp"}));
    EXPECT_EQ(splitWindowsPath("a/b\\\\c"), (Parts{"a", "b", "c"}));
    EXPECT_EQ(splitWindowsPath(""), Parts{});
    EXPECT_TRUE(hasDriveLetter("d:"));
    EXPECT_FALSE(hasDriveLetter("1:"));
    EXPECT_FALSE(hasDriveLetter("Skins"));
}

TEST(WindowsPathResolve, MatchesEachComponentIgnoringCase) {
    TempFolder folder;
    folder.write("Skins/Blue/playlist/P0-0.BMP", "x");
    EXPECT_EQ(resolveWindowsPath("skins\\BLUE\\Playlist\\p0-0.bmp", folder.path()),
              folder / "Skins/Blue/playlist/P0-0.BMP");
    EXPECT_EQ(resolveWindowsPath("\\Skins\\Blue\\", folder.path()), folder / "Skins/Blue");
    EXPECT_EQ(resolveWindowsPath("Skins\\.\\Blue\\..\\Blue", folder.path()), folder / "Skins/Blue");
}

TEST(WindowsPathResolve, PrefersTheExactNameWhenBothSpellingsExist) {
    TempFolder folder;
    folder.write("back.bmp", "lower");
    folder.write("BACK.bmp", "upper");
    EXPECT_EQ(resolveWindowsPath("BACK.bmp", folder.path()), folder / "BACK.bmp");
    EXPECT_EQ(resolveWindowsPath("back.bmp", folder.path()), folder / "back.bmp");
    // Neither spelling exact: the choice is stable.
    EXPECT_EQ(resolveWindowsPath("Back.bmp", folder.path()), folder / "BACK.bmp");
}

TEST(WindowsPathResolve, MissingPartsStayAsWritten) {
    TempFolder folder;
    folder.write("Skins/a.bmp", "x");
    EXPECT_EQ(resolveWindowsPath("skins\\None\\b.bmp", folder.path()), folder / "Skins/None/b.bmp");
}

TEST(WindowsPathResolve, DriveLetterPathsFallBackToTheirTailBelowTheBase) {
    TempFolder folder;
    folder.write("Skins/Blue/back.bmp", "x");
    EXPECT_EQ(resolveWindowsPath("C:\\Program Files\\Sorvel\\skins\\blue\\", folder.path()),
              folder / "Skins/Blue");
    // An absolute path of this system is used as it is.
    EXPECT_EQ(resolveWindowsPath((folder / "skins/BLUE").string(), "/nowhere"),
              folder / "Skins/Blue");
    // A drive-letter path that names a real folder from the root is taken there.
    EXPECT_EQ(resolveWindowsPath("C:" + (folder / "Skins").string(), "/nowhere"), folder / "Skins");
}

TEST(WindowsPathResolve, SeveralBasesAreTriedInTurn) {
    TempFolder user;
    TempFolder shipped;
    user.write("Skins/Blue/Blue.ssf", "x");
    shipped.write("Skins/Blue/Blue.ssf", "x");
    shipped.write("Skins/Default/Default.ssf", "x");
    const std::vector<std::filesystem::path> bases = {{}, user.path(), shipped.path()};
    EXPECT_EQ(resolveWindowsPathIn("skins\\blue\\Blue.ssf", bases), user / "Skins/Blue/Blue.ssf");
    EXPECT_EQ(resolveWindowsPathIn("Skins\\Default\\Default.ssf", bases),
              shipped / "Skins/Default/Default.ssf");
    EXPECT_EQ(resolveWindowsPathIn("Skins\\None\\x.ssf", bases), user / "Skins/None/x.ssf");
}

TEST(WindowsPathFind, FindsAnExistingPathIgnoringCase) {
    TempFolder folder;
    folder.write("Skins/Default/0-2.BMP", "x");
    EXPECT_EQ(findPathIgnoringCase(folder / "skins/default/0-2.bmp"),
              folder / "Skins/Default/0-2.BMP");
    EXPECT_EQ(findPathIgnoringCase(folder / "skins/default/9-9.bmp"),
              folder / "skins/default/9-9.bmp");
}
