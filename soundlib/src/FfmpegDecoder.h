// Files decoded through FFmpeg: MPEG audio, WAV, AIFF, Windows Media, Ogg Vorbis, FLAC, VAG and
// raw 16-bit PCM. Output is interleaved float at the source's rate, mono or stereo.
#pragma once

#include "FfmpegIo.h"
#include "decoder.h"
#include "ffmpeg_handles.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace soundlib {

class FfmpegDecoder final : public Decoder {
public:
    // `name` is the file's (or zip member's) name; its extension helps recognise the format.
    // `rawPcm` reads the source as headerless 44100 Hz 16-bit little-endian stereo.
    // Results: 25 when the source is not a supported, decodable audio file.
    static DecoderOpenResult open(std::unique_ptr<FfmpegIo> io, const std::string& name,
                                  const DecoderOptions& options, bool rawPcm);

    struct Key {}; // construction goes through open()
    explicit FfmpegDecoder(Key);
    ~FfmpegDecoder() override;
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    uint64_t lengthFrames() const override { return length_; }
    FMOD_SOUND_TYPE type() const override { return type_; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return sourceFormat_; }
    int sourceBits() const override { return sourceBits_; }
    int sourceChannels() const override { return sourceChannels_; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t frame) override;
    const std::vector<DecodedTag>& tags() const override { return tags_; }

private:
    enum class Conversion { Copy, Interleave, Resampler };

    FMOD_RESULT start(const std::string& name, const DecoderOptions& options, bool rawPcm);
    const AVInputFormat* probe(const std::string& name) const;
    bool openInput();
    bool reopenInput();
    FMOD_RESULT openCodec();
    void describeSource();
    void computeLength(const DecoderOptions& options);
    std::optional<uint64_t> lengthFromInfoFrame() const;
    bool scanLength();
    void collectTags();

    bool receiveFrame();
    bool nextFrame();
    bool seekDemuxer(int64_t from);
    bool retrySeek();
    bool prepareConverter();
    void convert(float* out, size_t offset, size_t count);
    int64_t samplesFromTs(int64_t ts) const;
    void noteFirstPacket(const AVPacket& packet);
    void findFinalOggPage();

    // Declared first: the format context reads through it until it is closed.
    std::unique_ptr<FfmpegIo> io_;
    FormatContextPtr format_;
    CodecContextPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    SwrPtr swr_;
    std::string name_;
    const AVInputFormat* inputFormat_ = nullptr;
    AVStream* stream_ = nullptr; // null only after a failed reopen
    AVRational timeBase_{1, 1};  // the stream's, kept for when it is gone
    int streamIndex_ = -1;

    int rate_ = 0;
    int channels_ = 0;
    int sourceChannels_ = 0;
    int sourceBits_ = 16;
    FMOD_SOUND_FORMAT sourceFormat_ = FMOD_SOUND_FORMAT_PCM16;
    FMOD_SOUND_TYPE type_ = FMOD_SOUND_TYPE_UNKNOWN;
    std::vector<DecodedTag> tags_;

    uint64_t length_ = 0;
    bool lengthKnown_ = false; // then read() stops exactly at length_

    // Decoding state. Positions count output frames from the first frame a full decode
    // delivers; origin_ is that frame's timestamp in samples.
    bool inputEnded_ = false;
    int badPackets_ = 0;
    bool frameValid_ = false;
    int64_t frameStart_ = 0;
    int64_t frameOffset_ = 0; // samples of frame_ already delivered (or skipped)
    int64_t nextPos_ = 0;     // position just after frame_
    int64_t position_ = 0;    // position of the next sample read() delivers
    bool positionKnown_ = false;
    bool originKnown_ = false;
    int64_t origin_ = 0;
    int64_t target_ = 0; // frames before this are dropped (a seek's target)

    // Seeking.
    int64_t firstTs_ = AV_NOPTS_VALUE; // first packet's timestamp, in stream time base
    int64_t firstPos_ = -1;            // and its byte position
    int64_t preroll_ = 0;              // frames decoded ahead of a seek target
    int64_t grid_ = 0;                 // frame positions fall on multiples of this (WMA)
    int64_t finalOggPage_ = -1;        // byte offset of an Ogg stream's end page
    int64_t firstSentPos_ = -1;        // byte offset of the first packet decoded after a seek
    int64_t seekFrom_ = 0;
    int seekTries_ = 0;

    // Sample conversion to interleaved float.
    Conversion conversion_ = Conversion::Copy;
    int convFormat_ = -1;
    AVChannelLayout convLayout_{};
    std::vector<const uint8_t*> inputPlanes_;
};

} // namespace soundlib
