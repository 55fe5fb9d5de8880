// A sound: decoded into memory (a sample) or decoded ahead while it plays (a stream).
//
// Lifetime: owned by the library's sound table; a released sound is handed to its system, which
// frees it once the mixer has let go of it. Fields describing the media are written by the
// opening thread and read by others only after openState() reads READY.
#pragma once

#include "MixerCommand.h"
#include "StreamFeed.h"
#include "decoder.h"
#include "soundlib.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace soundlib {

class System;

struct TagRecord {
    FMOD_TAGTYPE kind = FMOD_TAGTYPE_UNKNOWN;
    std::string name;
    std::string data; // UTF-8 text followed by its terminating zero, or a binary tag's bytes
    bool updated = true;
    bool binary = false;
};

class Sound {
public:
    Sound(System& system, FMOD_MODE mode, bool stream);
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Opens and, for samples, decodes the whole file. threadedStream: give a stream its own
    // decoding thread (real-time outputs) instead of decoding inside the mixer. A file at
    // another rate than options.outputRate is converted to it (samples once, here; streams as
    // they decode).
    FMOD_RESULT open(const std::string& path, const DecoderOptions& options, bool threadedStream);
    // The same on a thread of its own; openState() tells when it is done.
    void openInBackground(const std::string& path, const DecoderOptions& options,
                          bool threadedStream);
    // Opens part `index` of `container` as this (stream) sound, converted to outputRate.
    FMOD_RESULT openPart(SubSoundSource& container, int index, bool threadedStream, int outputRate);

    FMOD_OPENSTATE openState() const { return openState_.load(std::memory_order_acquire); }
    FMOD_RESULT openResult() const { return openResult_.load(std::memory_order_acquire); }
    bool ready() const { return openState() == FMOD_OPENSTATE_READY; }

    System& system() const { return system_; }
    FMOD_MODE mode() const { return mode_; }
    bool isStream() const { return stream_; }
    bool loops() const { return (mode_ & (FMOD_LOOP_NORMAL | FMOD_LOOP_BIDI)) != 0; }

    // Valid once ready. The file's own rate and length, whatever rate its data was converted
    // to.
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    uint64_t lengthFrames() const { return lengthFrames_; }
    FMOD_SOUND_TYPE type() const { return type_; }
    FMOD_SOUND_FORMAT sourceFormat() const { return sourceFormat_; }
    int sourceBits() const { return sourceBits_; }
    int sourceChannels() const { return sourceChannels_; }
    // Tags, with what a live stream delivered since the last look merged in: new names are
    // appended, known ones get their new text and are flagged as updated again. A tag whose
    // last update has not been handed out yet keeps it: later ones wait their turn, so every
    // title is seen, in order.
    std::vector<TagRecord>& tags();
    StreamFeed* feed() const { return feed_.get(); }
    VoiceSource voiceSource() const;
    // Live streams (network): no length, receive buffer state for the open-state query.
    bool live() const { return feed_ && feed_->decoder().live(); }

    // Sources of parts (a CD drive): the parts, opened as sounds of their own on request. The
    // handles are kept so the parts are released with this sound.
    SubSoundSource* container() const { return container_.get(); }
    std::vector<uint32_t>& subSoundHandles() { return subSoundHandles_; }

    // Stream restarts: a stream that has played must be sent back to its start before it plays
    // again. Used on the caller's thread only.
    bool streamUsed = false;
    uint32_t streamSerial = 0;

    // Stops background work (the opening thread, the decoding thread). Idempotent.
    void shutdown();

private:
    FMOD_RESULT adopt(DecoderOpenResult opened, bool threadedStream, int outputRate);
    // A sample's frames at the output rate; a looping one stays whole, its loop seamless.
    void convertSample(int outputRate);
    FMOD_RESULT finish(FMOD_RESULT result);

    System& system_;
    FMOD_MODE mode_;
    bool stream_;
    std::atomic<FMOD_OPENSTATE> openState_{FMOD_OPENSTATE_LOADING};
    std::atomic<FMOD_RESULT> openResult_{FMOD_OK};

    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t lengthFrames_ = 0;
    FMOD_SOUND_TYPE type_ = FMOD_SOUND_TYPE_UNKNOWN;
    FMOD_SOUND_FORMAT sourceFormat_ = FMOD_SOUND_FORMAT_NONE;
    int sourceBits_ = 0;
    int sourceChannels_ = 0;
    std::vector<TagRecord> tags_;
    std::vector<DecodedTag> waitingTags_; // live updates not merged yet, oldest first
    std::vector<float> samples_;
    FrameRatio samplesRatio_; // samples_' frames per file frame
    std::unique_ptr<StreamFeed> feed_;
    std::unique_ptr<SubSoundSource> container_;
    std::vector<uint32_t> subSoundHandles_;
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    std::thread opener_;
};

} // namespace soundlib
