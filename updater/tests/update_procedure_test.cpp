// The whole update against a loopback HTTP server, with the questions answered by a fake
// message box: what is installed, what is left as it was, and what is asked.
#include "Module1.h"
#include "TempFolder.h"
#include "TestHttpServer.h"
#include "UpdateProcedure.h"
#include "update_list.h"
#include "update_test_files.h"

#include <deque>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sorvel;
using namespace sorvel::updater;
namespace fs = std::filesystem;

namespace {

struct RecordingView : UpdaterView {
    std::vector<std::string> labels;
    int advances = 0;
    int filled = 0;
    int eventPasses = 0;
    int closeAfterPasses = -1; // the window is closed after this many passes
    void setLabel(const std::string& text) override { labels.push_back(text); }
    void advanceBlock() override { ++advances; }
    void fillTrack() override { ++filled; }
    bool pendingEvents() override {
        ++eventPasses;
        return closeAfterPasses < 0 || eventPasses <= closeAfterPasses;
    }
};

struct ScriptedMessages : MessageBoxService {
    std::deque<MessageAnswer> answers; // then No
    std::vector<std::string> texts;
    MessageAnswer show(const std::string& text, const std::string& caption, MessageButtons,
                       MessageIcon) override {
        EXPECT_EQ(caption, kUpdaterCaption);
        texts.push_back(text);
        if (answers.empty()) {
            return MessageAnswer::No;
        }
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The real file operations, with a rename that fails on its n-th call and a folder that may be
// read-only.
struct TestFileSystem : InstallFileSystem {
    RealFileSystem real;
    int failRename = -1;
    int renames = 0;
    bool writable = true;
    bool canWrite(const fs::path&) override { return writable; }
    bool rename(const fs::path& from, const fs::path& to) override {
        return ++renames != failRename && real.rename(from, to);
    }
};

const std::string kNewHistory = "2.0.0.0: 新しい版\n";
const std::string kNewReadMe(3000, 'r'); // several chunks
const std::string kNewSkin = "";         // an empty file
const std::string kNewHelp = "<html>help</html>\n";

const std::string kRestartQuestion = "Sorvelを現行Verで再起動しますか？";

class Update : public ::testing::Test {
protected:
    void SetUp() override {
        updatertest::withoutProxies();
        updatertest::copyWithVersion(UPDATER_STUB, program / "sorvel", "1.5.0.0");
        fs::permissions(program / "sorvel", fs::perms(0755));
        for (const auto& [name, text] : installedDocuments()) {
            folder.write(name, text);
        }
        updatertest::copyWithVersion(UPDATER_STUB, served / "sorvel", "2.0.0.0");
        files["/sorvel"] = {200, TempFolder::read(served / "sorvel")};
        files["/SorvelHistory.txt"] = {200, kNewHistory};
        files["/ReadSorvel.txt"] = {200, kNewReadMe};
        files["/SorvelSkin.txt"] = {200, kNewSkin};
        files["/sorvelhlp.html"] = {200, kNewHelp};
        ASSERT_TRUE(writeUpdateList(program));
        before = snapshot();
    }

    static std::map<std::string, std::string> installedDocuments() {
        return {{"SorvelHistory.txt", "old history\n"},
                {"ReadSorvel.txt", "old read-me, longer than nothing\n"},
                {"SorvelSkin.txt", "old skin format\n"},
                {"sorvelhlp.html", "<html>old</html>\n"}};
    }

    // Every file of the program folder outside temp, with its bytes.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::directory_iterator(program)) {
            if (item.is_regular_file()) {
                files[item.path().filename().string()] = TempFolder::read(item.path());
            }
        }
        return files;
    }

    UpdateOutcome run(const std::string& base) {
        UpdateProcedure procedure(program, base, view, messages, fileSystem,
                                  [this](const fs::path& started, const fs::path& in) {
                                      starts.push_back(started);
                                      EXPECT_EQ(in, program);
                                      return true;
                                  });
        if (!procedure.prepare()) {
            return UpdateOutcome::NotWritable;
        }
        return procedure.run();
    }

    UpdateOutcome runAgainst(nettest::TestHttpServer& server) { return run(server.url("/")); }

    mode_t mode(const fs::path& file) const {
        struct stat info {};
        ::stat(file.c_str(), &info);
        return info.st_mode & 0777;
    }

    TempFolder folder;
    TempFolder elsewhere;
    const fs::path program = folder.path();
    const fs::path served = elsewhere.path();
    std::map<std::string, nettest::FileReply> files;
    std::map<std::string, std::string> before;
    RecordingView view;
    ScriptedMessages messages;
    TestFileSystem fileSystem;
    std::vector<fs::path> starts;
};

} // namespace

TEST_F(Update, ANewerVersionReplacesEveryFileKeepsTheProgramRunnableAndRestartsIt) {
    nettest::TestHttpServer server(files);
    messages.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_EQ(runAgainst(server), UpdateOutcome::Updated);

    const std::vector<std::string> asked = {
        "新しいバージョン：2.0.0.0が公開されています\r\nアップデートしますか？",
        "最新のバージョンへアップデートされました。\r\nSorvelを再起動しますか？"};
    EXPECT_EQ(messages.texts, asked);
    EXPECT_EQ(view.labels, (std::vector<std::string>{"情報取得中", "取得完了"}));
    EXPECT_EQ(view.filled, 1);
    EXPECT_GE(view.advances, 5 + 3) << "a step per list line and per chunk";

    const auto after = snapshot();
    EXPECT_EQ(after.at("sorvel"), files["/sorvel"].body);
    EXPECT_EQ(after.at("SorvelHistory.txt"), kNewHistory);
    EXPECT_EQ(after.at("ReadSorvel.txt"), kNewReadMe);
    EXPECT_EQ(after.at("SorvelSkin.txt"), "");
    EXPECT_EQ(after.at("sorvelhlp.html"), kNewHelp);
    EXPECT_EQ(after.size(), before.size()) << "nothing left beside the installed files";
    EXPECT_EQ(mode(program / "sorvel"), 0755u);
    EXPECT_EQ(starts, std::vector<fs::path>{program / "sorvel"});
    EXPECT_TRUE(fs::is_directory(program / "temp")) << "the downloads stay";

    // Every request asked for a fresh copy as the agent "Sample".
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].rfind("GET /sorvel HTTP/", 0), 0u);
    for (const std::string& request : requests) {
        EXPECT_NE(request.find("User-Agent: Sample\r\n"), std::string::npos);
        EXPECT_NE(request.find("Cache-Control: no-cache\r\n"), std::string::npos);
    }
}

TEST_F(Update, SayingNoToANewerVersionChangesNothing) {
    nettest::TestHttpServer server(files);
    messages.answers = {MessageAnswer::No};
    EXPECT_EQ(runAgainst(server), UpdateOutcome::UpdateDeclined);
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(starts.empty());
}

TEST_F(Update, AnEqualOrOlderVersionInstallsOnlyTheOtherFilesOnYes) {
    for (const char* version : {"1.5.0.0", "1.4.9.9"}) {
        for (const bool yes : {true, false}) {
            SCOPED_TRACE(std::string(version) + (yes ? " yes" : " no"));
            updatertest::copyWithVersion(UPDATER_STUB, served / "sorvel", version);
            files["/sorvel"].body = TempFolder::read(served / "sorvel");
            for (const auto& [name, text] : installedDocuments()) {
                folder.write(name, text);
            }
            messages.texts.clear();
            messages.answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
            starts.clear();
            nettest::TestHttpServer server(files);
            EXPECT_EQ(runAgainst(server),
                      yes ? UpdateOutcome::UpToDate : UpdateOutcome::UpToDateDeclined);
            ASSERT_EQ(messages.texts.size(), 1u);
            EXPECT_EQ(messages.texts[0],
                      "既に最新のバージョンです。アップデートの必要はありません。"
                      "\r\nSorvelを再起動しますか？");
            const auto after = snapshot();
            EXPECT_EQ(after.at("sorvel"), before.at("sorvel"));
            EXPECT_EQ(after.at("ReadSorvel.txt"), yes ? kNewReadMe : before.at("ReadSorvel.txt"));
            EXPECT_EQ(after.at("SorvelSkin.txt"), yes ? "" : before.at("SorvelSkin.txt"));
            EXPECT_EQ(fs::exists(program / "temp"), !yes);
            EXPECT_EQ(starts.size(), yes ? 1u : 0u);
        }
    }
}

TEST_F(Update, ABrokenOrMissingDownloadLeavesTheInstallationAsItWas) {
    const struct {
        const char* name;
        std::string path;
        nettest::FileReply reply;
        const char* said;
    } cases[] = {
        {"dropped mid-file",
         "/ReadSorvel.txt",
         {200, kNewReadMe, true, 1500},
         "「ReadSorvel.txt」"},
        {"not found", "/sorvelhlp.html", {404, "missing"}, "HTTP 404"},
        {"server error", "/sorvel", {500, "oops"}, "HTTP 500"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        auto broken = files;
        broken[test.path] = test.reply;
        nettest::TestHttpServer server(broken);
        messages.texts.clear();
        messages.answers = {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Yes};
        starts.clear();
        EXPECT_EQ(runAgainst(server), UpdateOutcome::DownloadFailed);
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_NE(messages.texts[0].find(test.said), std::string::npos) << messages.texts[0];
        EXPECT_NE(messages.texts[0].find(kRestartQuestion), std::string::npos);
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(starts, std::vector<fs::path>{program / "sorvel"}) << "the current version";
    }
}

TEST_F(Update, ASecondRunReplacesEarlierDownloadsWhole) {
    {
        nettest::TestHttpServer server(files);
        messages.answers = {MessageAnswer::No};
        runAgainst(server);
    }
    ASSERT_EQ(TempFolder::read(program / "temp" / "ReadSorvel.txt"), kNewReadMe);
    files["/ReadSorvel.txt"].body = "short";
    nettest::TestHttpServer server(files);
    messages.answers = {MessageAnswer::No};
    runAgainst(server);
    EXPECT_EQ(TempFolder::read(program / "temp" / "ReadSorvel.txt"), "short");
    size_t inTemp = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(program / "temp")) {
        ++inTemp;
    }
    EXPECT_EQ(inTemp, 5u) << "no partial files left";
}

TEST_F(Update, AnUnreachableServerAsksToRestartTheCurrentVersion) {
    const std::string base =
        "http://127.0.0.1:" + std::to_string(nettest::TestHttpServer::unusedPort()) + "/";
    for (const bool yes : {true, false}) {
        messages.texts.clear();
        messages.answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        starts.clear();
        EXPECT_EQ(run(base), UpdateOutcome::NetworkFailure);
        EXPECT_EQ(messages.texts, std::vector<std::string>{
                                      "ネットワークに接続できません。設定に問題があるか、サーバー"
                                      "に原因があります。\r\nSorvelを現行Verで再起動しますか？"});
        EXPECT_EQ(starts.size(), yes ? 1u : 0u);
        EXPECT_EQ(snapshot(), before);
    }
    // An address that is not http(s) is a setting at fault: the same question.
    messages.texts.clear();
    EXPECT_EQ(run("file:///etc/"), UpdateOutcome::NetworkFailure);
    EXPECT_EQ(messages.texts.size(), 1u);
}

TEST_F(Update, ListEntriesLeadingOutOfTheTempFolderAreRefusedAndNotFetched) {
    folder.write(std::string(kUpdateListName), "../evil\r\n/etc/evil\r\na/../../evil\r\n"
                                               "..\\evil\r\nsub/deeper/name.txt\r\n" +
                                                   updateListText());
    files["/sub/deeper/name.txt"] = {200, "below temp"};
    nettest::TestHttpServer server(files);
    messages.answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok,
                        MessageAnswer::No};
    EXPECT_EQ(runAgainst(server), UpdateOutcome::UpdateDeclined);
    ASSERT_EQ(messages.texts.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(messages.texts[i].find("取得しません"), std::string::npos) << messages.texts[i];
    }
    for (const std::string& request : server.requests()) {
        EXPECT_EQ(request.find("evil"), std::string::npos) << request;
    }
    EXPECT_EQ(server.requests().size(), 6u);
    EXPECT_EQ(TempFolder::read(program / "temp" / "sub" / "deeper" / "name.txt"), "below temp");
    EXPECT_FALSE(fs::exists(folder.path().parent_path() / "evil"));
}

TEST_F(Update, AFetchedPlayerWithoutAValidVersionIsNeverInstalled) {
    for (const std::string& body : {std::string("#!/bin/sh\necho not a player\n"), std::string()}) {
        files["/sorvel"].body = body;
        nettest::TestHttpServer server(files);
        messages.texts.clear();
        messages.answers = {MessageAnswer::No};
        EXPECT_EQ(runAgainst(server), UpdateOutcome::NoValidVersion);
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_NE(messages.texts[0].find("バージョンを確認できません"), std::string::npos);
        EXPECT_EQ(snapshot(), before);
    }
    // A part beyond 32767 would turn negative as a 16-bit number: no version either.
    updatertest::copyWithVersion(UPDATER_STUB, served / "sorvel", "1.5.0.40000");
    files["/sorvel"].body = TempFolder::read(served / "sorvel");
    nettest::TestHttpServer server(files);
    EXPECT_EQ(runAgainst(server), UpdateOutcome::NoValidVersion);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Update, AFailedReplacementHalfWayPutsEveryFileBack) {
    nettest::TestHttpServer server(files);
    fileSystem.failRename = 3;
    messages.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_EQ(runAgainst(server), UpdateOutcome::InstallFailed);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_NE(messages.texts[1].find("何も更新していません"), std::string::npos);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(mode(program / "sorvel"), 0755u);
}

TEST_F(Update, AProgramFolderThatCannotBeWrittenIsLeftToThePackageManager) {
    fileSystem.writable = false;
    EXPECT_EQ(run("http://127.0.0.1:9/"), UpdateOutcome::NotWritable);
    EXPECT_EQ(messages.texts, std::vector<std::string>{std::string(kSystemInstallMessage)});
    EXPECT_FALSE(fs::exists(program / "temp"));
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Update, ClosingTheWindowDuringTheDownloadsInstallsNothing) {
    nettest::TestHttpServer server(files);
    view.closeAfterPasses = 3;
    EXPECT_EQ(runAgainst(server), UpdateOutcome::Cancelled);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(Update, WithoutAListTheUsualFilesAreFetched) {
    fs::remove(program / std::string(kUpdateListName));
    nettest::TestHttpServer server(files);
    messages.answers = {MessageAnswer::No};
    EXPECT_EQ(runAgainst(server), UpdateOutcome::UpdateDeclined);
    EXPECT_EQ(server.requests().size(), kUpdateListEntries.size());
}

TEST(Module1, ReadsTheBodyInPiecesOfAtMost1024Bytes) {
    updatertest::withoutProxies();
    std::string body(5000, '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7);
    }
    nettest::TestHttpServer server(std::map<std::string, nettest::FileReply>{{"/f", {200, body}}});
    Module1 network;
    ASSERT_TRUE(network.OpenUrl(server.url("/f")));
    std::string received;
    char buffer[4096];
    while (const size_t count = network.ReadChunk(buffer)) {
        EXPECT_LE(count, 1024u);
        received.append(buffer, count);
    }
    EXPECT_EQ(received, body);
    EXPECT_EQ(network.status(), 200);
    EXPECT_TRUE(network.receivedWhole());
    network.CloseHandles();
}
