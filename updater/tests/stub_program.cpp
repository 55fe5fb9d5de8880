// Stands in for the player in the update tests: carries a version marker and, when started,
// leaves a file "started" holding its working folder beside itself.
#include "program_version.h"

#include <filesystem>
#include <fstream>

SORVEL_VERSION_MARKER("1.0.0.0");

int main() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    std::ofstream(self.parent_path() / "started") << fs::current_path(error).string();
    return 0;
}
