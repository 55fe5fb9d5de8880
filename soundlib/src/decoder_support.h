// Arithmetic and small parsers the decoders share, kept free of I/O so tests can pin them.
#pragma once

#include "soundlib.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace soundlib {

// The result for a file that cannot be opened, from the errno of open()/stat().
FMOD_RESULT resultForOpenError(int errnoValue);

// Lower-case extension without the dot ("song.MP3" -> "mp3"); empty when there is none.
std::string lowerExtension(std::string_view path);

// Bytes an ID3v2 tag takes (header, body, footer) when `header` (at least 10 bytes) starts one;
// 0 otherwise.
uint64_t id3v2TagLength(std::span<const uint8_t> header);

// Samples every MPEG audio decoder delays its output by (the synthesis filter's length).
inline constexpr int kMpegDecoderDelay = 529;

// One MPEG audio frame header: its stream's kind and the frame's length in bytes.
struct MpegFrameHeader {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 0;   // 1, 2 or 3
    int sampleRate = 0;
    int bytes = 0; // 0: not a header a decoder can follow (free format, reserved values)
};

// Reads the four bytes of a frame header.
MpegFrameHeader parseMpegFrameHeader(std::span<const uint8_t> header);

// Whether `next` (the header found where `first` ends) continues the same stream.
bool sameMpegStream(const MpegFrameHeader& first, const MpegFrameHeader& next);

// The Xing/Info frame an MPEG layer III encoder puts first, with LAME's encoder delay and
// padding where the encoder wrote them.
struct MpegInfoFrame {
    int sampleRate = 0;
    int samplesPerFrame = 1152;
    std::optional<uint32_t> frames; // audio frames after this one
    std::optional<uint32_t> bytes;  // stream bytes including this frame
    bool hasEncoderDelay = false;
    std::string encoder; // the encoder's short version ("LAME3.100"), where it wrote one
    int startPadding = 0;
    int endPadding = 0;
};

// Reads the Xing/Info frame from bytes starting at a frame header, exactly where libavformat
// looks for it; nothing when the frame is not one.
std::optional<MpegInfoFrame> parseMpegInfoFrame(std::span<const uint8_t> frame);

// Frames libavcodec delivers for a stream described by `info`: it trims the encoder delay plus
// the decoder's own 529 samples at the start, and the padding beyond those 529 at the end.
uint64_t mpegOutputFrames(const MpegInfoFrame& info);

// Whether the Xing byte count fits the audio actually in the file (not cut short, not
// followed by a second stream); otherwise the frame count cannot be trusted.
bool mpegInfoMatchesFile(const MpegInfoFrame& info, uint64_t audioBytes);

// Windows Media Audio v1/v2: samples per coded frame.
int wmaFrameLength(int sampleRate, bool version1);

// Frames one WMA superframe decodes to, from its first byte. `carried` says whether the
// previous superframe left a frame's start behind (updated for the next call). Without the
// bit reservoir every superframe is one frame.
int wmaSuperframeFrames(uint8_t firstByte, bool bitReservoir, bool& carried);

// Frames libavcodec delivers for `codedFrames` WMA frames: it drops the first two frames
// (they only prime the overlap) and flushes one more at the end.
uint64_t wmaOutputFrames(uint64_t codedFrames, int frameLength);

// Where the last Ogg page flagged as a stream's end starts within `tail` (the file's last
// bytes), or -1. libavformat cannot place packets of that page after a seek.
int64_t lastOggEndPage(std::span<const uint8_t> tail);

// `value` rounded to the nearest multiple of `step` (step > 0).
int64_t roundToMultiple(int64_t value, int64_t step);

// The tag name a decoder reports for a metadata key as FFmpeg names it: upper case, with
// title/artist/album under TITLE/ARTIST/ALBUM, and the artist under AUTHOR for Windows Media.
std::string decoderTagName(std::string_view ffmpegKey, bool windowsMedia);

} // namespace soundlib
