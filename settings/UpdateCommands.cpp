#include "UpdateCommands.h"

#include "update_list.h"

#include <unistd.h>

namespace sorvel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "Sorvel";

bool folderWritable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

UpdateCommands::UpdateCommands(fs::path programDirectory, MessageBoxService& messages,
                               ShellLauncher& shell, std::function<void()> closeMainWindow,
                               std::function<bool(const fs::path&)> canWrite)
    : programDirectory_(std::move(programDirectory)), messages_(messages), shell_(shell),
      closeMainWindow_(std::move(closeMainWindow)),
      canWrite_(canWrite ? std::move(canWrite) : folderWritable) {}

void UpdateCommands::UpdateCheck() {
    // An installation the system owns is updated by its package manager; the player stays.
    if (!canWrite_(programDirectory_)) {
        messages_.show(std::string(kSystemInstallMessage), kCaption, MessageButtons::Ok,
                       MessageIcon::Information);
        return;
    }
    if (messages_.show("最新のバージョンを確認する際に、本プログラムを一度終了します。\r\n"
                       "よろしいですか？",
                       kCaption, MessageButtons::YesNo,
                       MessageIcon::Information) != MessageAnswer::Yes) {
        return;
    }
    // Without an updater to take over, closing would only leave the user with nothing.
    if (!shell_.startProgram(programDirectory_ / kUpdaterProgramName, programDirectory_)) {
        messages_.show("アップデータ（" + (programDirectory_ / kUpdaterProgramName).string() +
                           "）を起動できませんでした。",
                       kCaption, MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    if (closeMainWindow_) {
        closeMainWindow_();
    }
}

void UpdateCommands::helpFileOpen() {
    const fs::path help = programDirectory_ / kHelpFileName;
    std::error_code error;
    if (fs::is_regular_file(help, error)) {
        shell_.openDocument(help);
        return;
    }
    if (messages_.show("ヘルプファイルが存在しません。\r\nアップデータのリストを更新します。",
                       kCaption, MessageButtons::OkCancel,
                       MessageIcon::Information) != MessageAnswer::Ok) {
        return;
    }
    // A folder that cannot be written is refused by the update check with its own message.
    writeUpdateList(programDirectory_);
    UpdateCheck();
}

} // namespace sorvel
