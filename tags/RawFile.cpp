#include "RawFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sorvel {

RawFile::RawFile(const std::filesystem::path& path, Access access) {
    // O_NONBLOCK keeps a FIFO given as a path from blocking the open; anything but a regular
    // file is refused right after.
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return;
    fd_ = fd;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return;
    }
    const int statusFlags = ::fcntl(fd_, F_GETFL);
    if (statusFlags >= 0)
        ::fcntl(fd_, F_SETFL, statusFlags & ~O_NONBLOCK);
}

RawFile::~RawFile() {
    close();
}

RawFile::RawFile(RawFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void RawFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::optional<std::uint64_t> RawFile::size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || info.st_size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t RawFile::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
    std::size_t done = 0;
    while (fd_ >= 0 && done < buffer.size()) {
        const std::uint64_t at = offset + done;
        if (at > static_cast<std::uint64_t>(INT64_MAX))
            break;
        const ssize_t got =
            ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool RawFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    ssize_t written = -1;
    do {
        written = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

bool RawFile::truncate(std::uint64_t length) {
    if (fd_ < 0 || length > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    int result = -1;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace sorvel
