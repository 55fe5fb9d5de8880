// Decoders turn one media source into interleaved 32-bit float frames at the source's own rate.
#pragma once

#include "soundlib.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace soundlib {

// One tag as a decoder found it. Text is UTF-8.
struct DecodedTag {
    FMOD_TAGTYPE kind = FMOD_TAGTYPE_UNKNOWN;
    std::string name;
    std::string value;
};

struct DecoderOptions {
    FMOD_SOUND_TYPE suggestedType = FMOD_SOUND_TYPE_UNKNOWN;
    bool accurateTime = false; // scan the whole file when the container only estimates length
    bool loop = false;         // trackers: follow the module's own loop instead of ending
};

// A decoder is used by one thread at a time (the creating thread, then the streaming thread
// or the caller that decodes a whole sample). It may block on disk and allocate.
class Decoder {
public:
    virtual ~Decoder() = default;

    // Output format: interleaved float, 1 or 2 channels (wider sources are mixed down).
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Exact length in frames of what read() delivers from frame 0 to the end; 0 when unknown.
    virtual uint64_t lengthFrames() const = 0;
    // What the file is, as the sound's format query reports it.
    virtual FMOD_SOUND_TYPE type() const = 0;
    virtual FMOD_SOUND_FORMAT sourceFormat() const = 0;
    virtual int sourceBits() const = 0;
    virtual int sourceChannels() const = 0;

    // Fills up to `frames` frames; returns how many were written, 0 only at the end (or after
    // an unrecoverable decode error, which ends the sound like a truncated file).
    virtual size_t read(float* out, size_t frames) = 0;
    // Sample-accurate: the next read() starts at `frame`. False when the source cannot seek.
    virtual bool seek(uint64_t frame) = 0;

    virtual const std::vector<DecodedTag>& tags() const = 0;
};

struct DecoderOpenResult {
    FMOD_RESULT result = FMOD_OK;
    std::unique_ptr<Decoder> decoder;
};

// Picks the decoder by content and extension: trackers (libopenmpt), ".raw" (44100 Hz, 16-bit
// signed little-endian stereo), ".zip" (first audio member), everything else through FFmpeg.
// Results: 23 missing file, 25 unsupported or corrupt, 19 unreadable.
DecoderOpenResult openDecoder(const std::string& path, const DecoderOptions& options);

} // namespace soundlib
