// One RIFF WAVE file being written: placeholder header first, real sizes when finished.
#pragma once

#include "wav_header.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace soundlib {

class WaveFileWriter {
public:
    WaveFileWriter() = default;
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Creates (or replaces) the file and writes a placeholder header. Conversion space for
    // `maxFramesPerWrite` frames is reserved here so write() never allocates. False when the
    // path cannot be written; no file is left behind then.
    bool open(const std::filesystem::path& path, const WavFormat& format,
              FMOD_SOUND_FORMAT sampleFormat, size_t maxFramesPerWrite);
    bool isOpen() const { return file_ != nullptr; }

    // Appends up to maxFramesPerWrite frames of interleaved float. Frames past the largest size
    // a WAVE file can describe, or after a write error (disk full), are dropped.
    void write(const float* interleaved, size_t frames) noexcept;

    // Writes the final sizes and closes the file. True when everything reached the disk.
    // Calling it again, or on a writer that is not open, does nothing and answers true.
    bool finish() noexcept;

    uint64_t dataBytes() const { return dataBytes_; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Declared before file_: stdio uses it as the stream buffer until fclose.
    std::vector<char> streamBuffer_;
    std::vector<uint8_t> converted_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    WavFormat format_;
    FMOD_SOUND_FORMAT sampleFormat_ = FMOD_SOUND_FORMAT_NONE;
    size_t maxFrames_ = 0;
    uint64_t dataBytes_ = 0;
    uint32_t dataLimit_ = 0;
    bool failed_ = false;
};

} // namespace soundlib
