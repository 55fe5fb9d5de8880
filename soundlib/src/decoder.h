// Decoders turn one media source into interleaved 32-bit float frames at the source's own rate.
#pragma once

#include "soundlib.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace soundlib {

// One tag as a decoder found it. Text is UTF-8; a binary tag (an embedded picture) holds bytes.
struct DecodedTag {
    FMOD_TAGTYPE kind = FMOD_TAGTYPE_UNKNOWN;
    std::string name;
    std::string value;
    bool binary = false;
};

// What a network stream needs from its system: buffer size, patience and the capture hooks.
struct NetworkOptions {
    size_t bufferBytes = 16384; // received bytes held ahead of the decoder
    int timeoutMs = 10000;      // connecting, and silence from the server, before giving up
    FMOD_FILE_OPENCALLBACK open = nullptr;
    FMOD_FILE_CLOSECALLBACK close = nullptr;
    FMOD_FILE_READCALLBACK read = nullptr;
};

struct DecoderOptions {
    FMOD_SOUND_TYPE suggestedType = FMOD_SOUND_TYPE_UNKNOWN;
    bool accurateTime = false; // scan the whole file when the container only estimates length
    bool loop = false;         // trackers: follow the module's own loop instead of ending
    int outputRate = 48000;    // MIDI is synthesised at the mixer's rate
    std::string midiSoundBank; // a SoundFont or DLS file; empty: the installed General MIDI bank
    NetworkOptions network;
    // Set by the caller's thread to cut short an open that waits on the network.
    std::shared_ptr<const std::atomic<bool>> cancelled;
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

    // Sources too long or too slow to decode whole (MIDI, CD tracks, network streams) play as
    // streams even when a sample was asked for.
    virtual bool streamsOnly() const { return false; }
    // Reads that may wait on a drive or the network: such a stream is decoded on a thread of
    // its own in every output mode, and a non-real-time mixer waits at most this long for it.
    // Zero: reads never wait on anything but the disk.
    virtual std::chrono::milliseconds blockingReadWait() const { return {}; }
    // A live source (a network stream): no length, no seeking, tags that change as it plays.
    virtual bool live() const { return false; }
    // Live sources: moves out, oldest first, the tags that arrived since the last call and that
    // playback has reached, `playedFrames` frames of this decoder's output having been played.
    // Called on the caller's thread while another thread reads; must be thread-safe.
    virtual void takeUpdatedTags(std::vector<DecodedTag>&, uint64_t /*playedFrames*/) {}
    // Live sources: how full the receive buffer is, and whether playback is waiting for data.
    // Thread-safe like takeUpdatedTags.
    virtual unsigned int bufferedPercent() const { return 100; }
    virtual bool starving() const { return false; }
    // Makes a read() that waits on the network or a drive return at once, now and from now on.
    // Called from another thread when the stream is stopped.
    virtual void interrupt() {}
};

struct DecoderOpenResult;

// A source made of other sounds (an audio CD, whose tracks are its sub-sounds). Used on the
// caller's thread.
class SubSoundSource {
public:
    virtual ~SubSoundSource() = default;
    virtual int count() const = 0;
    // Total length of the parts, in frames at sampleRate().
    virtual uint64_t lengthFrames() const = 0;
    virtual int sampleRate() const = 0;
    virtual FMOD_SOUND_TYPE type() const = 0;
    // Opens part `index` (0 <= index < count()) for streaming.
    virtual DecoderOpenResult openPart(int index) = 0;
};

struct DecoderOpenResult {
    FMOD_RESULT result = FMOD_OK;
    std::unique_ptr<Decoder> decoder;
    std::unique_ptr<SubSoundSource> container; // instead of a decoder, for sources of parts
};

// Picks the decoder by content and extension: network addresses (http://, https://, ftp://),
// CD drive names ("D:", a container of tracks), MIDI (FluidSynth), trackers (libopenmpt),
// ".raw" (44100 Hz, 16-bit signed little-endian stereo), ".zip" (first audio member), everything
// else through FFmpeg. Results: 23 missing file, 25 unsupported or corrupt, 19 unreadable; the
// network, CD and MIDI results are told where those sources are opened.
DecoderOpenResult openDecoder(const std::string& path, const DecoderOptions& options);

} // namespace soundlib
