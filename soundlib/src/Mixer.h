// The software mixer: plays the channel voices through the resampler, applies volume and pan,
// sums them in 32-bit float, runs the sum through the chain of processing units, keeps the
// latest output for the spectrum queries and hands the block to the output. While nothing plays
// and the units' tails have died away, a block is plain silence: no voice or unit runs.
//
// Threads: render() runs on the output's thread (or inside FMOD_System_Update for the
// non-real-time outputs). It never locks, allocates or waits: the caller's thread talks to it
// only through post() (a lock-free queue) and the ChannelShared atomics.
#pragma once

#include "AntiAliasFilter.h"
#include "ChannelShared.h"
#include "MixerCommand.h"
#include "SpectrumTap.h"
#include "SpscQueue.h"
#include "StreamFeed.h"
#include "output.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace soundlib {

struct MixerConfig {
    int outputRate = 48000;
    int outputChannels = 2;
    FMOD_DSP_RESAMPLER resampler = FMOD_DSP_RESAMPLER_LINEAR;
    size_t maxChannels = 16;
    bool synchronousStreams = false; // non-real-time: decode streams inside render()
};

class Dsp;

class Mixer final : public Renderer {
public:
    // Units attached at once, and the longest block a unit is given.
    static constexpr size_t kChainCapacity = 64;
    static constexpr size_t kChainBlockFrames = 1024;

    explicit Mixer(const MixerConfig& config);

    void render(float* interleaved, size_t frames) noexcept override;
    bool startsPending() noexcept override;
    uint64_t restingFrames() const noexcept override { return restingFrames_; }

    // Caller's thread. False when the queue is full (the caller keeps the command for later).
    bool post(const MixerCommand& command) { return commands_.push(command); }
    // The sequence number of the last command the mixer has carried out. Published at the end
    // of a block, so whatever a command took out of use is no longer touched once it shows.
    uint64_t appliedSequence() const { return applied_.load(std::memory_order_acquire); }
    ChannelShared& shared(size_t slot) { return shared_[slot]; }
    const MixerConfig& config() const { return config_; }

    // The latest output, for readers on other threads.
    const SpectrumTap& tap() const { return tap_; }
    // Output frames rendered so far (published at the end of each block). The tap, the
    // channels' played blocks and their end frames count in these frames.
    uint64_t renderedFrames() const { return rendered_.load(std::memory_order_acquire); }

private:
    struct Voice {
        bool active = false;
        uint16_t generation = 0;
        VoiceSource source;
        double position = 0.0; // source frames; for streams, counted from the segment start
        bool awaiting = false; // stream: silent until the segment `awaitSerial` is published
        uint32_t awaitSerial = 0;
        uint64_t awaitPosition = 0;
        StreamFeed::Segment segment;
        float gainLeft = 0.0f, gainRight = 0.0f;
        bool gainsSet = false;
        float level = 1.0f;        // the channel's gain (before volume), ramped like the volume
        float limit = 1.0f;        // the limiter's own level while the gain is above 1
        AntiAliasFilter antiAlias; // in use while the step is above 1
        bool inBlock = false;      // active when the current block began
        uint64_t blockStart = 0;   // source frame when the current block began
        // Started after another voice: silent, its position held, until that voice ends.
        bool waiting = false;
        // The voice waiting for this one's end, if any.
        bool hasFollower = false;
        uint16_t followerSlot = 0;
        uint16_t followerGeneration = 0;
        uint64_t joinedAt = 0;    // output frame where a waiting voice began to play
        uint64_t doneThrough = 0; // output frame up to which it has been mixed (sub-blocks)
    };

    void applyCommands();
    // Start: a voice that follows another waits for its end; one whose leader ended already
    // plays at once, one whose leader was stopped waits for good.
    void startVoice(Voice& voice, ChannelShared& shared, const MixerCommand& command);
    // Mixes frames [from, n) of the current sub-block of the voice in `slot`; when the voice
    // ends there, the voice waiting for it takes over on the next frame.
    void renderSpan(size_t slot, float* subBlockMix, size_t from, size_t n);
    // Start and seek: a sample plays on from the command's position at once; a stream waits,
    // silent, for the segment its seek started.
    void moveTo(Voice& voice, ChannelShared& shared, const MixerCommand& command);
    void attach(Dsp* dsp);
    void detach(Dsp* dsp);
    void removeChainEntry(size_t index);
    void runChain(float* interleaved, size_t frames) noexcept;
    // Notes where each voice that played in the block ended up, for readers of the position.
    void recordPlayed(size_t frames);
    // Nothing plays and the units' tails have died away: the block is silence, made without
    // running the voices or the chain.
    void renderSilence(size_t frames) noexcept;
    // Publishes what the block did: positions, frames rendered, commands carried out.
    void finishBlock(size_t frames) noexcept;
    // How long the output must have stayed quiet with nothing playing before the chain can
    // have nothing more to say: the longest tail of its units.
    uint64_t chainTail() const noexcept;
    // Counts the block into quietFrames_ when nothing played and nothing can be heard.
    void noteQuiet(const float* interleaved, size_t frames, bool played);
    // One voice's share of a block, as its steps hand it on.
    struct VoiceBlock {
        double step = 0.0;       // source frames per output frame
        bool filterable = false; // the anti-alias filter handles the source's channel count
        bool wantFilter = false; // the step asks for the filter
        bool antiAlias = false;  // the filter runs this block
        bool crossfade = false;  // ... and fades in or out across it
        double start = 0.0;      // the voice's position at the block's first output frame
        int64_t base = 0;        // floor(start)
        size_t lead = 0;         // frames gathered for the filter before the resampler's
        size_t produced = 0;     // output frames whose source frames were all there
    };

    // Mixes `frames` output frames of one voice into `mix`: follow the stream, fetch the
    // source frames (band-limited when played fast), resample, apply gain and pan, advance.
    void renderVoice(Voice& voice, ChannelShared& shared, float* mix, size_t frames);
    // Stream voices: takes up the segment a pending seek waits for (false while it is not
    // there yet) and starts the filter afresh when the source jumped.
    bool followStream(Voice& voice, const VoiceBlock& block, size_t frames);
    // Gathers the source frames of the block into scratch_ and runs the anti-alias filter
    // over them; fills in the rest of `block`.
    void fetch(Voice& voice, VoiceBlock& block, size_t frames);
    // The block at the output rate (source channels): the rows to mix.
    const float* resample(Voice& voice, const VoiceBlock& block);
    static const float* resampleRows(FMOD_DSP_RESAMPLER method, const float* taps, size_t channels,
                                     const VoiceBlock& block, float* into);
    // The channel's gain, then volume and pan, each ramped across the block so changes do not
    // click; above a gain of 1 the limiter keeps the voice within full scale.
    void mixWithGains(Voice& voice, const ChannelShared& shared, const float* rows, size_t produced,
                      float* mix);
    // Moves the play position on, wraps loops, frees stream frames, publishes the position.
    void advance(Voice& voice, ChannelShared& shared, const VoiceBlock& block);
    // Copies source frames [first, first + count) into scratch_ (zeros outside the source).
    // Returns how many of them are really available (streams may be short of data).
    size_t gatherFrames(Voice& voice, int64_t first, size_t count);
    uint64_t sourceFrameOf(const Voice& voice) const;
    bool voiceEnded(const Voice& voice) const;

    MixerConfig config_;
    SpscQueue<MixerCommand> commands_;
    std::vector<Voice> voices_;
    std::unique_ptr<ChannelShared[]> shared_;
    std::vector<float> scratch_;   // gathered source frames
    std::vector<float> resampled_; // one sub-block at the output rate, source channels
    // The same, unfiltered, for the block where the anti-alias filter comes in or goes out.
    std::vector<float> rawScratch_;
    std::vector<float> rawResampled_;
    std::array<Dsp*, kChainCapacity> chain_{}; // in processing order
    size_t chainLength_ = 0;
    SpectrumTap tap_;
    float limiterRecovery_ = 1.0f; // the limiter's level grows by this factor a frame
    uint64_t carriedOut_ = 0; // the last command applied; published as applied_ after the block
    std::atomic<uint64_t> applied_{0};
    uint64_t renderedFrames_ = 0; // before the current block; published as rendered_ after it
    uint64_t subBlockStart_ = 0;  // output frame of the sub-block being mixed
    uint64_t spanStart_ = 0;      // output frame where the voice being mixed starts in it
    uint64_t quietFrames_ = 0;    // in a row with nothing playing and output below hearing
    uint64_t restingFrames_ = 0;  // in a row rendered as plain silence; see restingFrames()
    std::atomic<uint64_t> rendered_{0};
};

} // namespace soundlib
