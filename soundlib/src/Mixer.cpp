#include "Mixer.h"

#include "dsp/DenormalGuard.h"
#include "dsp/Dsp.h"
#include "interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace soundlib {
namespace {

// Output frames mixed per voice at a time; bounds the scratch memory taken at start.
constexpr size_t kSubBlock = 256;
// Highest source-to-output step (playback rate over output rate) a voice may take.
constexpr double kMaxStep = 32.0;
constexpr size_t kScratchFrames =
    static_cast<size_t>(kSubBlock * kMaxStep) + kInterpBefore + kInterpAfter + 2;
// Steps above this are band-limited first; just above 1 the folded band is far out of hearing.
constexpr double kAntiAliasStep = 1.0001;

constexpr double kQuarterPi = 0.78539816339744830962;
// How fast the limiter lets the level back after a peak. Slow enough that a steady tone held
// down by many decibels is not modulated audibly between its peaks.
constexpr double kLimiterRecoveryDbPerSecond = 40.0;

} // namespace

PanGains panGains(int sourceChannels, float pan) {
    const double p = std::clamp(static_cast<double>(pan), -1.0, 1.0);
    const double angle = (p + 1.0) * kQuarterPi; // 0 .. pi/2
    const double left = std::cos(angle);
    const double right = std::sin(angle);
    if (sourceChannels == 1) {
        return {static_cast<float>(left), static_cast<float>(right)};
    }
    // Balance for stereo: the near side stays whole, the far side follows the same curve.
    const double root2 = std::sqrt(2.0);
    return {static_cast<float>(std::min(1.0, left * root2)),
            static_cast<float>(std::min(1.0, right * root2))};
}

Mixer::Mixer(const MixerConfig& config)
    : config_(config), commands_(4096), voices_(config.maxChannels),
      shared_(std::make_unique<ChannelShared[]>(config.maxChannels)), scratch_(kScratchFrames * 2),
      resampled_(kSubBlock * 2), rawScratch_(kScratchFrames * 2), rawResampled_(kSubBlock * 2),
      tap_(config.outputChannels),
      limiterRecovery_(static_cast<float>(
          std::pow(10.0, kLimiterRecoveryDbPerSecond / 20.0 / std::max(1, config.outputRate)))) {}

void Mixer::applyCommands() {
    MixerCommand command;
    while (commands_.pop(command)) {
        carriedOut_ = command.sequence;
        if (command.kind == MixerCommand::Kind::AttachDsp) {
            attach(command.dsp);
            continue;
        }
        if (command.kind == MixerCommand::Kind::DetachDsp) {
            detach(command.dsp);
            continue;
        }
        if (command.slot >= voices_.size()) {
            continue;
        }
        Voice& voice = voices_[command.slot];
        ChannelShared& shared = shared_[command.slot];
        switch (command.kind) {
        case MixerCommand::Kind::Start:
            startVoice(voice, shared, command);
            break;
        case MixerCommand::Kind::Stop:
            if (voice.active && voice.generation == command.generation) {
                voice.active = false;
            }
            break;
        case MixerCommand::Kind::Seek:
            if (voice.active && voice.generation == command.generation) {
                voice.antiAlias.reset();
                moveTo(voice, shared, command);
            }
            break;
        default:
            break;
        }
    }
}

void Mixer::startVoice(Voice& voice, ChannelShared& shared, const MixerCommand& command) {
    enum class Leader { None, Playing, Ended, Gone };
    Leader leader = Leader::None;
    if (command.afterLeader) {
        leader = Leader::Gone;
        if (command.leaderSlot < voices_.size() && command.leaderSlot != command.slot) {
            const Voice& ahead = voices_[command.leaderSlot];
            if (ahead.active && ahead.generation == command.leaderGeneration) {
                leader = Leader::Playing;
            } else if (shared_[command.leaderSlot].endedGeneration.load(
                           std::memory_order_relaxed) == command.leaderGeneration) {
                leader = Leader::Ended; // mixed to its end already, still on its way out
            }
        }
    }
    voice = Voice{};
    voice.active = true;
    voice.generation = command.generation;
    voice.source = command.source;
    voice.waiting = leader == Leader::Playing || leader == Leader::Gone;
    moveTo(voice, shared, command);
    if (leader == Leader::Playing) {
        Voice& ahead = voices_[command.leaderSlot];
        ahead.hasFollower = true;
        ahead.followerSlot = command.slot;
        ahead.followerGeneration = command.generation;
    }
    shared.waiting.store(voice.waiting, std::memory_order_release);
}

void Mixer::moveTo(Voice& voice, ChannelShared& shared, const MixerCommand& command) {
    if (voice.source.feed != nullptr) {
        voice.awaiting = true;
        voice.awaitSerial = command.streamSerial;
        voice.awaitPosition = command.position;
    } else {
        voice.position = voice.source.ratio.toData(command.position);
    }
    shared.position.store(ChannelShared::pack(voice.generation, command.position),
                          std::memory_order_release);
}

void Mixer::attach(Dsp* dsp) {
    for (size_t i = 0; i < chainLength_; ++i) {
        if (chain_[i] == dsp) {
            // Taken out and put back before it had left: it moves to the end and carries on.
            removeChainEntry(i);
            chain_[chainLength_++] = dsp;
            dsp->stayInChain();
            return;
        }
    }
    if (chainLength_ == kChainCapacity) {
        // Full of units that are only fading out (the caller never attaches more than the
        // capacity): let those go at once.
        for (size_t i = chainLength_; i-- > 0;) {
            if (chain_[i]->leaving()) {
                removeChainEntry(i);
            }
        }
        if (chainLength_ == kChainCapacity) {
            return;
        }
    }
    chain_[chainLength_++] = dsp;
    dsp->enterChain();
}

void Mixer::detach(Dsp* dsp) {
    for (size_t i = 0; i < chainLength_; ++i) {
        if (chain_[i] == dsp) {
            dsp->markLeaving();
            return;
        }
    }
}

void Mixer::removeChainEntry(size_t index) {
    for (size_t i = index + 1; i < chainLength_; ++i) {
        chain_[i - 1] = chain_[i];
    }
    chain_[--chainLength_] = nullptr;
}

void Mixer::runChain(float* interleaved, size_t frames) noexcept {
    const size_t first = std::min(frames, kChainBlockFrames);
    for (size_t i = 0; i < chainLength_; ++i) {
        chain_[i]->beginBlock(first);
    }
    const size_t channels = static_cast<size_t>(config_.outputChannels);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kChainBlockFrames, frames - done);
        for (size_t i = 0; i < chainLength_; ++i) {
            chain_[i]->run(interleaved + done * channels, n);
        }
        done += n;
    }
    // Leaving units faded out within the first part (and passed the sound untouched after it):
    // from here on they are gone.
    for (size_t i = chainLength_; i-- > 0;) {
        if (chain_[i]->leaving()) {
            removeChainEntry(i);
        }
    }
}

void Mixer::render(float* interleaved, size_t frames) noexcept {
    DenormalGuard denormals;
    applyCommands();
    bool played = false;
    for (size_t slot = 0; slot < voices_.size(); ++slot) {
        Voice& voice = voices_[slot];
        voice.inBlock = voice.active;
        if (voice.active) {
            voice.blockStart = sourceFrameOf(voice);
            played =
                played || (!voice.waiting && !shared_[slot].paused.load(std::memory_order_relaxed));
        }
    }
    const size_t outChannels = static_cast<size_t>(config_.outputChannels);
    std::fill(interleaved, interleaved + frames * outChannels, 0.0f);
    if (!played && quietFrames_ >= chainTail()) {
        renderSilence(frames);
        return;
    }
    restingFrames_ = 0;
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kSubBlock, frames - done);
        subBlockStart_ = renderedFrames_ + done;
        for (size_t slot = 0; slot < voices_.size(); ++slot) {
            const Voice& voice = voices_[slot];
            // A voice that took over from another in this sub-block is mixed already.
            if (voice.active && !voice.waiting && voice.doneThrough < subBlockStart_ + n) {
                renderSpan(slot, interleaved + done * outChannels, 0, n);
            }
        }
        done += n;
    }
    runChain(interleaved, frames);
    tap_.write(interleaved, frames);
    noteQuiet(interleaved, frames, played);
    finishBlock(frames);
}

void Mixer::renderSilence(size_t frames) noexcept {
    // Units asked to leave go at once: they have nothing left to fade.
    for (size_t i = chainLength_; i-- > 0;) {
        if (chain_[i]->leaving()) {
            removeChainEntry(i);
        }
    }
    tap_.writeSilence(frames);
    restingFrames_ += frames;
    finishBlock(frames);
}

void Mixer::finishBlock(size_t frames) noexcept {
    recordPlayed(frames);
    renderedFrames_ += frames;
    rendered_.store(renderedFrames_, std::memory_order_release);
    applied_.store(carriedOut_, std::memory_order_release);
}

void Mixer::renderSpan(size_t slot, float* subBlockMix, size_t from, size_t n) {
    Voice& voice = voices_[slot];
    ChannelShared& shared = shared_[slot];
    const uint64_t subBlockEnd = subBlockStart_ + n;
    voice.doneThrough = subBlockEnd;
    spanStart_ = subBlockStart_ + from;
    renderVoice(voice, shared, subBlockMix + from * static_cast<size_t>(config_.outputChannels),
                n - from);
    if (voice.active || !voice.hasFollower) {
        return;
    }
    voice.hasFollower = false;
    const size_t nextSlot = voice.followerSlot;
    Voice& next = voices_[nextSlot];
    if (!next.active || !next.waiting || next.generation != voice.followerGeneration) {
        return; // stopped or replaced meanwhile
    }
    next.waiting = false;
    shared_[nextSlot].waiting.store(false, std::memory_order_release);
    // The next frame after the last one this voice played.
    const uint64_t at =
        std::clamp(shared.endedAt.load(std::memory_order_relaxed), spanStart_, subBlockEnd);
    next.joinedAt = at;
    next.doneThrough = subBlockEnd; // ending on the sub-block's edge, it starts with the next
    if (at < subBlockEnd) {
        renderSpan(nextSlot, subBlockMix, static_cast<size_t>(at - subBlockStart_), n);
    }
}

uint64_t Mixer::chainTail() const noexcept {
    if (chainLength_ == 0) {
        return 0; // no voice plays, so the mix is silence already
    }
    // At least one quiet block through the chain, which also lets filters ring down.
    uint64_t tail = 1;
    for (size_t i = 0; i < chainLength_; ++i) {
        tail = std::max<uint64_t>(tail, chain_[i]->tailFrames());
    }
    return tail;
}

void Mixer::noteQuiet(const float* interleaved, size_t frames, bool played) {
    // Below -120 dB: the last of an echo or reverb tail is nothing anyone hears.
    constexpr float kInaudible = 1e-6f;
    const size_t samples = frames * static_cast<size_t>(config_.outputChannels);
    const bool quiet = !played && std::all_of(interleaved, interleaved + samples,
                                              [](float v) { return std::abs(v) < kInaudible; });
    quietFrames_ = quiet ? quietFrames_ + frames : 0;
}

bool Mixer::startsPending() noexcept {
    applyCommands();
    for (const Voice& voice : voices_) {
        if (!voice.active || !voice.awaiting || voice.waiting) {
            continue;
        }
        StreamFeed::Segment segment;
        if (!voice.source.feed->segment(segment) || segment.serial != voice.awaitSerial ||
            (segment.ringEnd == UINT64_MAX &&
             voice.source.feed->ring().publishedWritePosition() == segment.ringStart)) {
            return true;
        }
    }
    return false;
}

void Mixer::recordPlayed(size_t frames) {
    const uint64_t end = renderedFrames_ + frames;
    for (size_t slot = 0; slot < voices_.size(); ++slot) {
        Voice& voice = voices_[slot];
        if (!voice.inBlock) {
            continue;
        }
        ChannelShared& shared = shared_[slot];
        // A voice that ran out in the block played only up to its end.
        const uint64_t playedTo =
            voice.active ? end : shared.endedAt.load(std::memory_order_relaxed);
        const uint64_t reached = sourceFrameOf(voice);
        // A voice that took over from another inside the block moved only from there on.
        const uint64_t from = std::max(renderedFrames_, voice.joinedAt);
        // A loop that wrapped inside the block moved at the channel's rate all the same.
        const float step =
            reached >= voice.blockStart && playedTo > from
                ? static_cast<float>(static_cast<double>(reached - voice.blockStart) /
                                     static_cast<double>(playedTo - from))
                : shared.frequency.load(std::memory_order_relaxed) /
                      static_cast<float>(config_.outputRate);
        shared.played.record(playedTo, ChannelShared::pack(voice.generation, reached), step);
    }
}

uint64_t Mixer::sourceFrameOf(const Voice& voice) const {
    if (voice.awaiting) {
        return voice.awaitPosition;
    }
    const uint64_t offset =
        voice.source.ratio.toFile(static_cast<uint64_t>(std::max(0.0, std::floor(voice.position))));
    if (voice.source.feed == nullptr) {
        return offset;
    }
    uint64_t frame = voice.segment.sourceStart + offset;
    const uint64_t length = voice.source.feed->lengthFrames();
    if (voice.source.loop && length > 0) {
        frame %= length;
    } else if (length > 0) {
        frame = std::min(frame, length); // a converted end may run a frame past it
    }
    return frame;
}

bool Mixer::voiceEnded(const Voice& voice) const {
    if (voice.source.feed == nullptr) {
        return !voice.source.loop &&
               voice.position >= static_cast<double>(voice.source.sampleFrames);
    }
    if (voice.awaiting || voice.segment.ringEnd == UINT64_MAX) {
        return false;
    }
    return voice.position >= static_cast<double>(voice.segment.ringEnd - voice.segment.ringStart);
}

size_t Mixer::gatherFrames(Voice& voice, int64_t first, size_t count) {
    const size_t channels = static_cast<size_t>(voice.source.channels);
    float* out = scratch_.data();
    if (voice.source.feed == nullptr) {
        const int64_t total = static_cast<int64_t>(voice.source.sampleFrames);
        for (size_t i = 0; i < count; ++i) {
            int64_t frame = first + static_cast<int64_t>(i);
            if (voice.source.loop && total > 0) {
                frame %= total;
                if (frame < 0) {
                    frame += total;
                }
            }
            float* dst = out + i * channels;
            if (frame >= 0 && frame < total) {
                // Runs inside the sound are copied in one go.
                const size_t run = std::min<size_t>(count - i, static_cast<size_t>(total - frame));
                std::memcpy(dst, voice.source.sample + static_cast<size_t>(frame) * channels,
                            run * channels * sizeof(float));
                i += run - 1;
            } else {
                std::fill(dst, dst + channels, 0.0f);
            }
        }
        return count;
    }

    // Stream: segment-relative frames map onto the ring from the segment's start.
    const StreamFeed::Segment& segment = voice.segment;
    StreamRing& ring = voice.source.feed->ring();
    const uint64_t written = std::min(ring.publishedWritePosition(), segment.ringEnd);
    const int64_t decoded = static_cast<int64_t>(written - segment.ringStart);
    const bool ended = segment.ringEnd != UINT64_MAX;
    size_t available = count;
    for (size_t i = 0; i < count;) {
        const int64_t frame = first + static_cast<int64_t>(i);
        float* dst = out + i * channels;
        if (frame < 0 || (ended && frame >= decoded)) {
            std::fill(dst, dst + channels, 0.0f);
            ++i;
        } else if (frame < decoded) {
            const size_t run = std::min<size_t>(count - i, static_cast<size_t>(decoded - frame));
            ring.copyOut(segment.ringStart + static_cast<uint64_t>(frame), run, dst);
            i += run;
        } else {
            available = i; // the decoder has not got this far yet
            break;
        }
    }
    return available;
}

// Interpolates `block.produced` output frames from the source frames at `taps` (the frame of
// the block's start position; source channels interleaved) into `into`, at the output rate.
// Returns the rows to mix: `taps` itself when whole steps at the same rate need no
// interpolation, else `into`.
const float* Mixer::resampleRows(FMOD_DSP_RESAMPLER method, const float* taps, size_t channels,
                                 const VoiceBlock& block, float* into) {
    if (block.step == 1.0 && block.start == std::floor(block.start)) {
        return taps;
    }
    const ptrdiff_t stride = static_cast<ptrdiff_t>(channels);
    for (size_t k = 0; k < block.produced; ++k) {
        const double p = block.start + block.step * static_cast<double>(k);
        const double whole = std::floor(p);
        const size_t index = static_cast<size_t>(static_cast<int64_t>(whole) - block.base);
        const float t = static_cast<float>(p - whole);
        const float* y = taps + index * channels;
        for (size_t c = 0; c < channels; ++c) {
            into[k * channels + c] = interpolate(method, y + c, stride, t);
        }
    }
    return into;
}

void Mixer::renderVoice(Voice& voice, ChannelShared& shared, float* mix, size_t frames) {
    if (shared.paused.load(std::memory_order_relaxed)) {
        return;
    }
    VoiceBlock block;
    // The frequency counts file frames a second; the data may hold more or fewer per second.
    const FrameRatio& ratio = voice.source.ratio;
    block.step =
        std::clamp(static_cast<double>(shared.frequency.load(std::memory_order_relaxed)) *
                       static_cast<double>(ratio.data) /
                       (static_cast<double>(config_.outputRate) * static_cast<double>(ratio.file)),
                   0.0, kMaxStep);
    // Faster than the output rate the source is band-limited before it is interpolated.
    block.filterable = voice.source.channels <= AntiAliasFilter::kMaxChannels;
    block.wantFilter = block.step > kAntiAliasStep && block.filterable;

    if (voice.source.feed != nullptr && !followStream(voice, block, frames)) {
        return;
    }
    if (block.step <= 0.0) {
        return;
    }
    fetch(voice, block, frames);
    const float* rows = resample(voice, block);
    mixWithGains(voice, shared, rows, block.produced, mix);
    advance(voice, shared, block);
}

bool Mixer::followStream(Voice& voice, const VoiceBlock& block, size_t frames) {
    StreamFeed* feed = voice.source.feed;
    if (config_.synchronousStreams) {
        // The anti-alias filter may still need the frames a large step skipped between
        // blocks (fewer than one step's worth, whatever the step was then).
        const size_t skipped =
            block.wantFilter || voice.antiAlias.running() ? static_cast<size_t>(kMaxStep) : 0;
        feed->fillSync(static_cast<size_t>(block.step * static_cast<double>(frames)) +
                       kInterpBefore + kInterpAfter + 2 + skipped);
    }
    StreamFeed::Segment segment;
    if (!feed->segment(segment)) {
        return false;
    }
    if (voice.awaiting) {
        if (segment.serial != voice.awaitSerial) {
            return false;
        }
        voice.awaiting = false;
        voice.position = 0.0;
        feed->release(segment.ringStart);
        voice.antiAlias.reset();
    } else if (segment.serial != voice.segment.serial ||
               segment.ringStart != voice.segment.ringStart) {
        voice.antiAlias.reset(); // the source jumped
    }
    voice.segment = segment;
    return true;
}

void Mixer::fetch(Voice& voice, VoiceBlock& block, size_t frames) {
    const double step = block.step;
    block.start = voice.position;
    block.base = static_cast<int64_t>(std::floor(block.start));
    const int64_t first = block.base - kInterpBefore;
    const int64_t last =
        static_cast<int64_t>(std::floor(block.start + step * static_cast<double>(frames - 1))) +
        kInterpAfter;
    const size_t count = static_cast<size_t>(last - first + 1);
    // When the filter comes in or goes out (a speed control crossing the rate), it runs for one
    // more block and the block fades between the two paths: their phases differ, and a plain
    // switch would tick.
    const bool wasFiltering = voice.antiAlias.running();
    block.antiAlias = block.filterable && (block.wantFilter || wasFiltering);
    block.crossfade = block.antiAlias && block.wantFilter != wasFiltering;
    size_t available = 0;
    if (block.antiAlias) {
        voice.antiAlias.configure(step, voice.source.channels);
        const int64_t from = voice.antiAlias.begin(first, block.base, last, kScratchFrames);
        block.lead = static_cast<size_t>(first - from);
        const size_t gathered = gatherFrames(voice, from, block.lead + count);
        if (block.crossfade) {
            const size_t channels = static_cast<size_t>(voice.source.channels);
            std::copy(scratch_.begin(),
                      scratch_.begin() + static_cast<ptrdiff_t>((block.lead + count) * channels),
                      rawScratch_.begin());
        }
        voice.antiAlias.process(scratch_.data(), gathered);
        available = gathered > block.lead ? gathered - block.lead : 0;
    } else {
        available = gatherFrames(voice, first, count);
    }

    // Output frames whose taps all lie inside what was gathered.
    block.produced = frames;
    if (available < count) {
        const int64_t lastUsable = first + static_cast<int64_t>(available) - 1 - kInterpAfter;
        const double usable = std::floor((static_cast<double>(lastUsable) - block.start) / step);
        block.produced = usable < 0.0 ? 0 : std::min(frames, static_cast<size_t>(usable) + 1);
    }
}

const float* Mixer::resample(Voice& voice, const VoiceBlock& block) {
    const size_t channels = static_cast<size_t>(voice.source.channels);
    const size_t tapsOffset = (block.lead + kInterpBefore) * channels;
    const float* rows = resampleRows(config_.resampler, scratch_.data() + tapsOffset, channels,
                                     block, resampled_.data());
    if (block.crossfade && block.produced > 0) {
        const float* raw = resampleRows(config_.resampler, rawScratch_.data() + tapsOffset,
                                        channels, block, rawResampled_.data());
        // From the path that played to the one that plays from now on.
        for (size_t k = 0; k < block.produced; ++k) {
            const float ramp = static_cast<float>(k + 1) / static_cast<float>(block.produced);
            const float w = block.wantFilter ? ramp : 1.0f - ramp;
            for (size_t c = 0; c < channels; ++c) {
                const size_t i = k * channels + c;
                resampled_[i] = raw[i] + w * (rows[i] - raw[i]);
            }
        }
        rows = resampled_.data();
    }
    if (block.antiAlias && !block.wantFilter) {
        voice.antiAlias.reset(); // faded out: the raw path carries on alone
    }
    return rows;
}

void Mixer::mixWithGains(Voice& voice, const ChannelShared& shared, const float* rows,
                         size_t produced, float* mix) {
    const size_t channels = static_cast<size_t>(voice.source.channels);
    const float volume = std::clamp(shared.volume.load(std::memory_order_relaxed), 0.0f, 1.0f);
    const float level =
        std::clamp(shared.gain.load(std::memory_order_relaxed), 0.0f, kMaxChannelGain);
    const PanGains pan =
        panGains(voice.source.channels, shared.pan.load(std::memory_order_relaxed));
    const size_t outChannels = static_cast<size_t>(config_.outputChannels);
    float targetLeft = volume * pan.left;
    float targetRight = volume * pan.right;
    if (outChannels == 1) {
        targetLeft = targetRight = channels == 1 ? volume : volume * 0.5f;
    }
    if (!voice.gainsSet) {
        voice.gainLeft = targetLeft;
        voice.gainRight = targetRight;
        voice.level = level;
        voice.gainsSet = true;
    }
    if (produced == 0) {
        return;
    }
    const float steps = static_cast<float>(produced);
    const float stepLeft = (targetLeft - voice.gainLeft) / steps;
    const float stepRight = (targetRight - voice.gainRight) / steps;
    const float stepLevel = (level - voice.level) / steps;
    // Below a gain of 1 nothing can go over that did not already; at exactly 1 the rows pass
    // untouched.
    const bool limiting = level > 1.0f || voice.level > 1.0f || voice.limit < 1.0f;
    const bool scaled = limiting || level != 1.0f || voice.level != 1.0f;
    float gl = voice.gainLeft;
    float gr = voice.gainRight;
    float g = voice.level;
    float limit = voice.limit;
    for (size_t k = 0; k < produced; ++k) {
        gl += stepLeft;
        gr += stepRight;
        g += stepLevel;
        float l = rows[k * channels];
        float r = channels > 1 ? rows[k * channels + 1] : l;
        if (scaled) {
            l *= g;
            r *= g;
        }
        if (limiting) {
            // Instant on a peak, recovering smoothly: never over full scale, no look-ahead.
            limit = std::min(1.0f, limit * limiterRecovery_);
            const float peak = std::max(std::abs(l), std::abs(r));
            if (peak * limit > 1.0f) {
                limit = 1.0f / peak;
            }
            l = std::clamp(l * limit, -1.0f, 1.0f);
            r = std::clamp(r * limit, -1.0f, 1.0f);
        }
        float* out = mix + k * outChannels;
        if (outChannels == 1) {
            out[0] += channels > 1 ? l * gl + r * gr : l * gl;
        } else {
            out[0] += l * gl;
            out[1] += r * gr;
        }
    }
    voice.gainLeft = targetLeft;
    voice.gainRight = targetRight;
    voice.level = level;
    voice.limit = limit;
}

void Mixer::advance(Voice& voice, ChannelShared& shared, const VoiceBlock& block) {
    StreamFeed* feed = voice.source.feed;
    voice.position = block.start + block.step * static_cast<double>(block.produced);
    if (feed == nullptr && voice.source.loop && voice.source.sampleFrames > 0) {
        const double total = static_cast<double>(voice.source.sampleFrames);
        const double wrapped = std::fmod(voice.position, total);
        if (block.antiAlias) {
            // The gathered frames wrap round seamlessly, so the filter carries on through.
            const int64_t loops = std::llround((voice.position - wrapped) / total);
            voice.antiAlias.rebase(loops * static_cast<int64_t>(voice.source.sampleFrames));
        }
        voice.position = wrapped;
    }
    if (feed != nullptr) {
        int64_t keep = static_cast<int64_t>(std::floor(voice.position)) - kInterpBefore;
        if (block.antiAlias && voice.antiAlias.running()) {
            keep = std::min(keep, voice.antiAlias.next());
        }
        keep = std::max<int64_t>(0, keep);
        feed->release(voice.segment.ringStart + static_cast<uint64_t>(keep));
    }
    if (voiceEnded(voice)) {
        // The block ran on past the end (in silence); the voice ended at its last frame.
        const double last =
            feed == nullptr ? static_cast<double>(voice.source.sampleFrames)
                            : static_cast<double>(voice.segment.ringEnd - voice.segment.ringStart);
        const double into = block.step > 0.0 ? std::ceil((last - block.start) / block.step) : 0.0;
        voice.position = std::min(voice.position, last);
        voice.active = false;
        shared.endedAt.store(spanStart_ + static_cast<uint64_t>(std::clamp(
                                              into, 0.0, static_cast<double>(block.produced))),
                             std::memory_order_relaxed);
        shared.endedGeneration.store(voice.generation, std::memory_order_release);
    }
    shared.position.store(ChannelShared::pack(voice.generation, sourceFrameOf(voice)),
                          std::memory_order_release);
}

} // namespace soundlib
