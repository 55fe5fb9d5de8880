#include "TempFolder.h"
#include "atomic_write.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(AtomicWrite, ReplacesTheFileAndKeepsItsPermissions) {
    TempFolder folder;
    const auto file = folder.write("s.ini", "old");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ASSERT_TRUE(writeFileAtomically(file, "new contents"));
    EXPECT_EQ(TempFolder::read(file), "new contents");
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(AtomicWrite, WritesEmptyAndBinaryContent) {
    TempFolder folder;
    const std::string binary("a\0b\r\n", 5);
    ASSERT_TRUE(writeFileAtomically(folder / "b.bin", binary));
    EXPECT_EQ(TempFolder::read(folder / "b.bin"), binary);
    ASSERT_TRUE(writeFileAtomically(folder / "b.bin", ""));
    EXPECT_EQ(TempFolder::read(folder / "b.bin"), "");
}

TEST(AtomicWrite, RefusesFoldersAndMissingFolders) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "sub");
    EXPECT_FALSE(writeFileAtomically(folder / "sub", "x"));
    EXPECT_FALSE(writeFileAtomically(folder / "none" / "f", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "sub"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "sub"));
}
