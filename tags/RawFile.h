// A file opened for plain byte reads and writes at given offsets. Nothing stays open between tag
// operations: each one opens a RawFile and the destructor closes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace sorvel {

class RawFile {
public:
    enum class Access { Read, ReadWrite };

    // Opens an existing regular file (never creates one). Check isOpen() afterwards.
    RawFile(const std::filesystem::path& path, Access access);
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    RawFile(RawFile&& other) noexcept;
    RawFile& operator=(RawFile&& other) noexcept;

    bool isOpen() const { return fd_ >= 0; }

    // The current length in bytes; nothing when the file is not open or cannot be asked.
    std::optional<std::uint64_t> size() const;

    // Reads up to buffer.size() bytes at offset; returns how many were read (fewer at the end
    // of the file or on a read error).
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

    // Writes all bytes at offset in one call; false when fewer were written.
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Cuts or extends the file to length bytes.
    bool truncate(std::uint64_t length);

private:
    void close();

    int fd_ = -1;
};

} // namespace sorvel
