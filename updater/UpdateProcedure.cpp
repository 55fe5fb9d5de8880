#include "UpdateProcedure.h"

#include "Module1.h"
#include "program_version.h"
#include "update_list.h"
#include "update_paths.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

namespace sorvel::updater {
namespace fs = std::filesystem;

namespace {

constexpr const char* kRestartCurrent = "Sorvelを現行Verで再起動しますか？";
constexpr const char* kNothingChanged = "何も更新していません。";

std::string networkQuestion() {
    return std::string(
               "ネットワークに接続できません。設定に問題があるか、サーバーに原因があります。"
               "\r\n") +
           kRestartCurrent;
}

std::string downloadFailure(const std::string& entry, const DownloadOutcome& outcome) {
    return "「" + entry + "」を取得できませんでした（" + outcome.detail + "）。\r\n" +
           kNothingChanged + "\r\n" + kRestartCurrent;
}

} // namespace

UpdateProcedure::UpdateProcedure(fs::path programFolder, std::string baseAddress, UpdaterView& view,
                                 MessageBoxService& messages, InstallFileSystem& files,
                                 ProgramStarter startProgram)
    : programFolder_(std::move(programFolder)), baseAddress_(std::move(baseAddress)), view_(view),
      messages_(messages), files_(files), startProgram_(std::move(startProgram)) {}

fs::path UpdateProcedure::tempFolder() const {
    return programFolder_ / kTempFolderName;
}

bool UpdateProcedure::prepare() {
    if (!files_.canWrite(programFolder_)) {
        messages_.show(std::string(kSystemInstallMessage), kUpdaterCaption, MessageButtons::Ok,
                       MessageIcon::Information);
        return false;
    }
    // Only a real folder will do: a link named temp would carry the downloads elsewhere.
    std::error_code error;
    const fs::file_status status = fs::symlink_status(tempFolder(), error);
    if (fs::exists(status) && !fs::is_directory(status)) {
        fs::remove(tempFolder(), error);
    }
    fs::create_directory(tempFolder(), error);
    return true;
}

bool UpdateProcedure::ask(const std::string& text) {
    return messages_.show(text, kUpdaterCaption, MessageButtons::YesNo, MessageIcon::Information) ==
           MessageAnswer::Yes;
}

void UpdateProcedure::restartPlayer() {
    if (startProgram_) {
        startProgram_(programFolder_ / kPlayerProgramName, programFolder_);
    }
}

UpdateOutcome UpdateProcedure::failed(UpdateOutcome outcome, const std::string& text) {
    if (ask(text)) {
        restartPlayer();
    }
    return outcome;
}

std::vector<std::string> UpdateProcedure::listEntries() const {
    std::ifstream in(programFolder_ / kUpdateListName, std::ios::binary);
    if (!in) {
        // No list yet (the updater started by hand): the one the player would write.
        return parseUpdateList(updateListText());
    }
    std::stringstream text;
    text << in.rdbuf();
    return parseUpdateList(text.str());
}

std::optional<UpdateOutcome> UpdateProcedure::downloadAll(std::vector<std::string>& fetched) {
    const auto base = normaliseBaseAddress(baseAddress_);
    if (!base) {
        return failed(UpdateOutcome::NetworkFailure, networkQuestion());
    }
    Module1 network({[this] { return view_.pendingEvents(); }, [this] { view_.advanceBlock(); }});
    for (const std::string& entry : listEntries()) {
        view_.advanceBlock();
        const auto local = localPathFor(tempFolder(), entry);
        if (!local) {
            messages_.show("更新リストの「" + entry +
                               "」はプログラムフォルダーの外を指しているため、取得しません。",
                           kUpdaterCaption, MessageButtons::Ok, MessageIcon::Exclamation);
            continue;
        }
        std::error_code error;
        fs::create_directories(local->parent_path(), error);
        const DownloadOutcome outcome = network.Download(downloadAddress(*base, entry), *local);
        switch (outcome.result) {
        case DownloadResult::Complete:
            if (entry.find('/') == std::string::npos &&
                std::find(fetched.begin(), fetched.end(), entry) == fetched.end()) {
                fetched.push_back(entry);
            }
            break;
        case DownloadResult::CannotConnect:
            return failed(UpdateOutcome::NetworkFailure, networkQuestion());
        case DownloadResult::Cancelled:
            return UpdateOutcome::Cancelled;
        case DownloadResult::BadStatus:
        case DownloadResult::Incomplete:
        case DownloadResult::WriteFailed:
            return failed(UpdateOutcome::DownloadFailed, downloadFailure(entry, outcome));
        }
    }
    return std::nullopt;
}

UpdateOutcome UpdateProcedure::run() {
    view_.setLabel("情報取得中");
    std::vector<std::string> fetched;
    if (const auto stop = downloadAll(fetched)) {
        return *stop;
    }
    view_.fillTrack();
    view_.setLabel("取得完了");

    const bool playerFetched =
        std::find(fetched.begin(), fetched.end(), std::string(kPlayerProgramName)) != fetched.end();
    const auto fresh =
        playerFetched ? programVersionOf(tempFolder() / kPlayerProgramName) : std::nullopt;
    if (!fresh) {
        return failed(UpdateOutcome::NoValidVersion,
                      std::string("取得したSorvelのバージョンを確認できません。\r\n") +
                          kNothingChanged + "\r\n" + kRestartCurrent);
    }
    // An installed player without a marker predates the marker: anything is newer.
    const ProgramVersion installed =
        programVersionOf(programFolder_ / kPlayerProgramName).value_or(ProgramVersion{});

    if (isNewer(*fresh, installed)) {
        if (!ask("新しいバージョン：" + versionText(*fresh) +
                 "が公開されています\r\nアップデートしますか？")) {
            return UpdateOutcome::UpdateDeclined;
        }
        const InstallResult result = installFiles(files_, tempFolder(), programFolder_, fetched);
        if (!result.installed) {
            return failed(UpdateOutcome::InstallFailed,
                          "「" + result.failure + "」を置き換えられませんでした。\r\n" +
                              kNothingChanged + "\r\n" + kRestartCurrent);
        }
        if (ask("最新のバージョンへアップデートされました。\r\nSorvelを再起動しますか？")) {
            restartPlayer();
        }
        return UpdateOutcome::Updated;
    }

    if (!ask("既に最新のバージョンです。アップデートの必要はありません。\r\nSorvelを再起動しますか"
             "？")) {
        return UpdateOutcome::UpToDateDeclined;
    }
    std::erase(fetched, std::string(kPlayerProgramName));
    const InstallResult result = installFiles(files_, tempFolder(), programFolder_, fetched);
    std::error_code error;
    fs::remove_all(tempFolder(), error);
    if (!result.installed) {
        messages_.show("「" + result.failure + "」を置き換えられませんでした。\r\n" +
                           kNothingChanged,
                       kUpdaterCaption, MessageButtons::Ok, MessageIcon::Exclamation);
    }
    restartPlayer();
    return result.installed ? UpdateOutcome::UpToDate : UpdateOutcome::InstallFailed;
}

} // namespace sorvel::updater
