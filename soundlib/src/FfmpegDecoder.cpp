#include "FfmpegDecoder.h"

#include "decoder_support.h"
#include "id3v1_block.h"
#include "id3v1_reader.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace soundlib {
namespace {

// Probing reads at most this much; garbage is turned away long before.
constexpr int kMaxProbeBytes = 1 << 20;
// Below this libavformat itself calls a guess "misdetection possible". 24 still takes an MP3
// whose ID3v2 tag is larger than the probe buffer.
constexpr int kMinProbeScore = 24;
// Bad packets in a row after which a stream counts as ended.
constexpr int kMaxBadPackets = 64;

struct KnownFormat {
    std::string_view name;
    FMOD_SOUND_TYPE type;
};
constexpr std::array kKnownFormats = {
    KnownFormat{"mp3", FMOD_SOUND_TYPE_MPEG},      KnownFormat{"wav", FMOD_SOUND_TYPE_WAV},
    KnownFormat{"aiff", FMOD_SOUND_TYPE_AIFF},     KnownFormat{"asf", FMOD_SOUND_TYPE_ASF},
    KnownFormat{"ogg", FMOD_SOUND_TYPE_OGGVORBIS}, KnownFormat{"flac", FMOD_SOUND_TYPE_FLAC},
    KnownFormat{"vag", FMOD_SOUND_TYPE_VAG},       KnownFormat{"s16le", FMOD_SOUND_TYPE_RAW},
};

FMOD_SOUND_TYPE typeOfFormat(std::string_view name) {
    for (const auto& known : kKnownFormats)
        if (known.name == name)
            return known.type;
    return FMOD_SOUND_TYPE_UNKNOWN;
}

bool isPcm(AVCodecID id) {
    return id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

bool isWma(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2;
}

FMOD_SOUND_FORMAT formatForBits(int bits) {
    switch (bits) {
    case 8:
        return FMOD_SOUND_FORMAT_PCM8;
    case 24:
        return FMOD_SOUND_FORMAT_PCM24;
    case 32:
        return FMOD_SOUND_FORMAT_PCM32;
    default:
        return FMOD_SOUND_FORMAT_PCM16;
    }
}

// WMA's bit reservoir flag, from the codec's private header bytes.
bool wmaUsesBitReservoir(const AVCodecParameters& par) {
    int flags = 0;
    if (par.codec_id == AV_CODEC_ID_WMAV1 && par.extradata_size >= 4)
        flags = AV_RL16(par.extradata + 2);
    else if (par.codec_id == AV_CODEC_ID_WMAV2 && par.extradata_size >= 6)
        flags = AV_RL16(par.extradata + 4);
    return (flags & 2) != 0;
}

} // namespace

FfmpegDecoder::FfmpegDecoder(Key) {}

FfmpegDecoder::~FfmpegDecoder() {
    av_channel_layout_uninit(&convLayout_);
    // Close the demuxer before the byte source it reads from.
    swr_.reset();
    codec_.reset();
    format_.reset();
}

DecoderOpenResult FfmpegDecoder::open(std::unique_ptr<FfmpegIo> io, const std::string& name,
                                      const DecoderOptions& options, bool rawPcm) {
    DecoderOpenResult opened;
    opened.result = FMOD_ERR_FORMAT;
    if (!io)
        return opened;
    auto decoder = std::make_unique<FfmpegDecoder>(Key{});
    decoder->io_ = std::move(io);
    opened.result = decoder->start(name, options, rawPcm);
    if (opened.result == FMOD_OK)
        opened.decoder = std::move(decoder);
    return opened;
}

FMOD_RESULT FfmpegDecoder::start(const std::string& name, const DecoderOptions& options,
                                 bool rawPcm) {
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_ || !io_->context())
        return FMOD_ERR_MEMORY;

    name_ = name;
    inputFormat_ = rawPcm ? av_find_input_format("s16le") : probe(name);
    if (!inputFormat_ || !openInput())
        return FMOD_ERR_FORMAT;
    type_ = typeOfFormat(inputFormat_->name);

    // Stream parameters; a failure here still leaves usable ones for most files.
    avformat_find_stream_info(format_.get(), nullptr);
    if (const FMOD_RESULT result = openCodec(); result != FMOD_OK)
        return result;
    describeSource();
    computeLength(options);

    // A file that cannot give its first frame is not audio we can play.
    if (!nextFrame())
        return FMOD_ERR_FORMAT;
    if (isPcm(stream_->codecpar->codec_id) && stream_->codecpar->block_align > 0 &&
        firstPos_ >= 0 && lengthKnown_) {
        // A header may promise more samples than a cut-off file holds.
        const int64_t held = (io_->size() - firstPos_) / stream_->codecpar->block_align;
        length_ = std::min<uint64_t>(length_, static_cast<uint64_t>(std::max<int64_t>(0, held)));
    }
    collectTags();
    return FMOD_OK;
}

const AVInputFormat* FfmpegDecoder::probe(const std::string& name) const {
    const AVInputFormat* format = nullptr;
    const int score =
        av_probe_input_buffer2(io_->context(), &format, name.c_str(), nullptr, 0, kMaxProbeBytes);
    if (score < kMinProbeScore || !format)
        return nullptr;
    if (typeOfFormat(format->name) == FMOD_SOUND_TYPE_UNKNOWN ||
        typeOfFormat(format->name) == FMOD_SOUND_TYPE_RAW)
        return nullptr; // not a format this library plays (trackers go to libopenmpt)
    return format;
}

bool FfmpegDecoder::openInput() {
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return false;
    context->pb = io_->context();
    AVDictionary* settings = nullptr;
    if (typeOfFormat(inputFormat_->name) == FMOD_SOUND_TYPE_RAW) {
        av_dict_set(&settings, "sample_rate", "44100", 0);
        av_dict_set(&settings, "ch_layout", "stereo", 0);
    }
    // On failure avformat_open_input frees the context itself.
    const int opened = avformat_open_input(&context, name_.c_str(), inputFormat_, &settings);
    av_dict_free(&settings);
    if (opened < 0)
        return false;
    format_.reset(context);
    return true;
}

FMOD_RESULT FfmpegDecoder::openCodec() {
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec)
        return FMOD_ERR_FORMAT;
    stream_ = format_->streams[streamIndex_];
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != streamIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL; // cover art and the like

    codec_.reset(avcodec_alloc_context3(codec));
    if (!codec_)
        return FMOD_ERR_MEMORY;
    if (avcodec_parameters_to_context(codec_.get(), stream_->codecpar) < 0)
        return FMOD_ERR_FORMAT;
    // Frame timestamps stay in the stream's time base; the trimming of encoder delay moves
    // them along with the samples it drops.
    codec_->pkt_timebase = stream_->time_base;
    timeBase_ = stream_->time_base;
    if (avcodec_open2(codec_.get(), codec, nullptr) < 0)
        return FMOD_ERR_FORMAT;

    rate_ =
        stream_->codecpar->sample_rate > 0 ? stream_->codecpar->sample_rate : codec_->sample_rate;
    sourceChannels_ = stream_->codecpar->ch_layout.nb_channels > 0
                          ? stream_->codecpar->ch_layout.nb_channels
                          : codec_->ch_layout.nb_channels;
    if (rate_ <= 0 || sourceChannels_ <= 0)
        return FMOD_ERR_FORMAT;
    channels_ = sourceChannels_ == 1 ? 1 : 2;
    return FMOD_OK;
}

void FfmpegDecoder::describeSource() {
    const AVCodecParameters& par = *stream_->codecpar;
    if (isPcm(par.codec_id)) {
        const AVSampleFormat decoded = codec_->sample_fmt;
        if (decoded == AV_SAMPLE_FMT_FLT || decoded == AV_SAMPLE_FMT_DBL ||
            decoded == AV_SAMPLE_FMT_FLTP || decoded == AV_SAMPLE_FMT_DBLP) {
            sourceFormat_ = FMOD_SOUND_FORMAT_PCMFLOAT;
            sourceBits_ = 32;
        } else {
            const int bits = av_get_bits_per_sample(par.codec_id);
            sourceFormat_ = formatForBits(bits);
            sourceBits_ = bits > 0 ? bits : 16;
        }
    } else if (par.codec_id == AV_CODEC_ID_FLAC && par.bits_per_raw_sample > 0) {
        sourceFormat_ = formatForBits(par.bits_per_raw_sample);
        sourceBits_ = par.bits_per_raw_sample;
    } else {
        // Compressed sources report what they decode to.
        sourceFormat_ = FMOD_SOUND_FORMAT_PCM16;
        sourceBits_ = 16;
    }

    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par.codec_id);
    const bool lossless = descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
    // Lossy decoders need frames before the target to rebuild overlap, bit reservoir and
    // predictor state. After a flush libavcodec's MPEG decoder can take 17 frames to refill a
    // starved 8 kbit/s reservoir; decoding 40 is a few milliseconds at any rate.
    preroll_ = lossless ? 0 : std::max<int64_t>(16384, int64_t(40) * par.frame_size);
    if (isWma(par.codec_id))
        grid_ = wmaFrameLength(rate_, par.codec_id == AV_CODEC_ID_WMAV1);
    if (type_ == FMOD_SOUND_TYPE_OGGVORBIS)
        findFinalOggPage();
}

void FfmpegDecoder::findFinalOggPage() {
    // A page holds at most 65307 bytes.
    const int64_t tailBytes = std::min<int64_t>(io_->size(), 70000);
    std::vector<uint8_t> tail(static_cast<size_t>(tailBytes));
    const size_t got = io_->readAt(io_->size() - tailBytes, tail.data(), tail.size());
    const int64_t at = lastOggEndPage(std::span<const uint8_t>(tail.data(), got));
    if (at >= 0)
        finalOggPage_ = io_->size() - tailBytes + at;
}

int64_t FfmpegDecoder::samplesFromTs(int64_t ts) const {
    return av_rescale_q(ts, timeBase_, AVRational{1, rate_});
}

void FfmpegDecoder::noteFirstPacket(const AVPacket& packet) {
    if (firstTs_ != AV_NOPTS_VALUE)
        return;
    firstTs_ = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    firstPos_ = packet.pos;
}

// ---- length ----

void FfmpegDecoder::computeLength(const DecoderOptions& options) {
    const std::string_view format = inputFormat_->name;
    const AVCodecParameters& par = *stream_->codecpar;
    if (type_ == FMOD_SOUND_TYPE_RAW) {
        length_ = static_cast<uint64_t>(io_->size() / 4);
        lengthKnown_ = true;
        return;
    }
    if (format == "mp3" && !options.accurateTime) {
        if (const auto frames = lengthFromInfoFrame()) {
            length_ = *frames;
            lengthKnown_ = true;
            return;
        }
    }
    // Containers whose header counts samples exactly.
    const bool exactHeader = ((format == "wav" || format == "aiff") && isPcm(par.codec_id)) ||
                             (format == "flac" && par.codec_id == AV_CODEC_ID_FLAC) ||
                             (format == "ogg" && par.codec_id == AV_CODEC_ID_VORBIS);
    if (exactHeader && stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0 &&
        format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        length_ = static_cast<uint64_t>(samplesFromTs(stream_->duration));
        lengthKnown_ = true;
        return;
    }
    // Everything else (MPEG without an encoder header, Windows Media, VAG, ...) is counted.
    if (!scanLength()) {
        length_ = 0;
        lengthKnown_ = false;
    }
}

std::optional<uint64_t> FfmpegDecoder::lengthFromInfoFrame() const {
    // The frame sits right after any ID3v2 tags, as libavformat reads it.
    int64_t offset = 0;
    for (;;) {
        std::array<uint8_t, 10> header{};
        if (io_->readAt(offset, header.data(), header.size()) != header.size())
            return std::nullopt;
        const uint64_t tagLength = id3v2TagLength(header);
        if (tagLength == 0)
            break;
        offset += static_cast<int64_t>(tagLength);
    }
    std::array<uint8_t, 512> frame{};
    const size_t got = io_->readAt(offset, frame.data(), frame.size());
    const auto info = parseMpegInfoFrame(std::span<const uint8_t>(frame.data(), got));
    if (!info || info->sampleRate != rate_)
        return std::nullopt;
    int64_t audioBytes = io_->size() - offset;
    std::array<uint8_t, 3> tail{};
    if (io_->size() >= offset + int64_t(kId3v1Size) &&
        io_->readAt(io_->size() - int64_t(kId3v1Size), tail.data(), 3) == 3 &&
        sorvel::id3v1::startsWithTag(tail))
        audioBytes -= int64_t(kId3v1Size);
    if (!mpegInfoMatchesFile(*info, static_cast<uint64_t>(std::max<int64_t>(0, audioBytes))))
        return std::nullopt;
    return mpegOutputFrames(*info);
}

bool FfmpegDecoder::scanLength() {
    // Demux only: packet durations, minus what the decoder will trim as the demuxer tells it.
    const AVCodecParameters& par = *stream_->codecpar;
    const bool wma = isWma(par.codec_id);
    const bool reservoir = wma && wmaUsesBitReservoir(par);
    bool carried = false;
    uint64_t wmaFrames = 0;
    int64_t durationTs = 0;
    int64_t trimmed = 0;
    bool complete = true;
    AVPacket* packet = packet_.get();
    while (av_read_frame(format_.get(), packet) >= 0) {
        if (packet->stream_index == streamIndex_) {
            noteFirstPacket(*packet);
            if (packet->duration > 0)
                durationTs += packet->duration;
            else
                complete = false;
            size_t sideSize = 0;
            const uint8_t* side =
                av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
            if (side && sideSize >= 8)
                trimmed += int64_t(AV_RL32(side)) + int64_t(AV_RL32(side + 4));
            if (wma) {
                // A packet may hold several superframes of block_align bytes each.
                const int step = par.block_align > 0 ? par.block_align : packet->size;
                for (int at = 0; step > 0 && at < packet->size; at += step)
                    wmaFrames += static_cast<uint64_t>(
                        wmaSuperframeFrames(packet->data[at], reservoir, carried));
            }
        }
        av_packet_unref(packet);
    }
    if (wma) {
        length_ = wmaOutputFrames(wmaFrames, static_cast<int>(grid_));
        complete = true;
    } else {
        length_ = static_cast<uint64_t>(std::max<int64_t>(0, samplesFromTs(durationTs) - trimmed));
    }
    lengthKnown_ = complete;
    // Back to the start for decoding; the scan also filled the demuxer's seek index.
    return seekDemuxer(0) && complete;
}

// ---- tags ----

void FfmpegDecoder::collectTags() {
    const bool windowsMedia = type_ == FMOD_SOUND_TYPE_ASF;
    FMOD_TAGTYPE kind = FMOD_TAGTYPE_UNKNOWN;
    if (type_ == FMOD_SOUND_TYPE_ASF)
        kind = FMOD_TAGTYPE_ASF;
    else if (type_ == FMOD_SOUND_TYPE_OGGVORBIS || type_ == FMOD_SOUND_TYPE_FLAC)
        kind = FMOD_TAGTYPE_VORBISCOMMENT;

    std::optional<Id3v1Tag> id3v1;
    bool id3v2 = false;
    if (type_ == FMOD_SOUND_TYPE_MPEG) {
        std::array<uint8_t, 10> head{};
        id3v2 = io_->readAt(0, head.data(), head.size()) == head.size() && id3v2TagLength(head) > 0;
        std::array<uint8_t, kId3v1Size> tail{};
        if (io_->size() >= int64_t(kId3v1Size) &&
            io_->readAt(io_->size() - int64_t(kId3v1Size), tail.data(), tail.size()) == tail.size())
            id3v1 = parseId3v1(tail);
        kind = id3v2 ? FMOD_TAGTYPE_ID3V2 : id3v1 ? FMOD_TAGTYPE_ID3V1 : FMOD_TAGTYPE_UNKNOWN;
    }

    const auto has = [this](std::string_view name) {
        return std::any_of(tags_.begin(), tags_.end(),
                           [&](const DecodedTag& tag) { return tag.name == name; });
    };
    const auto add = [this](FMOD_TAGTYPE tagKind, std::string name, std::string value) {
        const bool duplicate = std::any_of(tags_.begin(), tags_.end(), [&](const DecodedTag& t) {
            return t.name == name && t.value == value;
        });
        if (!duplicate && !value.empty())
            tags_.push_back({tagKind, std::move(name), std::move(value)});
    };

    for (AVDictionary* dictionary : {format_->metadata, stream_->metadata}) {
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX))) {
            std::string name = decoderTagName(entry->key, windowsMedia);
            // Without an ID3v2 tag, libavformat's text came from ID3v1 read as Latin-1; ours
            // below decodes it properly.
            if (id3v1 && !id3v2 &&
                (name == "TITLE" || name == "ARTIST" || name == "ALBUM" || name == "COMMENT"))
                continue;
            add(kind, std::move(name), entry->value);
        }
    }
    // The first embedded cover picture (ID3v2 APIC, a FLAC picture block, MP4 covr), as its
    // file's bytes.
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* stream = format_->streams[i];
        const AVPacket& picture = stream->attached_pic;
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && picture.size > 0 &&
            !has("PICTURE")) {
            tags_.push_back({kind, "PICTURE",
                             std::string(reinterpret_cast<const char*>(picture.data),
                                         static_cast<size_t>(picture.size)),
                             true});
        }
    }
    if (windowsMedia && has("AUTHOR") && !has("ARTIST")) {
        // Players that know only ARTIST still find the performer.
        for (size_t i = 0, count = tags_.size(); i < count; ++i)
            if (tags_[i].name == "AUTHOR")
                add(FMOD_TAGTYPE_ASF, "ARTIST", tags_[i].value);
    }
    if (id3v1) // only fills what an ID3v2 tag left out
        addMissingId3v1Fields(*id3v1, tags_);
}

// ---- decoding ----

bool FfmpegDecoder::receiveFrame() {
    for (;;) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == 0) {
            badPackets_ = 0;
            return true;
        }
        if (received == AVERROR_EOF)
            return false;
        if (received != AVERROR(EAGAIN)) {
            // A frame the decoder rejected; it has dropped it.
            if (++badPackets_ > kMaxBadPackets)
                return false;
            continue;
        }
        if (inputEnded_ || !format_)
            return false;
        AVPacket* packet = packet_.get();
        if (av_read_frame(format_.get(), packet) < 0) {
            // End of file, or a read error that ends it: drain what the decoder holds.
            inputEnded_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (packet->stream_index != streamIndex_) {
            av_packet_unref(packet);
            continue;
        }
        noteFirstPacket(*packet);
        if (!positionKnown_ && firstSentPos_ < 0)
            firstSentPos_ = packet->pos;
        const int sent = avcodec_send_packet(codec_.get(), packet);
        av_packet_unref(packet);
        if (sent < 0 && sent != AVERROR(EAGAIN) && ++badPackets_ > kMaxBadPackets) {
            inputEnded_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
        }
    }
}

bool FfmpegDecoder::nextFrame() {
    frameValid_ = false;
    for (;;) {
        if (!receiveFrame())
            return false;
        const int64_t count = frame_->nb_samples;
        if (count <= 0)
            continue;
        int64_t start = nextPos_;
        if (!positionKnown_) {
            int64_t ts = frame_->pts;
            if (ts == AV_NOPTS_VALUE)
                ts = frame_->best_effort_timestamp;
            // After a seek into an Ogg end page libavformat makes timestamps up.
            if (finalOggPage_ >= 0 && firstSentPos_ >= finalOggPage_ && seekFrom_ > 0)
                ts = AV_NOPTS_VALUE;
            if (!originKnown_) {
                // The first frame of a full decode is position 0 by definition.
                origin_ = ts == AV_NOPTS_VALUE ? 0 : samplesFromTs(ts);
                originKnown_ = true;
                start = 0;
            } else if (ts != AV_NOPTS_VALUE) {
                start = samplesFromTs(ts) - origin_;
                if (grid_ > 0)
                    start = roundToMultiple(start, grid_); // timestamps in whole milliseconds
            } else if (seekFrom_ <= 0) {
                start = 0; // decoding from the first packet, as when the file was opened
            } else if (retrySeek()) {
                continue; // no timestamp to place it by (an Ogg end page): go back further
            } else {
                start = target_;
            }
            positionKnown_ = true;
            if (start > target_ && retrySeek())
                continue;
        }
        nextPos_ = start + count;
        if (nextPos_ <= target_)
            continue;
        frameStart_ = start;
        frameOffset_ = std::max<int64_t>(0, target_ - start);
        position_ = start + frameOffset_;
        if (!prepareConverter())
            return false;
        frameValid_ = true;
        return true;
    }
}

bool FfmpegDecoder::seekDemuxer(int64_t from) {
    int done = -1;
    if (format_) {
        // From the very first packet when the target is near the start, so a full decode's
        // start trimming happens exactly as it does when playing from the beginning.
        int64_t ts = firstTs_ != AV_NOPTS_VALUE              ? firstTs_
                     : stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time
                                                             : 0;
        if (from > 0 && originKnown_)
            ts = std::max(ts, av_rescale_q(origin_ + from, AVRational{1, rate_}, timeBase_));
        seekFrom_ = std::max<int64_t>(0, from);
        done = av_seek_frame(format_.get(), streamIndex_, ts, AVSEEK_FLAG_BACKWARD);
        if (done < 0)
            done = avformat_seek_file(format_.get(), streamIndex_, INT64_MIN, ts, ts, 0);
    }
    avcodec_flush_buffers(codec_.get());
    if (done < 0) {
        // The demuxer cannot seek here: start over and decode up to the target.
        seekFrom_ = 0;
        if (!reopenInput()) {
            inputEnded_ = true; // nothing more to read until a later seek manages to reopen
            frameValid_ = false;
            return false;
        }
    }
    firstSentPos_ = -1;
    inputEnded_ = false;
    badPackets_ = 0;
    positionKnown_ = false;
    frameValid_ = false;
    return true;
}

bool FfmpegDecoder::reopenInput() {
    format_.reset();
    stream_ = nullptr;
    if (avio_seek(io_->context(), 0, SEEK_SET) < 0 || !openInput())
        return false;
    avformat_find_stream_info(format_.get(), nullptr);
    if (streamIndex_ >= static_cast<int>(format_->nb_streams)) {
        format_.reset();
        return false;
    }
    stream_ = format_->streams[streamIndex_];
    if (av_cmp_q(stream_->time_base, timeBase_) != 0) {
        format_.reset(); // not the stream we had
        stream_ = nullptr;
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != streamIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    return true;
}

bool FfmpegDecoder::retrySeek() {
    // The demuxer landed past the target or somewhere it cannot place: go back further, and
    // after a few tries to the first packet, from where every position is known.
    if (seekFrom_ <= 0)
        return false;
    ++seekTries_;
    const int64_t back =
        seekTries_ >= 4 ? target_ : std::max<int64_t>(preroll_, rate_) << (2 * seekTries_);
    return seekDemuxer(target_ - back);
}

size_t FfmpegDecoder::read(float* out, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        if (lengthKnown_ && position_ >= static_cast<int64_t>(length_))
            break;
        if (!frameValid_ || frameOffset_ >= frame_->nb_samples) {
            if (!nextFrame())
                break;
            continue;
        }
        int64_t count = std::min<int64_t>(static_cast<int64_t>(frames - done),
                                          frame_->nb_samples - frameOffset_);
        if (lengthKnown_)
            count = std::min<int64_t>(count, static_cast<int64_t>(length_) - position_);
        convert(out + done * static_cast<size_t>(channels_), static_cast<size_t>(frameOffset_),
                static_cast<size_t>(count));
        frameOffset_ += count;
        position_ += count;
        done += static_cast<size_t>(count);
    }
    return done;
}

bool FfmpegDecoder::seek(uint64_t frame) {
    const int64_t target = static_cast<int64_t>(std::min<uint64_t>(frame, INT64_MAX / 2));
    if (lengthKnown_ && frame >= length_) {
        target_ = static_cast<int64_t>(length_);
        position_ = target_;
        return true;
    }
    seekTries_ = 0;
    // Just ahead: decoding on is exact and cheaper than a demuxer seek.
    if (positionKnown_ && target >= position_ &&
        target - position_ <= std::max<int64_t>(preroll_, 4096)) {
        target_ = target;
        if (frameValid_ && target < nextPos_) {
            frameOffset_ = target - frameStart_;
        } else {
            frameValid_ = false;
        }
        position_ = target;
        return true;
    }
    target_ = target;
    position_ = target;
    return seekDemuxer(target - preroll_);
}

// ---- conversion ----

bool FfmpegDecoder::prepareConverter() {
    const AVChannelLayout& layout = frame_->ch_layout;
    if (frame_->format == convFormat_ && av_channel_layout_compare(&layout, &convLayout_) == 0)
        return true;
    const int inChannels = layout.nb_channels;
    if (inChannels <= 0)
        return false;
    av_channel_layout_uninit(&convLayout_);
    if (av_channel_layout_copy(&convLayout_, &layout) < 0)
        return false;
    convFormat_ = frame_->format;
    swr_.reset();

    const auto format = static_cast<AVSampleFormat>(frame_->format);
    if (inChannels == channels_ && format == AV_SAMPLE_FMT_FLT) {
        conversion_ = Conversion::Copy;
    } else if (inChannels == channels_ && format == AV_SAMPLE_FMT_FLTP) {
        conversion_ = Conversion::Interleave;
    } else {
        conversion_ = Conversion::Resampler;
        // Layouts without named speakers mix as the usual layout for their channel count.
        AVChannelLayout in{};
        if (layout.order == AV_CHANNEL_ORDER_NATIVE)
            av_channel_layout_copy(&in, &layout);
        else
            av_channel_layout_default(&in, inChannels);
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels_);
        SwrContext* context = nullptr;
        // Same rate in and out: only format conversion and down-mixing, no delay.
        const int made = swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLT, rate_, &in, format,
                                             rate_, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        swr_.reset(context);
        if (made < 0 || !swr_ || swr_init(swr_.get()) < 0) {
            convFormat_ = -1;
            return false;
        }
        inputPlanes_.assign(static_cast<size_t>(inChannels), nullptr);
    }
    return true;
}

void FfmpegDecoder::convert(float* out, size_t offset, size_t count) {
    const int inChannels = frame_->ch_layout.nb_channels;
    switch (conversion_) {
    case Conversion::Copy: {
        const auto* in = reinterpret_cast<const float*>(frame_->extended_data[0]);
        std::memcpy(out, in + offset * size_t(inChannels), count * size_t(inChannels) * 4);
        break;
    }
    case Conversion::Interleave:
        if (inChannels == 1) {
            std::memcpy(out, reinterpret_cast<const float*>(frame_->extended_data[0]) + offset,
                        count * 4);
        } else {
            const auto* left = reinterpret_cast<const float*>(frame_->extended_data[0]) + offset;
            const auto* right = reinterpret_cast<const float*>(frame_->extended_data[1]) + offset;
            for (size_t i = 0; i < count; ++i) {
                out[2 * i] = left[i];
                out[2 * i + 1] = right[i];
            }
        }
        break;
    case Conversion::Resampler: {
        const auto format = static_cast<AVSampleFormat>(frame_->format);
        const size_t bytes = static_cast<size_t>(av_get_bytes_per_sample(format));
        if (av_sample_fmt_is_planar(format)) {
            for (int c = 0; c < inChannels; ++c)
                inputPlanes_[size_t(c)] = frame_->extended_data[c] + offset * bytes;
        } else {
            inputPlanes_[0] = frame_->extended_data[0] + offset * bytes * size_t(inChannels);
        }
        auto* target = reinterpret_cast<uint8_t*>(out);
        const int made = swr_convert(swr_.get(), &target, static_cast<int>(count),
                                     inputPlanes_.data(), static_cast<int>(count));
        if (made < static_cast<int>(count))
            std::fill(out + size_t(std::max(made, 0)) * size_t(channels_),
                      out + count * size_t(channels_), 0.0f);
        break;
    }
    }
}

} // namespace soundlib
