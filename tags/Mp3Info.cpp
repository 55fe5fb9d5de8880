#include "Mp3Info.h"

#include "RawFile.h"
#include "byte_magic.h"
#include "mdlID3.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sorvel {
namespace {

// kbit/s by [row][bit-rate index]; rows: MPEG-1 layer I, II, III, then MPEG-2/2.5 layer I, and
// layers II and III.
constexpr std::array<std::array<std::int16_t, 16>, 5> kBitrates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
}};

// Rounds half to even (the default rounding mode) and keeps the result inside 32 bits, so a
// forged header cannot overflow the fields.
std::int32_t roundToInt32(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 0))
        return 0;
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// The first position from `from` on where 0xFF is followed by a byte with its top three bits
// set, with 4 bytes left in the file. Read in chunks: a byte-by-byte scan of a long file without
// a sync would take seconds.
std::optional<std::uint64_t> findFrameSync(const RawFile& file, std::uint64_t from,
                                           std::uint64_t length) {
    if (length < 4)
        return std::nullopt;
    const std::uint64_t last = length - 4;
    if (from > last)
        return std::nullopt;
    std::vector<std::uint8_t> chunk(std::min<std::uint64_t>(64 * 1024, length - from));
    for (std::uint64_t at = from; at <= last;) {
        const std::size_t got = file.readAt(at, chunk);
        if (got < 2)
            return std::nullopt;
        for (std::size_t i = 0; i + 1 < got && at + i <= last; ++i)
            if (chunk[i] == 0xFF && (chunk[i + 1] & 0xE0) == 0xE0)
                return at + i;
        at += got - 1; // the last byte may start a pair that ends in the next chunk
    }
    return std::nullopt;
}

// Reads bytes at offset; what lies past the end of the file stays zero.
template <std::size_t N>
std::array<std::uint8_t, N> readPadded(const RawFile& file, std::uint64_t offset) {
    std::array<std::uint8_t, N> bytes{};
    file.readAt(offset, bytes);
    return bytes;
}

struct VbrCounts {
    std::uint32_t frames = 0;
    std::uint32_t streamBytes = 0;
};

VbrCounts readVbrCounts(const RawFile& file, std::uint64_t framePos, MpegVersion version,
                        bool mono) {
    VbrCounts counts;
    // The Xing/Info header follows the frame's side information.
    const int sideInfoSize = version == MpegVersion::Mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const auto xing = readPadded<16>(file, framePos + 4 + sideInfoSize);
    if (startsWith(xing, "Xing") || startsWith(xing, "Info")) {
        if (xing[7] & 0x01) {
            counts.frames = bigEndian32(std::span(xing).subspan(8, 4));
            if (xing[7] & 0x02)
                counts.streamBytes = bigEndian32(std::span(xing).subspan(12, 4));
        }
    }
    // Fraunhofer's VBRI sits at a fixed place and wins over a Xing header.
    const auto vbri = readPadded<18>(file, framePos + 36);
    if (startsWith(vbri, "VBRI")) {
        counts.streamBytes = bigEndian32(std::span(vbri).subspan(10, 4));
        counts.frames = bigEndian32(std::span(vbri).subspan(14, 4));
    }
    return counts;
}

bool readStreamFacts(const RawFile& file, std::uint64_t length, Mp3Info& info) {
    const std::uint64_t audioStart = ID3v2Size(file, 0);
    const auto pos = findFrameSync(file, audioStart, length);
    if (!pos)
        return false;
    std::array<std::uint8_t, 4> h{};
    if (file.readAt(*pos, h) != h.size())
        return false;

    MpegVersion version = MpegVersion::Mpeg1;
    std::string versionText;
    switch ((h[1] >> 3) & 3) {
    case 0:
        version = MpegVersion::Mpeg25;
        versionText = "version 2.5";
        break;
    case 2:
        version = MpegVersion::Mpeg2;
        versionText = "version 2";
        break;
    case 3:
        version = MpegVersion::Mpeg1;
        versionText = "version 1";
        break;
    default:
        return false;
    }
    int layer = 0;
    int samplesPerFrame = 0;
    switch ((h[1] >> 1) & 3) {
    case 1:
        layer = 3;
        samplesPerFrame = version == MpegVersion::Mpeg1 ? 1152 : 576;
        break;
    case 2:
        layer = 2;
        samplesPerFrame = 1152;
        break;
    case 3:
        layer = 1;
        samplesPerFrame = 384;
        break;
    default:
        return false;
    }
    info.versionText = versionText + " layer " + std::to_string(layer);
    info.usesChecksums = (h[1] & 1) == 0;

    static constexpr std::array<const char*, 4> kChannelModes{"Stereo", "Joint stereo",
                                                              "Dual channel", "Mono"};
    const int channelMode = h[3] >> 6;
    info.channelModeText = kChannelModes[static_cast<std::size_t>(channelMode)];
    info.frequencyHz = MpegFrequencyHz(version, (h[2] >> 2) & 3);

    const VbrCounts counts = readVbrCounts(file, *pos, version, channelMode == 3);
    if (counts.frames != 0 && counts.streamBytes != 0) {
        info.variableBitrate = true;
        info.bitrateKbps =
            VbrBitrateKbps(counts.streamBytes, counts.frames, samplesPerFrame, info.frequencyHz);
        info.lengthSeconds = VbrLengthSeconds(counts.frames, samplesPerFrame, info.frequencyHz);
    } else {
        info.variableBitrate = false;
        info.bitrateKbps = MpegBitrateKbps(version, layer, h[2] >> 4);
        info.lengthSeconds = CbrLengthSeconds(length - *pos, info.bitrateKbps);
    }

    info.copyrighted = (h[3] & 0x08) != 0;
    info.original = (h[3] & 0x04) != 0;
    info.emphasis = (h[3] & 0x03) != 0;
    return true;
}

void readTagFacts(const RawFile& file, std::uint64_t length, Mp3Info& info) {
    info.id3v1Version = -1;
    if (length >= kID3v1Size) {
        std::array<std::uint8_t, kID3v1Size> block{};
        if (file.readAt(length - kID3v1Size, block) == block.size() && startsWith(block, "TAG"))
            info.id3v1Version = block[125] == 0 && block[126] != 0 ? 1 : 0;
    }
    // A damaged ID3v2 header (one ID3v2Size refuses to skip) counts as no tag.
    info.id3v2Version = -1;
    std::array<std::uint8_t, kID3v2HeaderSize> header{};
    const std::size_t got = file.readAt(0, header);
    if (ID3v2HeaderSize(std::span(header).first(got)) != 0)
        info.id3v2Version = header[3];
    info.fileSize = static_cast<std::int32_t>(
        std::min<std::uint64_t>(length, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

bool ReadMp3Info(const std::filesystem::path& path, Mp3Info& info) {
    info = Mp3Info{};
    const RawFile file(path, RawFile::Access::Read);
    const auto length = file.size();
    if (!length || *length < 4)
        return false;
    const bool found = readStreamFacts(file, *length, info);
    readTagFacts(file, *length, info);
    return found;
}

std::int32_t MpegBitrateKbps(MpegVersion version, int layer, int bitrateIndex) {
    if (layer < 1 || layer > 3 || bitrateIndex < 0 || bitrateIndex > 15)
        return 0;
    const int row = version == MpegVersion::Mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    return kBitrates[static_cast<std::size_t>(row)][static_cast<std::size_t>(bitrateIndex)];
}

std::int32_t MpegFrequencyHz(MpegVersion version, int rateIndex) {
    static constexpr std::array<std::int32_t, 4> kMpeg1Rates{44100, 48000, 32000, 0};
    if (rateIndex < 0 || rateIndex > 3)
        return 0;
    const std::int32_t divisor =
        version == MpegVersion::Mpeg1 ? 1 : (version == MpegVersion::Mpeg2 ? 2 : 4);
    return kMpeg1Rates[static_cast<std::size_t>(rateIndex)] / divisor;
}

std::int32_t VbrBitrateKbps(std::uint32_t streamBytes, std::uint32_t frames, int samplesPerFrame,
                            std::int32_t frequencyHz) {
    if (frames == 0 || samplesPerFrame <= 0 || frequencyHz <= 0)
        return 0;
    return roundToInt32(static_cast<double>(streamBytes) / frames / samplesPerFrame / 125.0 *
                        frequencyHz);
}

std::int32_t VbrLengthSeconds(std::uint32_t frames, int samplesPerFrame, std::int32_t frequencyHz) {
    if (frequencyHz <= 0 || samplesPerFrame <= 0)
        return 0;
    return roundToInt32(static_cast<double>(frames) / frequencyHz * samplesPerFrame);
}

std::int32_t CbrLengthSeconds(std::uint64_t audioBytes, std::int32_t bitrateKbps) {
    if (bitrateKbps <= 0)
        return 0;
    return roundToInt32(static_cast<double>(audioBytes) / (bitrateKbps * 125.0));
}

} // namespace sorvel
