// MPEG audio (layers I-III) decoded by libmpg123, so the files most sessions play never load
// FFmpeg's large tree. Lengths, the trimming of encoder delay and padding and the seeks follow
// the same rules as FFmpeg's decoding of these files (the Xing/Info frame read by our own
// parser), so a file sounds and counts the same whichever decoder opens it.
#pragma once

#include "FfmpegIo.h"
#include "decoder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace soundlib {

class Mpg123Decoder final : public Decoder {
public:
    // Whether `io` starts (after any ID3v2 tags) with two consecutive MPEG audio frames: what
    // this decoder takes; everything else is left to FFmpeg.
    static bool claims(const FfmpegIo& io);
    // Results: 25 when libmpg123 cannot decode the stream, 20 when out of memory.
    static DecoderOpenResult open(std::unique_ptr<FfmpegIo> io, const DecoderOptions& options);

    struct Key {}; // construction goes through open()
    explicit Mpg123Decoder(Key);
    ~Mpg123Decoder() override;
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    uint64_t lengthFrames() const override { return length_; }
    FMOD_SOUND_TYPE type() const override { return FMOD_SOUND_TYPE_MPEG; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCM16; }
    int sourceBits() const override { return 16; }
    int sourceChannels() const override { return channels_; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t frame) override;
    const std::vector<DecodedTag>& tags() const override { return tags_; }

private:
    FMOD_RESULT start(const DecoderOptions& options);
    // `encoder`: the version the Info frame names, a tag of the stream.
    void collectTags(bool id3v2, const std::string& encoder);
    static ptrdiff_t readBytes(void* self, void* out, size_t count);
    static off_t seekBytes(void* self, off_t offset, int whence);

    std::unique_ptr<FfmpegIo> io_;
    int64_t ioPosition_ = 0;
    mpg123_handle_struct* handle_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    uint64_t length_ = 0;
    int64_t skip_ = 0;      // decoded frames before the first one delivered (encoder delay)
    uint64_t position_ = 0; // of the next frame read() delivers
    bool ended_ = false;
    std::vector<DecodedTag> tags_;
};

} // namespace soundlib
