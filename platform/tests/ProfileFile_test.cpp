#include "ProfileFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace sorvel;

namespace {

// "設定" and "青" in CP932.
constexpr std::string_view settingsCp932 = "\x90\xdd\x92\xe8";
constexpr std::string_view blueCp932 = "\x90\xc2";

} // namespace

TEST(ProfileInt, ReadsLeadingDecimalDigitsWithOptionalBlanksAndSign) {
    EXPECT_EQ(parseProfileInt("42"), 42);
    EXPECT_EQ(parseProfileInt("  -17"), -17);
    EXPECT_EQ(parseProfileInt("\t8"), 8);
    EXPECT_EQ(parseProfileInt("+3"), 3);
    EXPECT_EQ(parseProfileInt("12px"), 12);
    EXPECT_EQ(parseProfileInt("3.9"), 3);
    EXPECT_EQ(parseProfileInt("007"), 7);
}

TEST(ProfileInt, NonNumericTextIsZeroNotTheDefault) {
    EXPECT_EQ(parseProfileInt("abc"), 0);
    EXPECT_EQ(parseProfileInt("-"), 0);
    EXPECT_EQ(parseProfileInt("- 5"), 0);
    // Hexadecimal is not read: only the leading 0 counts.
    EXPECT_EQ(parseProfileInt("0x10"), 0);
    EXPECT_EQ(parseProfileInt("FFFFFF"), 0);
}

TEST(ProfileInt, WrapsAtThirtyTwoBits) {
    EXPECT_EQ(parseProfileInt("2147483647"), 2147483647);
    EXPECT_EQ(parseProfileInt("2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseProfileInt("4294967295"), -1);
    EXPECT_EQ(parseProfileInt("4294967296"), 0);
    EXPECT_EQ(parseProfileInt("-4294967297"), -1);
}

TEST(ProfileFileRead, MissingOrEmptyKeyGivesTheDefault) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "[S]\nEmpty=\nBlank=   \nText=abc\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "Missing", 7, file), 7);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Empty", 7, file), 7);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Blank", 7, file), 7);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Text", 7, file), 0);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Text", 7, file), 7);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Text", 7, folder / "missing.ini"), 7);
    EXPECT_EQ(GetPrivateProfileStringA("S", "Missing", "dflt", 256, file), "dflt");
    EXPECT_EQ(GetPrivateProfileStringA("S", "Empty", "dflt", 256, file), "");
}

TEST(ProfileFileRead, NamesIgnoreCaseAndSurroundingBlanks) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "  [ SkinSetting ]  \n  -MainWidth  =  300  \n");
    EXPECT_EQ(GetPrivateProfileIntA("skinsetting", "-MAINWIDTH", 0, file), 300);
    EXPECT_EQ(GetPrivateProfileStringA("SKINSETTING", "-mainwidth", "", 256, file), "300");
}

TEST(ProfileFileRead, FirstSectionAndFirstKeyWin) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nonly=5\n");
    EXPECT_EQ(GetPrivateProfileIntA("A", "k", 0, file), 1);
    EXPECT_EQ(GetPrivateProfileIntA("B", "k", 0, file), 3);
    // The second [a] is never searched, as on Windows.
    EXPECT_EQ(GetPrivateProfileIntA("A", "only", -1, file), -1);
}

TEST(ProfileFileRead, CommentsAndKeysBeforeAnySectionAreIgnored) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "k=0\n[S]\n;k=1\n  ; k=2\nk=3 ; not a comment\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", 256, file), "3 ; not a comment");
    EXPECT_EQ(GetPrivateProfileStringA("S", ";k", "none", 256, file), "none");
}

TEST(ProfileFileRead, OnePairOfMatchingQuotesIsRemoved) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "[S]\n"
                                            "double=\" spaced \"\n"
                                            "single='x'\n"
                                            "mixed=\"x'\n"
                                            "nested=\"\"x\"\"\n"
                                            "lone=\"\n"
                                            "number=\"12\"\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "double", "", 256, file), " spaced ");
    EXPECT_EQ(GetPrivateProfileStringA("S", "single", "", 256, file), "x");
    EXPECT_EQ(GetPrivateProfileStringA("S", "mixed", "", 256, file), "\"x'");
    EXPECT_EQ(GetPrivateProfileStringA("S", "nested", "", 256, file), "\"x\"");
    EXPECT_EQ(GetPrivateProfileStringA("S", "lone", "", 256, file), "\"");
    EXPECT_EQ(GetPrivateProfileIntA("S", "number", 0, file), 12);
}

TEST(ProfileFileRead, BufferSizeLimitsTheTextToOneCharacterLess) {
    TempFolder folder;
    const auto file = folder.write("a.ini", "[S]\nlong=" + std::string(300, 'x') + "\njp=青い空\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", 256, file), std::string(255, 'x'));
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", 1, file), "");
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", 0, file), "");
    // Japanese counts by characters and is never cut inside one.
    EXPECT_EQ(GetPrivateProfileStringA("S", "jp", "", 3, file), "青い");
    EXPECT_EQ(GetPrivateProfileStringA("S", "none", "abc", 3, file), "ab");
    EXPECT_EQ(GetPrivateProfileStringA("S", "none", "ab  ", 256, file), "ab");
}

TEST(ProfileFileRead, LineEndingsOfAllKindsAndAByteOrderMarkAreAccepted) {
    TempFolder folder;
    const auto crlf = folder.write("crlf.ini", "[S]\r\na=1\r\nb=2\r\n");
    const auto cr = folder.write("cr.ini", "[S]\ra=1\rb=2");
    const auto bom = folder.write("bom.ini", "\xEF\xBB\xBF[S]\na=1\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "a", "", 256, crlf), "1");
    EXPECT_EQ(GetPrivateProfileIntA("S", "b", 0, crlf), 2);
    EXPECT_EQ(GetPrivateProfileIntA("S", "b", 0, cr), 2);
    EXPECT_EQ(GetPrivateProfileIntA("S", "a", 0, bom), 1);
}

TEST(ProfileFileRead, Cp932FilesReadAsUtf8) {
    TempFolder folder;
    const auto file = folder.write(
        "win.ini", "[" + std::string(settingsCp932) + "]\r\nname=" + std::string(blueCp932) +
                       "\r\n[S]\r\npath=Skins\\" + std::string(blueCp932) + "\\\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("設定", "name", "", 256, file), "青");
    EXPECT_EQ(GetPrivateProfileStringA("S", "path", "", 256, file), "Skins\\青\\");
}

TEST(ProfileFileRead, Cp932TrailBytesThatLookLikeBracketsDoNotEndASection) {
    TempFolder folder;
    // "ソ" is 83 5C in CP932 and "ﾝ]" style trail bytes include 0x5D (']'): "ポ" is 83 7C, "望" is
    // 96 5D.
    const auto file = folder.write("win.ini", "[\x96\x5D]\r\nk=\x83\x5C\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("望", "k", "", 256, file), "ソ");
}

TEST(ProfileFileWrite, CreatesFileSectionAndKey) {
    TempFolder folder;
    const auto file = folder / "new.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "-Volume", "5", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "-Pan", "0", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Other", "-Name", "青", file));
    EXPECT_EQ(TempFolder::read(file), "[Main]\n-Volume=5\n-Pan=0\n\n[Other]\n-Name=青\n");
}

TEST(ProfileFileWrite, ReplacesAValueInPlaceAndKeepsEveryOtherLine) {
    TempFolder folder;
    const std::string original = "; my settings\r\n"
                                 "[Main]\r\n"
                                 "  -Volume = 5\r\n"
                                 "; keep me\r\n"
                                 "-Pan=0\r\n"
                                 "\r\n"
                                 "[Skin]\r\n"
                                 "-SkinFile=Skins\\Default\\Default.ssf\r\n";
    const auto file = folder.write("s.ini", original);
    ASSERT_TRUE(WritePrivateProfileStringA("main", "-volume", "8", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "-Random", "255", file));
    EXPECT_EQ(TempFolder::read(file), "; my settings\r\n"
                                      "[Main]\r\n"
                                      "  -Volume = 8\r\n"
                                      "; keep me\r\n"
                                      "-Pan=0\r\n"
                                      "-Random=255\r\n"
                                      "\r\n"
                                      "[Skin]\r\n"
                                      "-SkinFile=Skins\\Default\\Default.ssf\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("Main", "-Volume", 0, file), 8);
}

TEST(ProfileFileWrite, LastLineWithoutLineEndGetsOneBeforeAnAddedLine) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "[A]\r\nx=1");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "y", "2", file));
    EXPECT_EQ(TempFolder::read(file), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST(ProfileFileWrite, Cp932FileIsRewrittenAsUtf8WithTheSameText) {
    TempFolder folder;
    const auto file =
        folder.write("win.ini", "[S]\r\nname=" + std::string(blueCp932) + "\r\nsize=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "size", "2", file));
    EXPECT_EQ(TempFolder::read(file), "[S]\r\nname=青\r\nsize=2\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "name", "", 256, file), "青");
}

TEST(ProfileFileWrite, NullValueRemovesTheKeyAndNullKeyTheSection) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "[A]\nx=1\ny=2\n[B]\nz=3\n[C]\nw=4\n");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "x", std::nullopt, file));
    ASSERT_TRUE(WritePrivateProfileStringA("B", std::nullopt, std::nullopt, file));
    EXPECT_EQ(TempFolder::read(file), "[A]\ny=2\n[C]\nw=4\n");
    // Removing from a file that does not exist creates nothing.
    ASSERT_TRUE(WritePrivateProfileStringA("A", "x", std::nullopt, folder / "none.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder / "none.ini"));
}

TEST(ProfileFileWrite, LineBreaksInNamesOrValuesAreRefusedWithoutTouchingTheFile) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "[A]\nx=1\n");
    EXPECT_FALSE(WritePrivateProfileStringA("A", "x", "1\n[Evil]", file));
    EXPECT_FALSE(WritePrivateProfileStringA("A\r\nB", "x", "1", file));
    EXPECT_EQ(TempFolder::read(file), "[A]\nx=1\n");
}

// Found by profile_file_fuzz: one value that was not UTF-8 made the whole saved file read as
// CP932 next time, garbling every other Japanese line.
TEST(ProfileFileWrite, TextThatIsNotUtf8IsTakenAsCp932AndEveryOtherLineStaysReadable) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "[S]\nname=青\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "path", "Skins\\" + std::string(blueCp932), file));
    ASSERT_TRUE(WritePrivateProfileStringA(settingsCp932, "k", "1", file));
    EXPECT_EQ(TempFolder::read(file), "[S]\nname=青\npath=Skins\\青\n\n[設定]\nk=1\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "name", "", 256, file), "青");
    // Lookups take such names the same way, so the caller reads back what it wrote.
    EXPECT_EQ(GetPrivateProfileIntA(settingsCp932, "k", 0, file), 1);
}

// Found by profile_file_fuzz: a line added with the file's lone-CR ending in front of an empty
// line ending in LF, or a removal bringing the two together, wrote CR LF and lost the empty line.
TEST(ProfileFileWrite, EmptyLinesSurviveNextToLinesEndedByALoneCr) {
    TempFolder folder;
    const auto added = folder.write("a.ini", "[S]\rk=1\n\n[T]\r");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "new", "2", added));
    EXPECT_EQ(TempFolder::read(added), "[S]\rk=1\nnew=2\r\n\n[T]\r");
    const auto removed = folder.write("r.ini", "[S]\rx=1\ry=2\n\n[T]\rz=3\r");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "y", std::nullopt, removed));
    EXPECT_EQ(TempFolder::read(removed), "[S]\rx=1\r\n\n[T]\rz=3\r");
    EXPECT_EQ(GetPrivateProfileIntA("T", "z", 0, removed), 3);
}

TEST(ProfileFileWrite, FailedWriteReturnsFalseAndLeavesNoTrace) {
    TempFolder folder;
    // The target is a folder: it can be neither read nor replaced.
    std::filesystem::create_directory(folder / "dir.ini");
    EXPECT_FALSE(WritePrivateProfileStringA("A", "x", "1", folder / "dir.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "dir.ini"));
    // The folder does not exist.
    EXPECT_FALSE(WritePrivateProfileStringA("A", "x", "1", folder / "missing" / "s.ini"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ProfileFileWrite, WritingThroughALinkReplacesTheLinkedFile) {
    TempFolder folder;
    const auto real = folder.write("real.ini", "[A]\nx=1\n");
    std::filesystem::create_symlink(real, folder / "link.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "x", "2", folder / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(TempFolder::read(real), "[A]\nx=2\n");
}

TEST(ProfileFileCache, ManyReadsOfOneLoadAgreeWithTheSingleCalls) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "[A]\nx=-3\ns=\"q\"\n");
    const ProfileFile profile = ProfileFile::load(file);
    EXPECT_EQ(profile.getInt("A", "x", 0), GetPrivateProfileIntA("A", "x", 0, file));
    EXPECT_EQ(profile.getString("a", "S", "", 256), "q");
    EXPECT_EQ(profile.find("A", "y"), std::nullopt);
    EXPECT_EQ(profile.find("A", "x"), "-3");
}

TEST(ProfileFileRead, GarbageBytesReadWithoutHarm) {
    TempFolder folder;
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 16);
    }
    garbage += "\n[S]\r\nk=7\r";
    const auto file = folder.write("g.ini", garbage);
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, file), 7);
    EXPECT_EQ(GetPrivateProfileStringA("none", "k", "d", 256, file), "d");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "8", file));
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, file), 8);
}
