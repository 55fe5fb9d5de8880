// A network stream decoded through FFmpeg as it arrives: MP3, AAC, Ogg and whatever else
// FFmpeg recognises. Live: no length, no seeking, titles from the stream's metadata.
#pragma once

#include "HttpStream.h"
#include "ReceiveBuffer.h"
#include "decoder.h"
#include "ffmpeg_handles.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace soundlib {

class NetStreamDecoder final : public Decoder {
public:
    // Whether `name` is a network address this decoder opens (http://, https://, ftp://).
    static bool isNetworkAddress(const std::string& name);
    // Connects and waits until the stream's format is known. Results: the network results
    // (26-30, 51-53), 25 when what arrives is not audio.
    static DecoderOpenResult open(const std::string& address, const DecoderOptions& options);

    struct Key {}; // construction goes through open()
    explicit NetStreamDecoder(Key) {}
    ~NetStreamDecoder() override;
    NetStreamDecoder(const NetStreamDecoder&) = delete;
    NetStreamDecoder& operator=(const NetStreamDecoder&) = delete;

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    uint64_t lengthFrames() const override { return 0; }
    FMOD_SOUND_TYPE type() const override { return type_; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCM16; }
    int sourceBits() const override { return 16; }
    int sourceChannels() const override { return sourceChannels_; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t) override { return false; }
    const std::vector<DecodedTag>& tags() const override { return tags_; }

    bool streamsOnly() const override { return true; }
    // A non-real-time mixer waits this long for the network, then plays on without it.
    std::chrono::milliseconds blockingReadWait() const override {
        return std::chrono::milliseconds(100);
    }
    bool live() const override { return true; }
    void takeUpdatedTags(std::vector<DecodedTag>& out, uint64_t playedFrames) override {
        buffer_->takeReadTags(out, playedFrames);
    }
    unsigned int bufferedPercent() const override { return buffer_->percentFull(); }
    bool starving() const override { return buffer_->starving(); }
    void interrupt() override;

private:
    FMOD_RESULT start(const std::string& address);
    static int readPacket(void* opaque, uint8_t* buffer, int size);
    bool decodeMore();
    bool convertFrame();

    std::shared_ptr<ReceiveBuffer> buffer_;
    std::unique_ptr<HttpStream> stream_;
    std::shared_ptr<const std::atomic<bool>> cancelled_;
    std::atomic<bool> interrupted_{false};

    // Declared after the stream: the demuxer goes first, then its byte source.
    AvioPtr avio_;
    FormatContextPtr format_;
    CodecContextPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    SwrPtr swr_;
    int streamIndex_ = -1;
    int swrFormat_ = -1;
    int swrRate_ = 0;
    AVChannelLayout swrLayout_{};

    int rate_ = 0;
    int channels_ = 0;
    int sourceChannels_ = 0;
    FMOD_SOUND_TYPE type_ = FMOD_SOUND_TYPE_UNKNOWN;
    std::vector<DecodedTag> tags_;
    std::vector<float> pending_; // converted frames not yet read
    size_t pendingOffset_ = 0;   // samples of pending_ already read
    uint64_t framesOut_ = 0;     // frames read() has delivered
    bool ended_ = false;
};

} // namespace soundlib
