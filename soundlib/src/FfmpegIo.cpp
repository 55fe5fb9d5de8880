#include "FfmpegIo.h"

#include "decoder_support.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace soundlib {
namespace {

// Large reads keep system calls rare while decoding long files.
constexpr int kBufferBytes = 64 * 1024;

} // namespace

std::unique_ptr<FfmpegIo> FfmpegIo::openFile(const std::string& path, FMOD_RESULT& result) {
    // Non-blocking, so a FIFO cannot stall the open; it is turned away below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result = resultForOpenError(errno);
        return nullptr;
    }
    auto io = std::make_unique<FfmpegIo>(Key{});
    io->fd_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = S_ISDIR(info.st_mode) ? FMOD_ERR_FILE_BAD : FMOD_ERR_FORMAT;
        return nullptr;
    }
    io->size_ = info.st_size;
    result = FMOD_OK;
    return io;
}

std::unique_ptr<FfmpegIo> FfmpegIo::fromMemory(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    if (!bytes)
        return nullptr;
    auto io = std::make_unique<FfmpegIo>(Key{});
    io->memory_ = std::move(bytes);
    io->size_ = static_cast<int64_t>(io->memory_->size());
    return io;
}

FfmpegIo::~FfmpegIo() {
    avio_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

AVIOContext* FfmpegIo::context() {
    if (!avio_)
        makeContext();
    return avio_.get();
}

bool FfmpegIo::makeContext() {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (!buffer)
        return false;
    AVIOContext* context = avio_alloc_context(buffer, kBufferBytes, 0, this, &FfmpegIo::readPacket,
                                              nullptr, &FfmpegIo::seekTo);
    if (!context) {
        av_free(buffer);
        return false;
    }
    avio_.reset(context);
    return true;
}

size_t FfmpegIo::readAt(int64_t offset, uint8_t* out, size_t count) const {
    if (offset < 0 || offset >= size_)
        return 0;
    count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size_ - offset));
    if (fd_ < 0) {
        std::memcpy(out, memory_->data() + offset, count);
        return count;
    }
    size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + int64_t(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

int FfmpegIo::readPacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<FfmpegIo*>(opaque);
    const size_t got = self->readAt(self->position_, buffer, static_cast<size_t>(size));
    if (got == 0)
        return AVERROR_EOF;
    self->position_ += static_cast<int64_t>(got);
    return static_cast<int>(got);
}

int64_t FfmpegIo::seekTo(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<FfmpegIo*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->size_;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += self->position_;
        break;
    case SEEK_END:
        offset += self->size_;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    self->position_ = offset;
    return offset;
}

} // namespace soundlib
