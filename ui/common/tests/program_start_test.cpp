// The command line's file and the shipped files of a fresh program folder.
#include "program_start.h"
#include "test_media.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

TEST(CommandLine, TakesTheFirstArgumentMadeAbsoluteWhenItNamesAFileHere) {
    const fs::path here = testmedia::mediaDir() / "cwd";
    fs::create_directories(here);
    std::ofstream(here / "song one.wav") << "x";
    EXPECT_EQ(commandLineFromArguments({}, here), "");
    EXPECT_EQ(commandLineFromArguments({"song one.wav", "second.wav"}, here),
              (here / "song one.wav").string());
    EXPECT_EQ(commandLineFromArguments({"/abs/x.mp3"}, here), "/abs/x.mp3");
    EXPECT_EQ(commandLineFromArguments({"http://example.invalid/a.mp3"}, here),
              "http://example.invalid/a.mp3");
    EXPECT_EQ(commandLineFromArguments({"missing.wav"}, here), "missing.wav");
}

TEST(ShippedFiles, AFolderWithoutSkinsGetsTheShippedOnesAndKeepsItsOwn) {
    const fs::path program = testmedia::mediaDir() / "program-dir";
    fs::create_directories(program / "Skins" / "Default");
    std::ofstream(program / "Skins" / "Default" / "Default.ssf") << "[SkinSetting]\n";

    const fs::path fresh = testmedia::mediaDir() / "fresh-home";
    provideShippedFiles(fresh, program);
    EXPECT_TRUE(fs::exists(fresh / "Skins" / "Default" / "Default.ssf"));

    const fs::path own = testmedia::mediaDir() / "own-home";
    fs::create_directories(own / "Skins" / "Mine");
    provideShippedFiles(own, program);
    EXPECT_FALSE(fs::exists(own / "Skins" / "Default"));
    EXPECT_TRUE(fs::exists(own / "Skins" / "Mine"));
}
