#include "NetStreamDecoder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

namespace soundlib {
namespace {

constexpr int kIoBufferBytes = 4096;
// Enough for any audio format to show itself, and little enough to start playing soon.
constexpr int kMaxProbeBytes = 256 * 1024;
// Titles read during the open come out when playback starts; reading little keeps them close.
constexpr int64_t kStreamInfoBytes = 16 * 1024;
constexpr int64_t kStreamInfoMicroseconds = 500000;
// Undecodable packets in a row after which the stream counts as ended.
constexpr int kMaxBadPackets = 256;

FMOD_SOUND_TYPE typeOfFormat(std::string_view name) {
    struct Known {
        std::string_view name;
        FMOD_SOUND_TYPE type;
    };
    constexpr std::array kKnown = {
        Known{"mp3", FMOD_SOUND_TYPE_MPEG},      Known{"aac", FMOD_SOUND_TYPE_AAC},
        Known{"ogg", FMOD_SOUND_TYPE_OGGVORBIS}, Known{"flac", FMOD_SOUND_TYPE_FLAC},
        Known{"wav", FMOD_SOUND_TYPE_WAV},       Known{"asf", FMOD_SOUND_TYPE_ASF},
    };
    for (const Known& known : kKnown) {
        if (known.name == name) {
            return known.type;
        }
    }
    return FMOD_SOUND_TYPE_UNKNOWN;
}

} // namespace

bool NetStreamDecoder::isNetworkAddress(const std::string& name) {
    for (const std::string_view scheme : {"http://", "https://", "ftp://"}) {
        // A bare scheme is an address too: it cannot be parsed, which is what it answers.
        if (name.size() >= scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), name.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            })) {
            return true;
        }
    }
    return false;
}

DecoderOpenResult NetStreamDecoder::open(const std::string& address,
                                         const DecoderOptions& options) {
    DecoderOpenResult opened;
    auto decoder = std::make_unique<NetStreamDecoder>(Key{});
    decoder->cancelled_ = options.cancelled;
    decoder->buffer_ = std::make_shared<ReceiveBuffer>(options.network.bufferBytes);
    decoder->stream_ = std::make_unique<HttpStream>(address, options.network, decoder->buffer_);
    opened.result = decoder->start(address);
    if (opened.result == FMOD_OK) {
        opened.decoder = std::move(decoder);
    }
    return opened;
}

NetStreamDecoder::~NetStreamDecoder() {
    interrupt();
    av_channel_layout_uninit(&swrLayout_);
    // The demuxer reads through the I/O context: close it first.
    swr_.reset();
    codec_.reset();
    format_.reset();
    avio_.reset();
}

void NetStreamDecoder::interrupt() {
    interrupted_.store(true, std::memory_order_release);
    buffer_->abort();
    stream_->abort();
}

int NetStreamDecoder::readPacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<NetStreamDecoder*>(opaque);
    const size_t got = self->buffer_->read(buffer, static_cast<size_t>(size),
                                           self->cancelled_.get(), self->framesOut_);
    if (got == 0) {
        return self->interrupted_.load(std::memory_order_acquire) ? AVERROR_EXIT : AVERROR_EOF;
    }
    return static_cast<int>(got);
}

FMOD_RESULT NetStreamDecoder::start(const std::string& address) {
    // What went wrong on the network explains a failure better than the demuxer can.
    const auto failure = [this](FMOD_RESULT otherwise) {
        const FMOD_RESULT network = buffer_->finished() ? buffer_->result() : FMOD_OK;
        return network != FMOD_OK ? network : otherwise;
    };
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    auto* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!packet_ || !frame_ || !ioBuffer) {
        av_free(ioBuffer);
        return FMOD_ERR_MEMORY;
    }
    avio_.reset(avio_alloc_context(ioBuffer, kIoBufferBytes, 0, this, &NetStreamDecoder::readPacket,
                                   nullptr, nullptr));
    if (!avio_) {
        av_free(ioBuffer);
        return FMOD_ERR_MEMORY;
    }
    avio_->seekable = 0;

    const AVInputFormat* inputFormat = nullptr;
    if (av_probe_input_buffer2(avio_.get(), &inputFormat, address.c_str(), nullptr, 0,
                               kMaxProbeBytes) < 0 ||
        inputFormat == nullptr) {
        return failure(FMOD_ERR_FORMAT);
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        return FMOD_ERR_MEMORY;
    }
    context->pb = avio_.get();
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    context->probesize = kStreamInfoBytes;
    context->max_analyze_duration = kStreamInfoMicroseconds;
    // On failure avformat_open_input frees the context itself.
    if (avformat_open_input(&context, address.c_str(), inputFormat, nullptr) < 0) {
        return failure(FMOD_ERR_FORMAT);
    }
    format_.reset(context);
    avformat_find_stream_info(context, nullptr);

    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || codec == nullptr) {
        return failure(FMOD_ERR_FORMAT);
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_) {
            context->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    const AVStream* stream = context->streams[streamIndex_];
    codec_.reset(avcodec_alloc_context3(codec));
    if (!codec_) {
        return FMOD_ERR_MEMORY;
    }
    if (avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0 ||
        avcodec_open2(codec_.get(), codec, nullptr) < 0) {
        return failure(FMOD_ERR_FORMAT);
    }
    rate_ = stream->codecpar->sample_rate > 0 ? stream->codecpar->sample_rate : codec_->sample_rate;
    sourceChannels_ = stream->codecpar->ch_layout.nb_channels > 0
                          ? stream->codecpar->ch_layout.nb_channels
                          : codec_->ch_layout.nb_channels;
    if (rate_ <= 0 || sourceChannels_ <= 0) {
        return failure(FMOD_ERR_FORMAT);
    }
    channels_ = sourceChannels_ == 1 ? 1 : 2;
    type_ = typeOfFormat(inputFormat->name);
    // A stream that cannot give its first samples is not audio we can play.
    if (!decodeMore()) {
        return failure(FMOD_ERR_FORMAT);
    }
    return FMOD_OK;
}

bool NetStreamDecoder::decodeMore() {
    int badPackets = 0;
    bool inputEnded = false;
    while (!ended_) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == 0) {
            badPackets = 0;
            if (convertFrame()) {
                return true;
            }
            continue;
        }
        if (received == AVERROR_EOF) {
            ended_ = true;
            break;
        }
        if (received != AVERROR(EAGAIN)) {
            if (++badPackets > kMaxBadPackets) {
                ended_ = true;
            }
            continue;
        }
        if (inputEnded) {
            ended_ = true;
            break;
        }
        AVPacket* packet = packet_.get();
        if (av_read_frame(format_.get(), packet) < 0) {
            // The server closed the stream, it stalled, or we were stopped: drain the decoder.
            inputEnded = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (packet->stream_index == streamIndex_ && avcodec_send_packet(codec_.get(), packet) < 0 &&
            ++badPackets > kMaxBadPackets) {
            ended_ = true;
        }
        av_packet_unref(packet);
    }
    return false;
}

bool NetStreamDecoder::convertFrame() {
    const AVChannelLayout& layout = frame_->ch_layout;
    if (layout.nb_channels <= 0 || frame_->sample_rate <= 0 || frame_->nb_samples <= 0) {
        return false;
    }
    // Stations may switch format between programmes; everything comes out in the format the
    // stream started with.
    if (!swr_ || frame_->format != swrFormat_ || frame_->sample_rate != swrRate_ ||
        av_channel_layout_compare(&layout, &swrLayout_) != 0) {
        av_channel_layout_uninit(&swrLayout_);
        if (av_channel_layout_copy(&swrLayout_, &layout) < 0) {
            return false;
        }
        swrFormat_ = frame_->format;
        swrRate_ = frame_->sample_rate;
        AVChannelLayout in{};
        if (layout.order == AV_CHANNEL_ORDER_NATIVE) {
            av_channel_layout_copy(&in, &layout);
        } else {
            av_channel_layout_default(&in, layout.nb_channels);
        }
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels_);
        SwrContext* context = nullptr;
        const int made = swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLT, rate_, &in,
                                             static_cast<AVSampleFormat>(frame_->format),
                                             frame_->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        swr_.reset(context);
        if (made < 0 || !swr_ || swr_init(swr_.get()) < 0) {
            swr_.reset();
            return false;
        }
    }
    const int room = swr_get_out_samples(swr_.get(), frame_->nb_samples);
    if (room <= 0) {
        return false;
    }
    if (pendingOffset_ >= pending_.size()) {
        pending_.clear();
        pendingOffset_ = 0;
    }
    const size_t used = pending_.size();
    pending_.resize(used + static_cast<size_t>(room) * static_cast<size_t>(channels_));
    auto* target = reinterpret_cast<uint8_t*>(pending_.data() + used);
    const int made =
        swr_convert(swr_.get(), &target, room, const_cast<const uint8_t**>(frame_->extended_data),
                    frame_->nb_samples);
    pending_.resize(used + static_cast<size_t>(std::max(made, 0)) * static_cast<size_t>(channels_));
    return made > 0;
}

size_t NetStreamDecoder::read(float* out, size_t frames) {
    const size_t channels = static_cast<size_t>(channels_);
    size_t done = 0;
    while (done < frames) {
        if (pendingOffset_ < pending_.size()) {
            const size_t count =
                std::min(frames - done, (pending_.size() - pendingOffset_) / channels);
            std::memcpy(out + done * channels, pending_.data() + pendingOffset_,
                        count * channels * sizeof(float));
            pendingOffset_ += count * channels;
            done += count;
            framesOut_ += count;
            continue;
        }
        pending_.clear();
        pendingOffset_ = 0;
        if (!decodeMore()) {
            break;
        }
    }
    return done;
}

} // namespace soundlib
