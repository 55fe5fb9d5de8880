#include "ProgramFolder.h"
#include "test_media.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

TEST(ProgramFolder, HomeVariableWinsThenAWritableProgramFolder) {
    const fs::path base = testmedia::mediaDir() / "folders";
    fs::create_directories(base / "program");
    setenv("SORVEL_HOME", (base / "home").c_str(), 1);
    EXPECT_EQ(ResolveProgramFolder(base / "program"), base / "home");
    EXPECT_TRUE(fs::is_directory(base / "home"));
    unsetenv("SORVEL_HOME");
    EXPECT_EQ(ResolveProgramFolder(base / "program"), base / "program");
}

TEST(ProgramFolder, ReadOnlyInstallUsesAPerUserCopyOfTheShippedFiles) {
    const fs::path base = testmedia::mediaDir() / "readonly";
    fs::create_directories(base / "install" / "Skins" / "Default");
    std::ofstream(base / "install" / "Skins" / "Default" / "Default.ssf") << "[SkinInformation]\n";
    setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
    unsetenv("SORVEL_HOME");
    auto readOnly = [](const fs::path&) { return false; };
    EXPECT_EQ(ResolveProgramFolder(base / "install", readOnly), base / "data" / "sorvel");
    EXPECT_TRUE(fs::exists(base / "data" / "sorvel" / "Skins" / "Default" / "Default.ssf"));
    unsetenv("XDG_DATA_HOME");
}

} // namespace
