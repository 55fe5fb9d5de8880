// The player's update check and help commands: the questions, the hand-over to the updater,
// the update list, and the refusals.
#include "TempFolder.h"
#include "UpdateCommands.h"
#include "playlist_fakes.h"
#include "update_list.h"

#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

struct FakeLauncher : ShellLauncher {
    std::vector<std::pair<fs::path, fs::path>> started; // program, working folder
    std::vector<fs::path> opened;
    bool startWorks = true;
    bool startProgram(const fs::path& program, const fs::path& folder) override {
        started.emplace_back(program, folder);
        return startWorks;
    }
    bool openDocument(const fs::path& document) override {
        opened.push_back(document);
        return true;
    }
};

const std::string kUpdateQuestion =
    "最新のバージョンを確認する際に、本プログラムを一度終了します。\r\nよろしいですか？";
const std::string kHelpQuestion =
    "ヘルプファイルが存在しません。\r\nアップデータのリストを更新します。";

class PlayerUpdate : public ::testing::Test {
protected:
    UpdateCommands commands(bool writable = true) {
        return UpdateCommands(
            folder.path(), messages, launcher, [this] { ++closings; },
            [writable](const fs::path&) { return writable; });
    }
    TempFolder folder;
    fakes::FakeMessageBox messages;
    FakeLauncher launcher;
    int closings = 0;
};

} // namespace

TEST_F(PlayerUpdate, YesStartsTheUpdaterInTheProgramFolderAndClosesThePlayer) {
    messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    commands().UpdateCheck();
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_EQ(closings, 0);
    commands().UpdateCheck();
    EXPECT_EQ(messages.texts, (std::vector<std::string>{kUpdateQuestion, kUpdateQuestion}));
    EXPECT_EQ(messages.buttons.back(), MessageButtons::YesNo);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].first, folder / "updater");
    EXPECT_EQ(launcher.started[0].second, folder.path());
    EXPECT_EQ(closings, 1);
}

TEST_F(PlayerUpdate, ThePlayerStaysWhenTheUpdaterCannotStartOrTheFolderIsTheSystems) {
    launcher.startWorks = false;
    commands().UpdateCheck();
    EXPECT_EQ(messages.texts.size(), 2u);
    EXPECT_NE(messages.texts[1].find("起動できませんでした"), std::string::npos);
    EXPECT_EQ(closings, 0);

    messages.texts.clear();
    launcher.started.clear();
    commands(false).UpdateCheck();
    EXPECT_EQ(messages.texts, std::vector<std::string>{std::string(kSystemInstallMessage)});
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_EQ(closings, 0);
}

TEST_F(PlayerUpdate, HelpOpensThePresentHelpFileInTheDesktopsViewer) {
    folder.write(std::string(kHelpFileName), "<html></html>");
    commands().helpFileOpen();
    EXPECT_EQ(launcher.opened, std::vector<fs::path>{folder / std::string(kHelpFileName)});
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(fs::exists(folder / std::string(kUpdateListName)));
}

TEST_F(PlayerUpdate, AMissingHelpFileIsFetchedThroughTheUpdaterOnOk) {
    messages.answers = {MessageAnswer::Cancel};
    commands().helpFileOpen();
    EXPECT_EQ(messages.texts, std::vector<std::string>{kHelpQuestion});
    EXPECT_EQ(messages.buttons, std::vector<MessageButtons>{MessageButtons::OkCancel});
    EXPECT_FALSE(fs::exists(folder / std::string(kUpdateListName)));

    folder.write(std::string(kUpdateListName),
                 "an old list, longer than the new one ...........\r\n"
                 "...............................................\r\n");
    for (int run = 0; run < 2; ++run) {
        messages.texts.clear();
        messages.answers = {MessageAnswer::Ok, MessageAnswer::Yes};
        commands().helpFileOpen();
        EXPECT_EQ(messages.texts, (std::vector<std::string>{kHelpQuestion, kUpdateQuestion}));
        EXPECT_EQ(TempFolder::read(folder / std::string(kUpdateListName)), updateListText());
    }
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(closings, 2);
    EXPECT_TRUE(launcher.opened.empty());
}
