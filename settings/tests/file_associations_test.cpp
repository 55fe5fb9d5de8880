// File associations against a private XDG home, with stand-ins for the desktop refresh tools
// that record how they were run.
#include "FileAssociations.h"
#include "TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

constexpr size_t kMpegAudio = 2;
constexpr size_t kMod = 12;
constexpr size_t kM3u = 18;

std::array<bool, kAssociationEntryCount> only(std::initializer_list<size_t> entries) {
    std::array<bool, kAssociationEntryCount> selected{};
    for (size_t entry : entries) {
        selected[entry] = true;
    }
    return selected;
}

class Associations : public ::testing::Test {
protected:
    void SetUp() override {
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        for (const char* tool : {"update-desktop-database", "update-mime-database"}) {
            const fs::path script = home.write(fs::path("bin") / tool,
                                               "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> \"" +
                                                   (home / "tools.log").string() + "\"\n");
            fs::permissions(script, fs::perms::owner_all);
        }
        setenv("PATH", ((home / "bin").string() + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath.c_str(), 1); }

    std::string mimeapps() const { return TempFolder::read(home / "config" / "mimeapps.list"); }

    TempFolder home;
    std::string oldPath;
    FileAssociations associations{home / "data", home / "config", "/opt/my player/sorvel"};
};

TEST(AssociationTable, EntriesTextsAndDesktopEntry) {
    const auto& entries = associationEntries();
    EXPECT_EQ(associationListText(entries[kMpegAudio]), "Mpeg Audio Format\t(*.mp2 *.mp3)");
    EXPECT_EQ(associationListText(entries[13]), "MOD Media FastTrackerⅡ\t(*.xm)");
    EXPECT_EQ(entries[0].extensions, (std::array<std::string_view, 3>{"aif", "aiff", "aifc"}));
    EXPECT_EQ(entries[9].kind, AssociationKind::Movie);
    EXPECT_EQ(entries[19].kind, AssociationKind::Playlist);

    const std::string text = desktopEntryText("/opt/my player/sorvel");
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nExec=\"/opt/my player/sorvel\" %U\n"), std::string::npos);
    // Every type once, as the shared MIME database names them.
    EXPECT_NE(text.find("\nMimeType=audio/x-aiff;audio/x-aifc;audio/x-wav;audio/mp2;audio/mpeg;"
                        "video/mpeg;audio/x-ms-wma;video/x-ms-wmv;audio/ogg;audio/x-vorbis+ogg;"
                        "video/x-ogm+ogg;audio/midi;video/x-msvideo;audio/dls;audio/flac;"
                        "audio/x-mod;audio/x-xm;audio/x-it;audio/x-s3m;audio/x-raw-pcm;"
                        "audio/x-vag;audio/x-mpegurl;audio/x-scpls;\n"),
              std::string::npos)
        << text;
}

TEST_F(Associations, SelectedEntriesDefaultToOurDesktopEntryAndReadBack) {
    ASSERT_TRUE(associations.Apply(only({kMpegAudio, kM3u})));
    EXPECT_EQ(TempFolder::read(home / "data" / "applications" / "sorvel.desktop"),
              desktopEntryText("/opt/my player/sorvel"));
    EXPECT_EQ(mimeapps(), "[Default Applications]\n"
                          "audio/mp2=sorvel.desktop;\n"
                          "audio/mpeg=sorvel.desktop;\n"
                          "audio/x-mpegurl=sorvel.desktop;\n"
                          "\n"
                          "[Added Associations]\n"
                          "audio/mp2=sorvel.desktop;\n"
                          "audio/mpeg=sorvel.desktop;\n"
                          "audio/x-mpegurl=sorvel.desktop;\n");
    EXPECT_EQ(associations.Read(), only({kMpegAudio, kM3u}));
    // The types the shared database lacks are declared in the user's MIME folder; both
    // databases are refreshed.
    const std::string package =
        TempFolder::read(home / "data" / "mime" / "packages" / "sorvel.xml");
    EXPECT_NE(package.find("<glob pattern=\"*.vag\"/>"), std::string::npos);
    EXPECT_EQ(TempFolder::read(home / "tools.log"),
              "update-mime-database " + (home / "data" / "mime").string() + "\n" +
                  "update-desktop-database " + (home / "data" / "applications").string() + "\n");

    // Applied again unchanged: the same files; the MIME database is not rebuilt for nothing.
    ASSERT_TRUE(associations.Apply(only({kMpegAudio, kM3u})));
    EXPECT_EQ(associations.Read(), only({kMpegAudio, kM3u}));
    const std::string again = mimeapps();
    EXPECT_EQ(std::count(again.begin(), again.end(), '\n'), 9);
    const std::string log = TempFolder::read(home / "tools.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);

    // Clearing every entry takes our defaults away and leaves the rest.
    ASSERT_TRUE(associations.Apply({}));
    EXPECT_EQ(associations.Read(), only({}));
    EXPECT_EQ(mimeapps(), "[Default Applications]\n"
                          "\n"
                          "[Added Associations]\n"
                          "audio/mp2=sorvel.desktop;\n"
                          "audio/mpeg=sorvel.desktop;\n"
                          "audio/x-mpegurl=sorvel.desktop;\n");
}

// An odd file: CR LF lines, a comment, a line that is no key, spaces around "=", a key in
// capitals, a group nobody knows, no line end at the end. Only the lines for our types change:
// another program's default stays even for an unselected entry; where we came first, the
// program behind us takes over.
TEST_F(Associations, OtherProgramsAndOddLinesAreKept) {
    home.write("config/mimeapps.list", "# mine\r\n"
                                       "[Default Applications]\r\n"
                                       "audio/x-wav=vlc.desktop;\r\n"
                                       "audio/flac = sorvel.desktop; audacious.desktop;\r\n"
                                       "not a key\r\n"
                                       "Audio/MPEG=sorvel.desktop\r\n"
                                       "\r\n"
                                       "[Added Associations]\r\n"
                                       "audio/mpeg=rhythmbox.desktop;\r\n"
                                       "[Somebody Else]\r\n"
                                       "audio/x-mod=keep.desktop;\r\n"
                                       "[Removed Associations]\r\n"
                                       "audio/x-mpegurl=sorvel.desktop;totem.desktop;");
    ASSERT_TRUE(associations.Apply(only({kMod, kM3u})));
    EXPECT_EQ(mimeapps(), "# mine\r\n"
                          "[Default Applications]\r\n"
                          "audio/x-wav=vlc.desktop;\r\n"
                          "audio/flac=audacious.desktop;\r\n"
                          "not a key\r\n"
                          "audio/x-mod=sorvel.desktop;\r\n"
                          "audio/x-mpegurl=sorvel.desktop;\r\n"
                          "\r\n"
                          "[Added Associations]\r\n"
                          "audio/mpeg=rhythmbox.desktop;\r\n"
                          "audio/x-mod=sorvel.desktop;\r\n"
                          "audio/x-mpegurl=sorvel.desktop;\r\n"
                          "[Somebody Else]\r\n"
                          "audio/x-mod=keep.desktop;\r\n"
                          "[Removed Associations]\r\n"
                          "audio/x-mpegurl=totem.desktop;");
    EXPECT_EQ(associations.Read(), only({kMod, kM3u}));

    // Selected again over another program's default: ours goes first, theirs stays behind.
    home.write("config/mimeapps.list", "[Default Applications]\naudio/x-mpegurl=totem.desktop;\n");
    ASSERT_TRUE(associations.Apply(only({kM3u})));
    EXPECT_NE(mimeapps().find("audio/x-mpegurl=sorvel.desktop;totem.desktop;\n"),
              std::string::npos);
}

TEST_F(Associations, AnEntryReadsAsOursOnlyWhenAllItsTypesDefaultToUs) {
    struct Case {
        const char* defaults;
        std::array<bool, kAssociationEntryCount> expected;
    };
    const Case cases[] = {
        // aif and aiff share a type; aifc has its own, still another program's.
        {"audio/x-aiff=sorvel.desktop;\naudio/x-aifc=other.desktop;\n", only({})},
        {"audio/x-aiff=sorvel.desktop;\naudio/x-aifc=sorvel.desktop;other.desktop;\n", only({0})},
        // Only the first listed program is the default; ogg needs both of its types.
        {"audio/x-wav=other.desktop;sorvel.desktop;\naudio/ogg=sorvel.desktop;\n", only({})},
        {"audio/ogg=sorvel.desktop;\naudio/x-vorbis+ogg=sorvel.desktop;\n", only({6})},
        // Of two lines for one type, the last counts.
        {"audio/x-scpls=sorvel.desktop;\naudio/x-scpls=other.desktop;\n", only({})},
    };
    for (const Case& c : cases) {
        home.write("config/mimeapps.list", std::string("[Default Applications]\n") + c.defaults);
        EXPECT_EQ(associations.Read(), c.expected) << c.defaults;
    }
    // Defaults named outside [Default Applications] do not count.
    home.write("config/mimeapps.list", "[Added Associations]\naudio/x-scpls=sorvel.desktop;\n");
    EXPECT_EQ(associations.Read(), only({}));
    fs::remove(home / "config" / "mimeapps.list");
    EXPECT_EQ(associations.Read(), only({}));
}

TEST_F(Associations, FilesThatCannotBeWrittenFailWithoutTouchingTheList) {
    // The configuration folder is a file.
    home.write("config", "x");
    FileAssociations blocked(home / "data", home / "config", "/usr/bin/sorvel");
    EXPECT_FALSE(blocked.Apply(only({kM3u})));
    // The data folder is a file: the list is left alone.
    home.write("data2", "x");
    home.write("config2/mimeapps.list", "[Default Applications]\naudio/mpeg=vlc.desktop;\n");
    FileAssociations noData(home / "data2", home / "config2", "/usr/bin/sorvel");
    EXPECT_FALSE(noData.Apply(only({kMpegAudio})));
    EXPECT_EQ(TempFolder::read(home / "config2" / "mimeapps.list"),
              "[Default Applications]\naudio/mpeg=vlc.desktop;\n");
}

TEST_F(Associations, WorksWithoutTheRefreshToolsAndFindsTheUsersFolders) {
    setenv("PATH", (home / "empty").c_str(), 1);
    EXPECT_TRUE(associations.Apply(only({kMpegAudio})));
    EXPECT_EQ(associations.Read(), only({kMpegAudio}));
    EXPECT_FALSE(fs::exists(home / "tools.log"));

    // XDG folders from the environment; relative ones are ignored for the defaults below HOME.
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/data", 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    FileAssociations user = FileAssociations::forCurrentUser("/usr/bin/sorvel");
    EXPECT_EQ(user.Read(), only({kMpegAudio}));
    EXPECT_TRUE(user.Apply(only({kMpegAudio})));
    EXPECT_TRUE(fs::exists(home / ".local" / "share" / "applications" / "sorvel.desktop"));
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
