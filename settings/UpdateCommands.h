// The player's side of updating: the menu commands "AutoUpdateCheck" and "Help". The update
// check hands over to the updater beside the program and closes the player; the help opens the
// help file, or offers to fetch it through the updater when it is missing.
#pragma once

#include "WindowServices.h"

#include <filesystem>
#include <functional>

namespace sorvel {

class UpdateCommands {
public:
    // `programDirectory` is where the program, the updater and the shipped documents lie;
    // `closeMainWindow` ends the player through its normal closing.
    UpdateCommands(std::filesystem::path programDirectory, MessageBoxService& messages,
                   ShellLauncher& shell, std::function<void()> closeMainWindow,
                   std::function<bool(const std::filesystem::path&)> canWrite = {});

    void UpdateCheck();
    void helpFileOpen();

private:
    std::filesystem::path programDirectory_;
    MessageBoxService& messages_;
    ShellLauncher& shell_;
    std::function<void()> closeMainWindow_;
    std::function<bool(const std::filesystem::path&)> canWrite_;
};

} // namespace sorvel
