#include "file_uri.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

using namespace sorvel;

TEST(FileUri, LocalAddressesBecomePathsAndOthersAreRefused) {
    struct Case {
        std::string text;
        std::optional<std::string> path;
    };
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const Case cases[] = {
        {"file:///music/a.mp3", "/music/a.mp3"},
        {"file:///music/a%20b%E6%9B%B2.mp3", "/music/a b\xE6\x9B\xB2.mp3"},
        {"FILE://localhost/x.wav", "/x.wav"},
        {"file://" + std::string(host) + "/x.wav", "/x.wav"},
        {"file:/short/form.ogg", "/short/form.ogg"},
        {"file:///a%2fb%zz%4", "/a/b%zz%4"}, // bad escapes stay as written
        {"file:///list.m3u?query#part", "/list.m3u"},
        {"file:///a%23b.mp3", "/a#b.mp3"},
        {"file://elsewhere.invalid/x.wav", std::nullopt},
        {"file:relative.wav", std::nullopt},
        {"file:///nul%00byte", std::nullopt},
        {"/music/a.mp3", std::nullopt},
        {"http://host/a.mp3", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(localPathFromFileUri(c.text), c.path) << c.text;
    }
}

TEST(FileUri, PathsBecomeAddressesThatReadBack) {
    for (const std::string path :
         {"/music/a b.mp3", "/曲/say \"hi\" 100%.wav", "/plain-name_1.2~x/y.ogg"}) {
        const std::string uri = fileUriFromPath(path);
        EXPECT_EQ(uri.find_first_of(" \""), std::string::npos) << uri;
        EXPECT_EQ(localPathFromFileUri(uri), path) << uri;
    }
    EXPECT_EQ(fileUriFromPath("/a b/c.mp3"), "file:///a%20b/c.mp3");
}
