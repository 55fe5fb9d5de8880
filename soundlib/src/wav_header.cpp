#include "wav_header.h"

#include "sample_conversion.h"

#include <algorithm>
#include <limits>

namespace soundlib {

namespace {

// Little-endian fields into a header of known length.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void tag(const char (&fourCc)[5]) {
        for (int i = 0; i < 4; ++i)
            out_[at_++] = static_cast<uint8_t>(fourCc[i]);
    }
    void u16(uint16_t v) {
        out_[at_++] = static_cast<uint8_t>(v);
        out_[at_++] = static_cast<uint8_t>(v >> 8);
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }

private:
    std::vector<uint8_t>& out_;
    size_t at_ = 0;
};

bool isFloat(const WavFormat& format) {
    return format.formatTag == 3;
}

} // namespace

std::optional<WavFormat> wavFormatFor(FMOD_SOUND_FORMAT format, int sampleRate, int channels) {
    const size_t bytes = bytesPerSample(format);
    if (bytes == 0 || sampleRate <= 0 || channels <= 0)
        return std::nullopt;
    // blockAlign is 16 bits wide and the byte rate 32.
    const uint64_t blockAlign = static_cast<uint64_t>(channels) * bytes;
    if (blockAlign > std::numeric_limits<uint16_t>::max() ||
        blockAlign * static_cast<uint64_t>(sampleRate) > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    WavFormat result;
    result.formatTag = format == FMOD_SOUND_FORMAT_PCMFLOAT ? 3 : 1;
    result.channels = static_cast<uint16_t>(channels);
    result.sampleRate = static_cast<uint32_t>(sampleRate);
    result.bitsPerSample = static_cast<uint16_t>(bytes * 8);
    return result;
}

size_t wavHeaderSize(const WavFormat& format) {
    return isFloat(format) ? 58 : 44;
}

std::vector<uint8_t> makeWavHeader(const WavFormat& format, uint32_t dataBytes) {
    const bool floatData = isFloat(format);
    const uint64_t headerSize = wavHeaderSize(format);
    const uint64_t riffSize = headerSize - 8 + dataBytes + (dataBytes & 1u);

    std::vector<uint8_t> header(headerSize);
    ByteWriter w(header);
    w.tag("RIFF");
    w.u32(
        static_cast<uint32_t>(std::min<uint64_t>(riffSize, std::numeric_limits<uint32_t>::max())));
    w.tag("WAVE");
    w.tag("fmt ");
    w.u32(floatData ? 18 : 16);
    w.u16(format.formatTag);
    w.u16(format.channels);
    w.u32(format.sampleRate);
    w.u32(format.sampleRate * format.blockAlign());
    w.u16(format.blockAlign());
    w.u16(format.bitsPerSample);
    if (floatData) {
        // Non-PCM formats carry cbSize and a frame count.
        w.u16(0);
        w.tag("fact");
        w.u32(4);
        w.u32(format.blockAlign() ? dataBytes / format.blockAlign() : 0);
    }
    w.tag("data");
    w.u32(dataBytes);
    return header;
}

uint32_t maxWavDataBytes(const WavFormat& format) {
    // riffSize = header - 8 + data + pad must stay <= 2^32 - 1; keep one byte for the pad.
    const uint64_t limit =
        uint64_t{std::numeric_limits<uint32_t>::max()} - (wavHeaderSize(format) - 8) - 1;
    const uint64_t align = format.blockAlign() ? format.blockAlign() : 1;
    return static_cast<uint32_t>(limit / align * align);
}

} // namespace soundlib
