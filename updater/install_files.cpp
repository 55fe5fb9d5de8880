#include "install_files.h"

#include "file_descriptor.h"
#include "update_list.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel::updater {
namespace fs = std::filesystem;

namespace {

constexpr mode_t kNewFileMode = 0644;

bool copyBytes(int from, int to) {
    char block[65536];
    while (true) {
        const ssize_t got = ::read(from, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        if (!writeAll(to, std::string_view(block, static_cast<size_t>(got)))) {
            return false;
        }
    }
}

// A copy of `source` next to `target` under a fresh hidden name, flushed, with `mode`.
std::optional<fs::path> copyBeside(const fs::path& source, const fs::path& target,
                                   const std::string& tag, mode_t mode) {
    std::string name = (target.parent_path() / ("." + target.filename().string() + tag + "XXXXXX"));
    FileDescriptor out(::mkstemp(name.data()));
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (out.get() < 0) {
        return std::nullopt;
    }
    if (in.get() < 0 || !copyBytes(in.get(), out.get()) || ::fchmod(out.get(), mode) != 0 ||
        ::fsync(out.get()) != 0 || !out.close()) {
        ::unlink(name.c_str());
        return std::nullopt;
    }
    return fs::path(name);
}

mode_t modeFor(const fs::path& target, bool program) {
    struct stat installed {};
    mode_t mode =
        ::stat(target.c_str(), &installed) == 0 ? (installed.st_mode & 0777) : kNewFileMode;
    if (program) {
        mode |= S_IRUSR | S_IXUSR;
        mode |= (mode & S_IRGRP) ? S_IXGRP : 0;
        mode |= (mode & S_IROTH) ? S_IXOTH : 0;
    }
    return mode;
}

// A second name for the installed file, to put it back with if a later step fails.
std::optional<fs::path> keepAside(const fs::path& target) {
    std::string name = (target.parent_path() / ("." + target.filename().string() + ".old-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return std::nullopt;
    }
    ::close(fd);
    if (::unlink(name.c_str()) == 0 && ::link(target.c_str(), name.c_str()) == 0) {
        return fs::path(name);
    }
    // No hard links on this file system: a copy serves as well.
    return copyBeside(target, target, ".old-", modeFor(target, false));
}

struct Replacement {
    fs::path target;
    fs::path staged;
    std::optional<fs::path> old; // the installed file's second name, when there was one
    bool done = false;
};

void removeQuietly(const fs::path& file) {
    std::error_code error;
    fs::remove(file, error);
}

} // namespace

bool RealFileSystem::canWrite(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool RealFileSystem::rename(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

InstallResult installFiles(InstallFileSystem& files, const fs::path& tempFolder,
                           const fs::path& programFolder, const std::vector<std::string>& names) {
    std::vector<Replacement> work;
    const auto undo = [&work, &files] {
        for (Replacement& step : work) {
            if (step.done) {
                if (step.old) {
                    files.rename(*step.old, step.target);
                } else {
                    removeQuietly(step.target);
                }
            } else {
                removeQuietly(step.staged);
            }
            if (step.old) {
                removeQuietly(*step.old);
            }
        }
    };

    for (const std::string& name : names) {
        const fs::path target = programFolder / name;
        const auto staged = copyBeside(tempFolder / name, target, ".new-",
                                       modeFor(target, name == kPlayerProgramName));
        if (!staged) {
            undo();
            return {false, name};
        }
        work.push_back({target, *staged, std::nullopt, false});
        std::error_code error;
        if (fs::exists(fs::symlink_status(target, error))) {
            work.back().old = keepAside(target);
            if (!work.back().old) {
                undo();
                return {false, name};
            }
        }
    }
    for (Replacement& step : work) {
        if (!files.rename(step.staged, step.target)) {
            undo();
            syncFolder(programFolder);
            return {false, step.target.filename().string()};
        }
        step.done = true;
    }
    for (const Replacement& step : work) {
        if (step.old) {
            removeQuietly(*step.old);
        }
    }
    syncFolder(programFolder);
    return {true, {}};
}

} // namespace sorvel::updater
