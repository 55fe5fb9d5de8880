// Programs and documents handed to the desktop through Qt: a detached process, and the
// desktop's default viewer (xdg-open).
#pragma once

#include "WindowServices.h"

namespace sorvel {

class QtShellLauncher final : public ShellLauncher {
public:
    bool startProgram(const std::filesystem::path& program,
                      const std::filesystem::path& workingFolder) override;
    bool openDocument(const std::filesystem::path& document) override;
};

} // namespace sorvel
