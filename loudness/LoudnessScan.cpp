#include "LoudnessScan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ebur128.h>
#include <map>
#include <memory>
#include <set>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace sorvel {
namespace fs = std::filesystem;
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct CodecFreer {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct ResamplerFreer {
    void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct MeterFreer {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterFreer>;

// Damaged files make FFmpeg talk on stderr; a file that cannot be measured is just skipped.
// SORVEL_FFMPEG_LOG keeps its messages, as it does for the sound library.
void quietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (std::getenv("SORVEL_FFMPEG_LOG") == nullptr) {
            av_log_set_level(AV_LOG_FATAL);
        }
    });
}

struct Measured {
    Meter meter;
    double peak = 0.0;
};

std::vector<std::pair<std::string, std::string>> tagsOf(const AVFormatContext& format,
                                                        const AVStream& stream) {
    std::vector<std::pair<std::string, std::string>> tags;
    for (const AVDictionary* dictionary : {format.metadata, stream.metadata}) {
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX))) {
            tags.emplace_back(entry->key, entry->value);
        }
    }
    return tags;
}

// A decoder for the file's audio; `tagged` says whether its tags already give a track gain (it
// is then not decoded).
class AudioFile {
public:
    bool open(const fs::path& file) {
        quietFfmpeg();
        AVFormatContext* format = nullptr;
        if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) {
            return false;
        }
        format_.reset(format);
        if (avformat_find_stream_info(format, nullptr) < 0) {
            return false;
        }
        const AVCodec* decoder = nullptr;
        stream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream_ < 0 || decoder == nullptr) {
            return false;
        }
        const AVStream& stream = *format->streams[stream_];
        tagged_ = replayGainFromTags(tagsOf(*format, stream)).trackGainDb.has_value();
        codec_.reset(avcodec_alloc_context3(decoder));
        if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream.codecpar) < 0 ||
            avcodec_open2(codec_.get(), decoder, nullptr) < 0 || codec_->sample_rate <= 0 ||
            codec_->ch_layout.nb_channels <= 0) {
            return false;
        }
        // What the player's decoders hand out: mono stays mono, anything else becomes stereo.
        channels_ = codec_->ch_layout.nb_channels == 1 ? 1 : 2;
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels_);
        SwrContext* resampler = nullptr;
        if (swr_alloc_set_opts2(&resampler, &out, AV_SAMPLE_FMT_FLT, codec_->sample_rate,
                                &codec_->ch_layout, codec_->sample_fmt, codec_->sample_rate, 0,
                                nullptr) < 0) {
            return false;
        }
        resampler_.reset(resampler);
        return swr_init(resampler) >= 0;
    }

    bool tagged() const { return tagged_; }
    int channels() const { return channels_; }
    int rate() const { return codec_->sample_rate; }

    // Hands every decoded block (interleaved float) to `take`; false when stopped.
    template <class Take> bool decode(std::stop_token stop, Take&& take) {
        std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
        if (!packet || !frame) {
            return false;
        }
        bool draining = false;
        while (!stop.stop_requested()) {
            if (!draining) {
                const int read = av_read_frame(format_.get(), packet.get());
                if (read < 0) {
                    draining = true;
                    avcodec_send_packet(codec_.get(), nullptr);
                } else {
                    if (packet->stream_index == stream_) {
                        avcodec_send_packet(codec_.get(), packet.get()); // damaged: skipped
                    }
                    av_packet_unref(packet.get());
                }
            }
            int received = 0;
            while ((received = avcodec_receive_frame(codec_.get(), frame.get())) >= 0) {
                convert(*frame, take);
                av_frame_unref(frame.get());
            }
            if (draining) {
                return true; // flushed: everything the decoder held has come out
            }
        }
        return false;
    }

private:
    template <class Take> void convert(const AVFrame& frame, Take& take) {
        const int room = swr_get_out_samples(resampler_.get(), frame.nb_samples);
        if (room <= 0) {
            return;
        }
        buffer_.resize(static_cast<size_t>(room) * static_cast<size_t>(channels_));
        uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data());
        const int frames =
            swr_convert(resampler_.get(), &out, room,
                        const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
        if (frames > 0) {
            take(buffer_.data(), static_cast<size_t>(frames));
        }
    }

    std::unique_ptr<AVFormatContext, FormatCloser> format_;
    std::unique_ptr<AVCodecContext, CodecFreer> codec_;
    std::unique_ptr<SwrContext, ResamplerFreer> resampler_;
    std::vector<float> buffer_;
    int stream_ = -1;
    int channels_ = 0;
    bool tagged_ = false;
};

enum class Outcome { Measured, Tagged, Failed, Stopped };

Outcome measure(const fs::path& file, std::stop_token stop, bool skipTagged, Measured& into) {
    AudioFile audio;
    if (!audio.open(file)) {
        return Outcome::Failed;
    }
    if (skipTagged && audio.tagged()) {
        return Outcome::Tagged;
    }
    Meter meter(ebur128_init(static_cast<unsigned>(audio.channels()),
                             static_cast<unsigned long>(audio.rate()),
                             EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM));
    if (!meter) {
        return Outcome::Failed;
    }
    bool fed = false;
    const bool whole = audio.decode(stop, [&](const float* samples, size_t frames) {
        fed = ebur128_add_frames_float(meter.get(), samples, frames) == EBUR128_SUCCESS || fed;
    });
    if (!whole) {
        return Outcome::Stopped;
    }
    double peak = 0.0;
    for (unsigned c = 0; c < static_cast<unsigned>(audio.channels()); ++c) {
        double channelPeak = 0.0;
        if (ebur128_sample_peak(meter.get(), c, &channelPeak) == EBUR128_SUCCESS) {
            peak = std::max(peak, channelPeak);
        }
    }
    double loudness = 0.0;
    // Silence (or too little sound for a gated measurement) gives -inf: nothing to level.
    if (!fed || ebur128_loudness_global(meter.get(), &loudness) != EBUR128_SUCCESS ||
        !std::isfinite(loudness) || peak <= 0.0) {
        return Outcome::Failed;
    }
    into.meter = std::move(meter);
    into.peak = peak;
    return Outcome::Measured;
}

double loudnessOf(const Measured& measured) {
    double loudness = 0.0;
    ebur128_loudness_global(measured.meter.get(), &loudness);
    return loudness;
}

} // namespace

std::optional<LoudnessMeasurement> measureLoudness(const fs::path& file, std::stop_token stop) {
    Measured measured;
    if (measure(file, stop, false, measured) != Outcome::Measured) {
        return std::nullopt;
    }
    return LoudnessMeasurement{loudnessOf(measured), measured.peak};
}

LoudnessScan::LoudnessScan(std::vector<fs::path> files) {
    std::set<fs::path> seen;
    for (fs::path& file : files) {
        if (seen.insert(file).second) {
            files_.push_back(std::move(file));
        }
    }
    worker_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

LoudnessScan::~LoudnessScan() {
    stop();
}

void LoudnessScan::stop() {
    worker_.request_stop();
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::vector<LoudnessResult> LoudnessScan::takeResults() {
    const std::lock_guard guard(lock_);
    return std::exchange(results_, {});
}

void LoudnessScan::publish(LoudnessResult result) {
    const std::lock_guard guard(lock_);
    results_.push_back(std::move(result));
}

void LoudnessScan::run(std::stop_token stop) {
    // Folder by folder, in the order each folder first appears.
    std::vector<fs::path> folders;
    std::map<fs::path, std::vector<const fs::path*>> byFolder;
    for (const fs::path& file : files_) {
        auto& members = byFolder[file.parent_path()];
        if (members.empty()) {
            folders.push_back(file.parent_path());
        }
        members.push_back(&file);
    }
    for (const fs::path& folder : folders) {
        struct Done {
            const fs::path* file;
            FileStamp stamp;
            Measured measured;
            LoudnessValues values;
        };
        std::vector<Done> album;
        for (const fs::path* file : byFolder[folder]) {
            if (stop.stop_requested()) {
                break;
            }
            const std::optional<FileStamp> stamp = stampOf(*file);
            Measured measured;
            if (stamp && measure(*file, stop, true, measured) == Outcome::Measured) {
                LoudnessValues values;
                values.trackGainDb = gainForLoudness(loudnessOf(measured));
                values.trackPeak = measured.peak;
                publish({*file, *stamp, values});
                album.push_back({file, *stamp, std::move(measured), values});
            }
            done_.fetch_add(1, std::memory_order_acq_rel);
        }
        if (stop.stop_requested()) {
            break;
        }
        if (album.size() > 1) {
            std::vector<ebur128_state*> meters;
            double peak = 0.0;
            for (const Done& one : album) {
                meters.push_back(one.measured.meter.get());
                peak = std::max(peak, one.measured.peak);
            }
            double loudness = 0.0;
            if (ebur128_loudness_global_multiple(meters.data(), meters.size(), &loudness) ==
                    EBUR128_SUCCESS &&
                std::isfinite(loudness)) {
                for (Done& one : album) {
                    one.values.albumGainDb = gainForLoudness(loudness);
                    one.values.albumPeak = peak;
                    publish({*one.file, one.stamp, one.values});
                }
            }
        }
    }
    finished_.store(true, std::memory_order_release);
}

} // namespace sorvel
