#include "ProgramFolder.h"
#include "test_media.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

// A fake installation: <base>/prefix/bin and <base>/prefix/share/sorvel with the skins.
fs::path makeInstallation(const fs::path& base) {
    fs::create_directories(base / "prefix" / "bin");
    fs::create_directories(base / "prefix" / "share" / "sorvel" / "Skins" / "Default");
    std::ofstream(base / "prefix" / "share" / "sorvel" / "Skins" / "Default" / "Default.ssf")
        << "[SkinInformation]\n";
    return base / "prefix" / "bin";
}

bool readOnly(const fs::path&) {
    return false;
}

TEST(ProgramPlaces, HomeVariableWinsThenAWritableProgramFolderKeepsEverythingBesideIt) {
    const fs::path base = testmedia::mediaDir() / "folders";
    fs::create_directories(base / "program" / "Skins");
    setenv("SORVEL_HOME", (base / "home").c_str(), 1);
    ProgramPlaces places = ResolveProgramPlaces(base / "program");
    EXPECT_FALSE(places.installed);
    EXPECT_EQ(places.programFolder, base / "home");
    EXPECT_EQ(places.settingsFolder, base / "home");
    EXPECT_EQ(places.shippedFolder, base / "program");
    EXPECT_TRUE(fs::is_directory(base / "home"));
    unsetenv("SORVEL_HOME");
    places = ResolveProgramPlaces(base / "program");
    EXPECT_FALSE(places.installed);
    EXPECT_EQ(places.programFolder, base / "program");
    EXPECT_EQ(places.settingsFolder, base / "program");
    EXPECT_EQ(places.shippedFolder, base / "program");
}

TEST(ProgramPlaces, AnInstalledPlayerWritesInTheXdgFoldersAndReadsTheDataFolder) {
    const fs::path base = testmedia::mediaDir() / "installed";
    const fs::path bin = makeInstallation(base);
    setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
    unsetenv("SORVEL_HOME");
    const ProgramPlaces places = ResolveProgramPlaces(bin, readOnly);
    EXPECT_TRUE(places.installed);
    EXPECT_EQ(places.programFolder, base / "data" / "sorvel");
    EXPECT_EQ(places.settingsFolder, base / "config" / "sorvel");
    EXPECT_EQ(places.shippedFolder, base / "prefix" / "share" / "sorvel");
    EXPECT_TRUE(fs::is_directory(places.programFolder));
    EXPECT_TRUE(fs::is_directory(places.settingsFolder));
    // Nothing is copied: the shipped skins are read where they were installed.
    EXPECT_FALSE(fs::exists(places.programFolder / "Skins"));
    // A program its user may write but without the shipped files beside it (root running a
    // package's /usr/bin/sorvel) is installed all the same.
    EXPECT_TRUE(ResolveProgramPlaces(bin).installed);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
