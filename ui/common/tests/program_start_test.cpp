// The program's arguments and the shipped files of a fresh program folder.
#include "file_uri.h"
#include "program_start.h"
#include "test_media.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

TEST(CommandLine, FilesAreMadeAbsoluteAndSeveralAreQuotedOneByOne) {
    const fs::path here = testmedia::mediaDir() / "cwd";
    fs::create_directories(here);
    std::ofstream(here / "song one.wav") << "x";
    std::ofstream(here / "say \"hi\".wav") << "x";
    std::ofstream(here / "-dash.wav") << "x";
    using Action = ProgramArguments::Action;
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::string commandLine;
    };
    const std::string one = (here / "song one.wav").string();
    const Case cases[] = {
        {{}, Action::Run, ""},
        {{"song one.wav"}, Action::Run, one},
        {{"/abs/x.mp3"}, Action::Run, "/abs/x.mp3"},
        {{"http://example.invalid/a.mp3"}, Action::Run, "http://example.invalid/a.mp3"},
        {{"file:///music/a%20b.mp3"}, Action::Run, "file:///music/a%20b.mp3"},
        {{"missing.wav"}, Action::Run, "missing.wav"},
        {{"song one.wav", "http://radio.invalid/", "/abs/x.mp3"},
         Action::Run,
         "\"" + one + "\" \"http://radio.invalid/\" \"/abs/x.mp3\""},
        // A path with a double quote in it travels as an address.
        {{"say \"hi\".wav"}, Action::Run, fileUriFromPath((here / "say \"hi\".wav").string())},
        {{"--", "-dash.wav"}, Action::Run, (here / "-dash.wav").string()},
        {{"--help"}, Action::Help, ""},
        {{"a.mp3", "-h"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        {{"--verbose"}, Action::Refuse, ""},
    };
    for (const Case& c : cases) {
        const ProgramArguments parsed = parseProgramArguments(c.arguments, here);
        EXPECT_EQ(parsed.action, c.action) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(parsed.commandLine, c.commandLine) << ::testing::PrintToString(c.arguments);
    }
    EXPECT_EQ(parseProgramArguments({"--verbose"}, here).problem, "unknown option --verbose");
    EXPECT_NE(usageText().find("Usage: sorvel [FILE|URI]..."), std::string::npos);
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
