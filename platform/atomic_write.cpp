#include "atomic_write.h"

#include "file_descriptor.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sorvel {
namespace {

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    const std::filesystem::path& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::filesystem::path path_;
};

std::filesystem::path realTarget(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_symlink(file, error)) {
        const auto target = std::filesystem::weakly_canonical(file, error);
        if (!error) {
            return target;
        }
    }
    return file;
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = realTarget(file);
    if (target.filename().empty()) {
        return false;
    }
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");

    struct stat existing {};
    const bool hadFile = ::stat(target.c_str(), &existing) == 0;
    if (hadFile && !S_ISREG(existing.st_mode)) {
        return false;
    }

    // A name of our own beside the target; O_EXCL makes a clash with any other file fail
    // rather than overwrite it, and the next number is tried.
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    std::filesystem::path temporaryPath;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporaryPath = folder / ("." + target.filename().string() + ".tmp" +
                                  std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    FileDescriptor descriptor(fd);
    if (!descriptor.valid()) {
        return false;
    }
    TemporaryFile temporary(temporaryPath);

    if (hadFile && ::fchmod(descriptor.get(), existing.st_mode & 07777) != 0) {
        return false;
    }
    if (!writeAll(descriptor.get(), bytes) || ::fsync(descriptor.get()) != 0 ||
        !descriptor.close()) {
        return false;
    }
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        return false;
    }
    temporary.release();

    syncFolder(folder);
    return true;
}

} // namespace sorvel
