// libavformat and libavcodec are opened when the first file that needs them is opened instead
// of being linked: between them they bring over a hundred libraries (video codecs, network
// protocols, renderers) that every player would otherwise load and relocate at start and keep
// partly resident, while a session playing MP3 and WAV files never calls them. libavutil and
// libswresample stay linked: the rate converter needs them and their tree is small. The
// functions below stand for the calls the program makes; the first of them opens both libraries
// and each hands its arguments on. Without the libraries nothing opens through FFmpeg and such
// files are reported as unsupported.
#include "lazy_library.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cerrno>
#include <string>

namespace lazy = sorvel::lazy;

namespace {

struct Calls {
    // libavcodec
    decltype(&::av_get_bits_per_sample) getBitsPerSample = nullptr;
    decltype(&::av_packet_alloc) packetAlloc = nullptr;
    decltype(&::av_packet_free) packetFree = nullptr;
    decltype(&::av_packet_get_side_data) packetGetSideData = nullptr;
    decltype(&::av_packet_unref) packetUnref = nullptr;
    decltype(&::avcodec_alloc_context3) allocContext3 = nullptr;
    decltype(&::avcodec_descriptor_get) descriptorGet = nullptr;
    decltype(&::avcodec_flush_buffers) flushBuffers = nullptr;
    decltype(&::avcodec_free_context) freeContext = nullptr;
    decltype(&::avcodec_open2) open2 = nullptr;
    decltype(&::avcodec_parameters_to_context) parametersToContext = nullptr;
    decltype(&::avcodec_receive_frame) receiveFrame = nullptr;
    decltype(&::avcodec_send_packet) sendPacket = nullptr;
    // libavformat
    decltype(&::av_find_best_stream) findBestStream = nullptr;
    decltype(&::av_find_input_format) findInputFormat = nullptr;
    decltype(&::av_probe_input_buffer2) probeInputBuffer2 = nullptr;
    decltype(&::av_read_frame) readFrame = nullptr;
    decltype(&::av_seek_frame) seekFrame = nullptr;
    decltype(&::avformat_alloc_context) formatAllocContext = nullptr;
    decltype(&::avformat_close_input) closeInput = nullptr;
    decltype(&::avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&::avformat_open_input) openInput = nullptr;
    decltype(&::avformat_seek_file) seekFile = nullptr;
    decltype(&::avio_alloc_context) ioAllocContext = nullptr;
    decltype(&::avio_context_free) ioContextFree = nullptr;
    decltype(&::avio_seek) ioSeek = nullptr;
};

std::string soname(const char* name, int major) {
    return "lib" + std::string(name) + ".so." + std::to_string(major);
}

// Every call the program makes, all or none; libavformat needs libavcodec, so both or neither.
Calls open() {
    const Calls codec = lazy::open<Calls>(
        "sorvel", soname("avcodec", LIBAVCODEC_VERSION_MAJOR).c_str(),
        [](void* library, Calls& calls, bool& complete) {
            lazy::resolve(library, "av_get_bits_per_sample", calls.getBitsPerSample, complete);
            lazy::resolve(library, "av_packet_alloc", calls.packetAlloc, complete);
            lazy::resolve(library, "av_packet_free", calls.packetFree, complete);
            lazy::resolve(library, "av_packet_get_side_data", calls.packetGetSideData, complete);
            lazy::resolve(library, "av_packet_unref", calls.packetUnref, complete);
            lazy::resolve(library, "avcodec_alloc_context3", calls.allocContext3, complete);
            lazy::resolve(library, "avcodec_descriptor_get", calls.descriptorGet, complete);
            lazy::resolve(library, "avcodec_flush_buffers", calls.flushBuffers, complete);
            lazy::resolve(library, "avcodec_free_context", calls.freeContext, complete);
            lazy::resolve(library, "avcodec_open2", calls.open2, complete);
            lazy::resolve(library, "avcodec_parameters_to_context", calls.parametersToContext,
                          complete);
            lazy::resolve(library, "avcodec_receive_frame", calls.receiveFrame, complete);
            lazy::resolve(library, "avcodec_send_packet", calls.sendPacket, complete);
        });
    if (codec.sendPacket == nullptr)
        return {};
    Calls calls = lazy::open<Calls>(
        "sorvel", soname("avformat", LIBAVFORMAT_VERSION_MAJOR).c_str(),
        [](void* library, Calls& format, bool& complete) {
            lazy::resolve(library, "av_find_best_stream", format.findBestStream, complete);
            lazy::resolve(library, "av_find_input_format", format.findInputFormat, complete);
            lazy::resolve(library, "av_probe_input_buffer2", format.probeInputBuffer2, complete);
            lazy::resolve(library, "av_read_frame", format.readFrame, complete);
            lazy::resolve(library, "av_seek_frame", format.seekFrame, complete);
            lazy::resolve(library, "avformat_alloc_context", format.formatAllocContext, complete);
            lazy::resolve(library, "avformat_close_input", format.closeInput, complete);
            lazy::resolve(library, "avformat_find_stream_info", format.findStreamInfo, complete);
            lazy::resolve(library, "avformat_open_input", format.openInput, complete);
            lazy::resolve(library, "avformat_seek_file", format.seekFile, complete);
            lazy::resolve(library, "avio_alloc_context", format.ioAllocContext, complete);
            lazy::resolve(library, "avio_context_free", format.ioContextFree, complete);
            lazy::resolve(library, "avio_seek", format.ioSeek, complete);
        });
    if (calls.ioSeek == nullptr)
        return {};
    calls.getBitsPerSample = codec.getBitsPerSample;
    calls.packetAlloc = codec.packetAlloc;
    calls.packetFree = codec.packetFree;
    calls.packetGetSideData = codec.packetGetSideData;
    calls.packetUnref = codec.packetUnref;
    calls.allocContext3 = codec.allocContext3;
    calls.descriptorGet = codec.descriptorGet;
    calls.flushBuffers = codec.flushBuffers;
    calls.freeContext = codec.freeContext;
    calls.open2 = codec.open2;
    calls.parametersToContext = codec.parametersToContext;
    calls.receiveFrame = codec.receiveFrame;
    calls.sendPacket = codec.sendPacket;
    return calls;
}

// Opened on first use, once, whichever thread gets there first.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

constexpr int kMissing = AVERROR(ENOSYS);

} // namespace

extern "C" {

int av_get_bits_per_sample(enum AVCodecID codec_id) {
    return lazy::forward(calls(), &Calls::getBitsPerSample, 0, codec_id);
}

AVPacket* av_packet_alloc(void) {
    return lazy::forward(calls(), &Calls::packetAlloc, static_cast<AVPacket*>(nullptr));
}

void av_packet_free(AVPacket** pkt) {
    lazy::forwardVoid(calls(), &Calls::packetFree, pkt);
}

uint8_t* av_packet_get_side_data(const AVPacket* pkt, enum AVPacketSideDataType type,
                                 size_t* size) {
    return lazy::forward(calls(), &Calls::packetGetSideData, static_cast<uint8_t*>(nullptr), pkt,
                         type, size);
}

void av_packet_unref(AVPacket* pkt) {
    lazy::forwardVoid(calls(), &Calls::packetUnref, pkt);
}

AVCodecContext* avcodec_alloc_context3(const AVCodec* codec) {
    return lazy::forward(calls(), &Calls::allocContext3, static_cast<AVCodecContext*>(nullptr),
                         codec);
}

const AVCodecDescriptor* avcodec_descriptor_get(enum AVCodecID id) {
    return lazy::forward(calls(), &Calls::descriptorGet,
                         static_cast<const AVCodecDescriptor*>(nullptr), id);
}

void avcodec_flush_buffers(AVCodecContext* avctx) {
    lazy::forwardVoid(calls(), &Calls::flushBuffers, avctx);
}

void avcodec_free_context(AVCodecContext** avctx) {
    lazy::forwardVoid(calls(), &Calls::freeContext, avctx);
}

int avcodec_open2(AVCodecContext* avctx, const AVCodec* codec, AVDictionary** options) {
    return lazy::forward(calls(), &Calls::open2, kMissing, avctx, codec, options);
}

int avcodec_parameters_to_context(AVCodecContext* codec, const AVCodecParameters* par) {
    return lazy::forward(calls(), &Calls::parametersToContext, kMissing, codec, par);
}

int avcodec_receive_frame(AVCodecContext* avctx, AVFrame* frame) {
    return lazy::forward(calls(), &Calls::receiveFrame, kMissing, avctx, frame);
}

int avcodec_send_packet(AVCodecContext* avctx, const AVPacket* avpkt) {
    return lazy::forward(calls(), &Calls::sendPacket, kMissing, avctx, avpkt);
}

int av_find_best_stream(AVFormatContext* ic, enum AVMediaType type, int wanted_stream_nb,
                        int related_stream, const AVCodec** decoder_ret, int flags) {
    return lazy::forward(calls(), &Calls::findBestStream, int(AVERROR_STREAM_NOT_FOUND), ic, type,
                         wanted_stream_nb, related_stream, decoder_ret, flags);
}

const AVInputFormat* av_find_input_format(const char* short_name) {
    return lazy::forward(calls(), &Calls::findInputFormat,
                         static_cast<const AVInputFormat*>(nullptr), short_name);
}

int av_probe_input_buffer2(AVIOContext* pb, const AVInputFormat** fmt, const char* url,
                           void* logctx, unsigned int offset, unsigned int max_probe_size) {
    return lazy::forward(calls(), &Calls::probeInputBuffer2, kMissing, pb, fmt, url, logctx, offset,
                         max_probe_size);
}

int av_read_frame(AVFormatContext* s, AVPacket* pkt) {
    return lazy::forward(calls(), &Calls::readFrame, kMissing, s, pkt);
}

int av_seek_frame(AVFormatContext* s, int stream_index, int64_t timestamp, int flags) {
    return lazy::forward(calls(), &Calls::seekFrame, kMissing, s, stream_index, timestamp, flags);
}

AVFormatContext* avformat_alloc_context(void) {
    return lazy::forward(calls(), &Calls::formatAllocContext,
                         static_cast<AVFormatContext*>(nullptr));
}

void avformat_close_input(AVFormatContext** s) {
    lazy::forwardVoid(calls(), &Calls::closeInput, s);
}

int avformat_find_stream_info(AVFormatContext* ic, AVDictionary** options) {
    return lazy::forward(calls(), &Calls::findStreamInfo, kMissing, ic, options);
}

int avformat_open_input(AVFormatContext** ps, const char* url, const AVInputFormat* fmt,
                        AVDictionary** options) {
    return lazy::forward(calls(), &Calls::openInput, kMissing, ps, url, fmt, options);
}

int avformat_seek_file(AVFormatContext* s, int stream_index, int64_t min_ts, int64_t ts,
                       int64_t max_ts, int flags) {
    return lazy::forward(calls(), &Calls::seekFile, kMissing, s, stream_index, min_ts, ts, max_ts,
                         flags);
}

AVIOContext* avio_alloc_context(unsigned char* buffer, int buffer_size, int write_flag,
                                void* opaque,
                                int (*read_packet)(void* opaque, uint8_t* buf, int buf_size),
                                int (*write_packet)(void* opaque, uint8_t* buf, int buf_size),
                                int64_t (*seek)(void* opaque, int64_t offset, int whence)) {
    return lazy::forward(calls(), &Calls::ioAllocContext, static_cast<AVIOContext*>(nullptr),
                         buffer, buffer_size, write_flag, opaque, read_packet, write_packet, seek);
}

void avio_context_free(AVIOContext** s) {
    lazy::forwardVoid(calls(), &Calls::ioContextFree, s);
}

int64_t avio_seek(AVIOContext* s, int64_t offset, int whence) {
    return lazy::forward(calls(), &Calls::ioSeek, int64_t{kMissing}, s, offset, whence);
}

} // extern "C"
