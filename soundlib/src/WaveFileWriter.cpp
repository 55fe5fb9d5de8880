#include "WaveFileWriter.h"

#include "sample_conversion.h"

#include <algorithm>
#include <system_error>
#include <unistd.h>

namespace soundlib {

namespace {

// Big enough that the disk sees a few writes per second even at high rates.
constexpr size_t kStreamBufferBytes = 256 * 1024;

bool writeAll(std::FILE* file, const void* data, size_t bytes) {
    return std::fwrite(data, 1, bytes, file) == bytes;
}

} // namespace

WaveFileWriter::~WaveFileWriter() {
    finish();
}

bool WaveFileWriter::open(const std::filesystem::path& path, const WavFormat& format,
                          FMOD_SOUND_FORMAT sampleFormat, size_t maxFramesPerWrite) {
    finish();
    format_ = format;
    sampleFormat_ = sampleFormat;
    maxFrames_ = maxFramesPerWrite;
    dataBytes_ = 0;
    dataLimit_ = maxWavDataBytes(format);
    failed_ = false;
    converted_.assign(maxFramesPerWrite * format.blockAlign(), 0);
    streamBuffer_.resize(kStreamBufferBytes);

    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_)
        return false;
    std::setvbuf(file_.get(), streamBuffer_.data(), _IOFBF, streamBuffer_.size());
    const auto header = makeWavHeader(format_, 0);
    if (!writeAll(file_.get(), header.data(), header.size()) || std::fflush(file_.get()) != 0) {
        // Out of space or quota: remove the stub rather than leave a broken file (only a plain
        // file: the path may name a device such as /dev/full).
        file_.reset();
        std::error_code ignored;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ignored)))
            std::filesystem::remove(path, ignored);
        return false;
    }
    return true;
}

void WaveFileWriter::write(const float* interleaved, size_t frames) noexcept {
    if (!file_ || failed_)
        return;
    const size_t align = format_.blockAlign();
    const uint64_t room = (dataLimit_ - dataBytes_) / align;
    frames = static_cast<size_t>(std::min<uint64_t>({frames, maxFrames_, room}));
    if (frames == 0)
        return;
    const size_t bytes = frames * align;
    convertFromFloat(sampleFormat_, interleaved, frames * format_.channels, converted_.data());
    if (!writeAll(file_.get(), converted_.data(), bytes))
        failed_ = true;
    else
        dataBytes_ += bytes;
}

bool WaveFileWriter::finish() noexcept {
    if (!file_)
        return true;
    std::FILE* file = file_.get();
    bool ok = !failed_ && std::fflush(file) == 0;

    // Trust the disk over the tally: after a failed write only what landed is described.
    const long headerSize = static_cast<long>(wavHeaderSize(format_));
    uint64_t data = dataBytes_;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long fileEnd = std::ftell(file);
        if (fileEnd >= headerSize)
            data = std::min<uint64_t>(data, static_cast<uint64_t>(fileEnd - headerSize));
    }
    data -= data % format_.blockAlign();

    // Cut any torn frame a failed write left, then pad an odd data chunk as RIFF wants.
    const long dataEnd = headerSize + static_cast<long>(data);
    ok = std::fflush(file) == 0 && ::ftruncate(::fileno(file), dataEnd) == 0 && ok;
    if (data & 1u) {
        const uint8_t pad = 0;
        ok = std::fseek(file, dataEnd, SEEK_SET) == 0 && writeAll(file, &pad, 1) && ok;
    }
    const auto header = makeWavHeader(format_, static_cast<uint32_t>(data));
    ok = std::fseek(file, 0, SEEK_SET) == 0 && writeAll(file, header.data(), header.size()) && ok;
    ok = std::fflush(file) == 0 && ok;
    dataBytes_ = data;
    ok = std::fclose(file_.release()) == 0 && ok;
    return ok;
}

} // namespace soundlib
