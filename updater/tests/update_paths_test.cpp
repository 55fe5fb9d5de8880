// Where list entries are fetched from and stored, the entries refused, the base address
// setting, and the progress block's steps.
#include "TempFolder.h"
#include "progress_block.h"
#include "update_paths.h"

#include <gtest/gtest.h>

using namespace sorvel;
using namespace sorvel::updater;
namespace fs = std::filesystem;

TEST(UpdatePaths, EntriesGoBelowTheTempFolderAndComeFromTheBaseUnchanged) {
    TempFolder folder;
    const fs::path temp = folder / "temp";
    fs::create_directory(temp);
    EXPECT_EQ(localPathFor(temp, "sorvel"), temp / "sorvel");
    EXPECT_EQ(localPathFor(temp, "Skins/Blue/back.bmp"), temp / "Skins" / "Blue" / "back.bmp");
    EXPECT_EQ(downloadAddress("https://host/up/", "Skins/Blue/back.bmp"),
              "https://host/up/Skins/Blue/back.bmp");
}

TEST(UpdatePaths, EntriesThatCouldLeaveTheTempFolderAreRefused) {
    TempFolder folder;
    const fs::path temp = folder / "temp";
    fs::create_directories(temp / "inside");
    const std::vector<std::string> refused = {"../x",
                                              "/etc/x",
                                              "a/../../x",
                                              "..\\x",
                                              "a\\..\\..\\x",
                                              "sub\\name",
                                              "C:/x",
                                              "C:x",
                                              "a//b",
                                              "./x",
                                              "a/./b",
                                              "a/",
                                              "",
                                              "..",
                                              "x\r",
                                              "x\n",
                                              std::string("x\0y", 3)};
    for (const std::string& entry : refused) {
        EXPECT_FALSE(isSafeEntry(entry)) << entry;
        EXPECT_FALSE(localPathFor(temp, entry)) << entry;
    }
    // A link below temp that leads out of it is followed, and refused.
    fs::create_directory_symlink(folder.path(), temp / "out");
    EXPECT_TRUE(isSafeEntry("out/sorvel"));
    EXPECT_FALSE(localPathFor(temp, "out/sorvel"));
    EXPECT_TRUE(localPathFor(temp, "inside/sorvel"));
}

TEST(UpdatePaths, TheBaseAddressIsAnHttpSettingEndingInASlash) {
    EXPECT_EQ(normaliseBaseAddress("https://host/up"), "https://host/up/");
    EXPECT_EQ(normaliseBaseAddress("http://127.0.0.1:8080/"), "http://127.0.0.1:8080/");
    for (const char* refused : {"ftp://host/", "file:///etc/", "https://", "", "host/up/"}) {
        EXPECT_FALSE(normaliseBaseAddress(refused)) << refused;
    }
    EXPECT_EQ(normaliseBaseAddress(kDefaultBaseAddress), std::string(kDefaultBaseAddress));
    EXPECT_EQ(std::string(kDefaultBaseAddress).rfind("https://", 0), 0u);

    TempFolder folder;
    EXPECT_EQ(baseAddressSetting(folder.path()), kDefaultBaseAddress);
    folder.write("updater.ini", "[Updater]\r\n-BaseURL=http://127.0.0.1:9/sorvel/\r\n");
    EXPECT_EQ(baseAddressSetting(folder.path()), "http://127.0.0.1:9/sorvel/");
}

TEST(ProgressBlock, MovesTenTwipsAndWrapsPastTheTrack) {
    EXPECT_EQ(nextBlockLeft(240, 240, 4320), 250);
    EXPECT_EQ(nextBlockLeft(4550, 240, 4320), 4560);
    EXPECT_EQ(nextBlockLeft(4560, 240, 4320), 240);
}
