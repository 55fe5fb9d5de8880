// Versions and their marker in program files, the update list, and the version the built
// player carries and prints.
#include "TempFolder.h"
#include "program_version.h"
#include "sorvel_version.h"
#include "update_list.h"
#include "update_test_files.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

TEST(ProgramVersion, TakesExactlyFourPartsThatFitSixteenSignedBits) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"1.2.0.13", true},
        {"0.0.0.0", true},
        {"32767.32767.32767.32767", true},
        {"01.2.3.4", true},
        {"1.2.0", false},
        {"1.2.0.0.1", false},
        {"1.2.0.32768", false},
        {"1.2.0.65535", false},
        {"1.-2.0.0", false},
        {"1.+2.0.0", false},
        {" 1.2.0.0", false},
        {"1.2.0.0 ", false},
        {"1..0.0", false},
        {"", false},
        {"a.b.c.d", false},
        {"1.2.0.0\n", false},
        {"100000.0.0.0", false},
    };
    for (const auto& test : cases) {
        const auto version = parseProgramVersion(test.text);
        EXPECT_EQ(version.has_value(), test.valid) << test.text;
        if (version && test.text[0] != '0') {
            EXPECT_EQ(versionText(*version), test.text);
        }
    }
}

TEST(ProgramVersion, TheFirstPartThatDiffersDecidesAndEqualIsNotNewer) {
    const struct {
        const char* candidate;
        const char* installed;
        bool newer;
    } cases[] = {
        {"1.2.0.0", "1.1.9.9", true},
        {"1.1.0.5", "1.1.1.0", false},
        {"1.1.1.0", "1.1.0.5", true},
        {"1.1.0.0", "1.1.0.0", false},
        {"0.0.0.1", "0.0.0.0", true},
        {"2.0.0.0", "10.0.0.0", false},
        {"32767.0.0.0", "32766.32767.32767.32767", true},
        {"1.0.0.32767", "1.0.0.0", true},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(
            isNewer(*parseProgramVersion(test.candidate), *parseProgramVersion(test.installed)),
            test.newer)
            << test.candidate << " against " << test.installed;
    }
}

TEST(VersionMarker, IsReadFromTheProgramFileAndSurvivesDamage) {
    TempFolder folder;
    EXPECT_EQ(readVersionMarker(UPDATER_STUB), "1.0.0.0");
    const fs::path copy = folder / "sorvel";
    updatertest::copyWithVersion(UPDATER_STUB, copy, "2.3.4.5");
    EXPECT_EQ(programVersionOf(copy), parseProgramVersion("2.3.4.5"));
    updatertest::copyWithVersion(UPDATER_STUB, copy, "1.0.0.40000");
    EXPECT_EQ(readVersionMarker(copy), "1.0.0.40000");
    EXPECT_FALSE(programVersionOf(copy)) << "a part beyond 32767 is no version";

    // Cut short anywhere, or not a program at all: no version, and no read past the end.
    const std::string whole = TempFolder::read(UPDATER_STUB);
    for (const size_t length : {size_t{0}, size_t{4}, size_t{20}, size_t{63}, size_t{64},
                                size_t{4096}, whole.size() / 2, whole.size() - 1}) {
        const fs::path cut = folder.write("cut", whole.substr(0, length));
        EXPECT_FALSE(programVersionOf(cut)) << length;
    }
    EXPECT_FALSE(programVersionOf(folder.write("text", "1.0.0.0\n")));
    EXPECT_FALSE(programVersionOf(folder / "missing"));
    // A section table pointing far past the end of the file.
    std::string damaged = whole;
    for (int i = 0; i < 8; ++i) {
        damaged[0x28 + i] = static_cast<char>(0x7F);
    }
    EXPECT_FALSE(programVersionOf(folder.write("damaged", damaged)));
}

TEST(VersionMarker, TheBuiltPlayerCarriesAndPrintsTheProjectsVersion) {
    ASSERT_TRUE(parseProgramVersion(kSorvelVersion)) << kSorvelVersion;
    EXPECT_EQ(readVersionMarker(SORVEL_BINARY), kSorvelVersion);
    FILE* output = ::popen((std::string(SORVEL_BINARY) + " --version").c_str(), "r");
    ASSERT_NE(output, nullptr);
    char line[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, output), nullptr);
    EXPECT_EQ(::pclose(output), 0);
    EXPECT_EQ(std::string(line), std::string("Sorvel ") + kSorvelVersion + "\n");
}

TEST(UpdateList, NamesTheFiveFilesInOrderWithWindowsLineEnds) {
    EXPECT_EQ(updateListText(), "sorvel\r\nSorvelHistory.txt\r\nReadSorvel.txt\r\n"
                                "SorvelSkin.txt\r\nsorvelhlp.html\r\n");
    TempFolder folder;
    folder.write(std::string(kUpdateListName), "a much longer list that was there before\r\n"
                                               "and must not leave a tail\r\n");
    ASSERT_TRUE(writeUpdateList(folder.path()));
    const std::string first = TempFolder::read(folder / std::string(kUpdateListName));
    ASSERT_TRUE(writeUpdateList(folder.path()));
    EXPECT_EQ(TempFolder::read(folder / std::string(kUpdateListName)), first);
    EXPECT_EQ(first, updateListText());

    const std::vector<std::string> entries = {"sorvel", "sub/name.txt", "last"};
    EXPECT_EQ(parseUpdateList("sorvel\r\n\r\nsub/name.txt\n  \nlast"), entries);
}
