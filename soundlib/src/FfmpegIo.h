// A byte source for the decoders: a file or a block of memory (a zip member), read at any
// offset, and for libavformat behind a custom AVIOContext made on first need (so probing a file
// that another decoder takes never loads FFmpeg). Paths never go through FFmpeg's protocol
// layer, so names with ':' stay files.
#pragma once

#include "ffmpeg_handles.h"
#include "soundlib.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace soundlib {

class FfmpegIo {
public:
    // Opens a file for reading; null with 23 (missing) or 19 (unreadable) in `result`.
    static std::unique_ptr<FfmpegIo> openFile(const std::string& path, FMOD_RESULT& result);
    static std::unique_ptr<FfmpegIo> fromMemory(std::shared_ptr<const std::vector<uint8_t>> bytes);

    struct Key {}; // construction goes through the factories above
    explicit FfmpegIo(Key) {}
    ~FfmpegIo();
    FfmpegIo(const FfmpegIo&) = delete;
    FfmpegIo& operator=(const FfmpegIo&) = delete;

    // Null when out of memory (or FFmpeg cannot be loaded).
    AVIOContext* context();
    int64_t size() const { return size_; }
    // Random access that leaves the AVIOContext's position alone; returns the bytes read.
    size_t readAt(int64_t offset, uint8_t* out, size_t count) const;

private:
    bool makeContext();
    static int readPacket(void* opaque, uint8_t* buffer, int size);
    static int64_t seekTo(void* opaque, int64_t offset, int whence);

    int fd_ = -1;
    std::shared_ptr<const std::vector<uint8_t>> memory_;
    int64_t size_ = 0;
    int64_t position_ = 0;
    AvioPtr avio_;
};

} // namespace soundlib
