// What the updater does, once, after its window first shows: fetch every file of the update
// list into the temp folder, compare the fetched player's version with the installed one, ask,
// install all or nothing, and offer to start the player again.
#pragma once

#include "WindowServices.h"
#include "install_files.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace sorvel::updater {

// The updater's window as the procedure sees it.
class UpdaterView {
public:
    virtual ~UpdaterView() = default;
    virtual void setLabel(const std::string& text) = 0; // Label1
    virtual void advanceBlock() = 0;                    // Shape2 moves on along Shape1
    virtual void fillTrack() = 0;                       // Shape2 covers the whole track
    // Runs the window's pending events; false once the window has been closed.
    virtual bool pendingEvents() = 0;
};

// Starts a program detached, with a working folder; false when it could not be started.
using ProgramStarter =
    std::function<bool(const std::filesystem::path& program, const std::filesystem::path& folder)>;

enum class UpdateOutcome {
    NotWritable,    // the program folder belongs to the system: nothing done
    Cancelled,      // the window was closed during the downloads
    NetworkFailure, // the server could not be reached
    DownloadFailed, // a file did not arrive whole
    NoValidVersion, // the fetched player carries no version marker
    Updated,        // newer version installed
    UpdateDeclined, // newer version, the user said No
    UpToDate,       // no newer version; the other files installed
    UpToDateDeclined,
    InstallFailed, // the installation was put back as it was
};

inline constexpr const char* kUpdaterCaption = "Sorvel AutoUpdater";

class UpdateProcedure {
public:
    UpdateProcedure(std::filesystem::path programFolder, std::string baseAddress, UpdaterView& view,
                    MessageBoxService& messages, InstallFileSystem& files,
                    ProgramStarter startProgram);

    // The window's load: a program folder that cannot be written is refused with a message
    // (false); otherwise the temp folder is made when missing.
    bool prepare();
    // The whole procedure; prepare() must have returned true.
    UpdateOutcome run();

    std::filesystem::path tempFolder() const;

private:
    bool ask(const std::string& text);
    void restartPlayer();
    // The failure question: nothing changed, start the installed player?
    UpdateOutcome failed(UpdateOutcome outcome, const std::string& text);
    std::vector<std::string> listEntries() const;
    // Downloads every entry; the names directly inside the temp folder fetched this run.
    std::optional<UpdateOutcome> downloadAll(std::vector<std::string>& fetched);

    std::filesystem::path programFolder_;
    std::string baseAddress_;
    UpdaterView& view_;
    MessageBoxService& messages_;
    InstallFileSystem& files_;
    ProgramStarter startProgram_;
};

} // namespace sorvel::updater
