// A file descriptor closed with its owner, whole writes through one, and the flush of a folder
// after a rename into it: the pieces of writing files that must survive a crash.
#pragma once

#include <filesystem>
#include <string_view>

namespace sorvel {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now so that a failing close (a late write error on some file systems) is seen.
    bool close();

private:
    int fd_;
};

// Writes every byte, going on after interrupted writes; false on an error.
bool writeAll(int fd, std::string_view bytes);

// Makes the renames into `folder` durable; a failure here no longer endangers any data.
void syncFolder(const std::filesystem::path& folder);

} // namespace sorvel
