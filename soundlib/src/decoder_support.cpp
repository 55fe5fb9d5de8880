#include "decoder_support.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace soundlib {
namespace {

uint32_t be32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
           uint32_t(b[at + 3]);
}

uint16_t crc16Arc(std::span<const uint8_t> bytes) {
    uint16_t crc = 0;
    for (const uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// libavcodec's MPEG audio decoder delays its output by this many samples.

} // namespace

FMOD_RESULT resultForOpenError(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return FMOD_ERR_FILE_NOTFOUND;
    default:
        // Permissions and every other refusal to read.
        return FMOD_ERR_FILE_BAD;
    }
}

std::string lowerExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

uint64_t id3v2TagLength(std::span<const uint8_t> header) {
    if (header.size() < 10 || header[0] != 'I' || header[1] != 'D' || header[2] != '3')
        return 0;
    // Version bytes are never 0xFF; the size is four 7-bit bytes.
    if (header[3] == 0xFF || header[4] == 0xFF)
        return 0;
    uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80)
            return 0;
        size = size << 7 | header[i];
    }
    const bool footer = (header[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

MpegFrameHeader parseMpegFrameHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4)
        return {};
    const uint32_t header = be32(bytes, 0);
    const int version = (header >> 19) & 3;
    const int layerBits = (header >> 17) & 3;
    const int bitrateIndex = (header >> 12) & 15;
    const int rateIndex = (header >> 10) & 3;
    if ((header & 0xFFE00000u) != 0xFFE00000u || version == 1 || layerBits == 0 ||
        bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return {};
    // kbit/s by [MPEG-1][layer - 1][index]; MPEG-2 and 2.5 share the second row.
    static constexpr int kBitrates[2][3][15] = {
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    MpegFrameHeader frame;
    frame.version = version;
    frame.layer = 4 - layerBits;
    frame.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const bool mpeg1 = version == 3;
    const int bitrate = kBitrates[mpeg1 ? 1 : 0][frame.layer - 1][bitrateIndex] * 1000;
    const int padding = (header >> 9) & 1;
    if (frame.layer == 1)
        frame.bytes = (12 * bitrate / frame.sampleRate + padding) * 4;
    else if (frame.layer == 3 && !mpeg1)
        frame.bytes = 72 * bitrate / frame.sampleRate + padding;
    else
        frame.bytes = 144 * bitrate / frame.sampleRate + padding;
    return frame;
}

bool sameMpegStream(const MpegFrameHeader& first, const MpegFrameHeader& next) {
    return first.bytes > 0 && next.bytes > 0 && first.version == next.version &&
           first.layer == next.layer && first.sampleRate == next.sampleRate;
}

std::optional<MpegInfoFrame> parseMpegInfoFrame(std::span<const uint8_t> frame) {
    if (frame.size() < 4)
        return std::nullopt;
    const uint32_t header = be32(frame, 0);
    const int version = (header >> 19) & 3; // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    const int layer = (header >> 17) & 3;   // 1 layer III
    const int bitrateIndex = (header >> 12) & 15;
    const int rateIndex = (header >> 10) & 3;
    if ((header & 0xFFE00000u) != 0xFFE00000u || version == 1 || layer != 1 || bitrateIndex == 15 ||
        rateIndex == 3)
        return std::nullopt;
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const bool lsf = version != 3;
    const bool mono = ((header >> 6) & 3) == 3;

    MpegInfoFrame info;
    info.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    info.samplesPerFrame = lsf ? 576 : 1152;

    // The tag sits right after the side information.
    size_t at = 4 + (lsf ? (mono ? 9 : 17) : (mono ? 17 : 32));
    const auto need = [&](size_t bytes) { return frame.size() >= at + bytes; };
    if (!need(8))
        return std::nullopt;
    const uint32_t tag = be32(frame, at);
    if (tag != 0x58696E67u /* Xing */ && tag != 0x496E666Fu /* Info */)
        return std::nullopt;
    const uint32_t flags = be32(frame, at + 4);
    at += 8;
    if (flags & 1) {
        if (!need(4))
            return info;
        info.frames = be32(frame, at);
        at += 4;
    }
    if (flags & 2) {
        if (!need(4))
            return info;
        info.bytes = be32(frame, at);
        at += 4;
    }
    if (flags & 4)
        at += 100;
    if (flags & 8)
        at += 4;
    // Encoder name (9), revision (1), lowpass (1), peak (4), two gains (2+2), flags (1),
    // bitrate (1), then the 12-bit delay and 12-bit padding.
    if (!need(24))
        return info;
    const std::string_view encoder(reinterpret_cast<const char*>(frame.data()) + at, 4);
    at += 9 + 1 + 1 + 4 + 2 + 2 + 1 + 1;
    if (encoder == "LAME" || encoder == "Lavf" || encoder == "Lavc") {
        // The encoder's version counts only when the tag's checksum (CRC-16/ARC of the frame
        // up to it) holds, as libavformat has it.
        const size_t crcAt = at + 3 + 1 + 1 + 2 + 4 + 2;
        if (frame.size() >= crcAt + 2 &&
            crc16Arc(frame.first(crcAt)) == (uint16_t(frame[crcAt]) << 8 | frame[crcAt + 1])) {
            const std::string_view version(encoder.data(), 9);
            info.encoder = std::string(version.substr(0, version.find('\0')));
        }
        const uint32_t delays =
            uint32_t(frame[at]) << 16 | uint32_t(frame[at + 1]) << 8 | uint32_t(frame[at + 2]);
        info.hasEncoderDelay = true;
        info.startPadding = static_cast<int>(delays >> 12);
        info.endPadding = static_cast<int>(delays & 0xFFF);
    }
    return info;
}

uint64_t mpegOutputFrames(const MpegInfoFrame& info) {
    const uint64_t total = uint64_t(info.frames.value_or(0)) * uint64_t(info.samplesPerFrame);
    if (!info.hasEncoderDelay)
        return total;
    const uint64_t start = uint64_t(info.startPadding) + kMpegDecoderDelay;
    const uint64_t end = uint64_t(std::max(0, info.endPadding - kMpegDecoderDelay));
    return total > start + end ? total - start - end : 0;
}

bool mpegInfoMatchesFile(const MpegInfoFrame& info, uint64_t audioBytes) {
    if (!info.frames || *info.frames == 0)
        return false;
    if (!info.bytes)
        return true; // nothing to check against
    const uint64_t claimed = *info.bytes;
    // Shorter: cut off. Much longer: libavformat takes it for joined files and ignores the count.
    return audioBytes >= claimed && audioBytes - claimed <= claimed / 16;
}

int wmaFrameLength(int sampleRate, bool version1) {
    if (sampleRate <= 16000)
        return 512;
    if (sampleRate <= 22050 || (version1 && sampleRate <= 32000))
        return 1024;
    return 2048;
}

int wmaSuperframeFrames(uint8_t firstByte, bool bitReservoir, bool& carried) {
    if (!bitReservoir)
        return 1;
    // Low nibble: frames ending here, counting the one carried over from the previous
    // superframe; without a carried start that one is missing.
    const int frames = (firstByte & 0x0F) - (carried ? 0 : 1);
    if (frames < 0) {
        carried = false; // the decoder rejects it and drops its reservoir
        return 0;
    }
    carried = true;
    return frames;
}

uint64_t wmaOutputFrames(uint64_t codedFrames, int frameLength) {
    const uint64_t frames = codedFrames + 1;
    return frames > 2 ? (frames - 2) * uint64_t(frameLength) : 0;
}

int64_t lastOggEndPage(std::span<const uint8_t> tail) {
    // Capture pattern, stream structure version 0, header type with the end-of-stream bit.
    for (size_t at = tail.size() >= 6 ? tail.size() - 6 + 1 : 0; at-- > 0;) {
        if (tail[at] == 'O' && tail[at + 1] == 'g' && tail[at + 2] == 'g' && tail[at + 3] == 'S' &&
            tail[at + 4] == 0 && (tail[at + 5] & 0x04))
            return static_cast<int64_t>(at);
    }
    return -1;
}

int64_t roundToMultiple(int64_t value, int64_t step) {
    const int64_t half = step / 2;
    const int64_t shifted = value >= 0 ? value + half : value - half;
    return shifted / step * step;
}

std::string decoderTagName(std::string_view ffmpegKey, bool windowsMedia) {
    std::string name = upper(ffmpegKey);
    if (name == "ARTIST" || name == "AUTHOR")
        return windowsMedia ? "AUTHOR" : "ARTIST";
    return name;
}

} // namespace soundlib
