#include "System.h"

#include "handle_table.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>

namespace soundlib {
namespace {

constexpr size_t kOutputBlockFrames = 1024;

// Each system starts its channel generations elsewhere, so a handle kept from a closed system
// does not match a channel of the next one by accident.
uint16_t firstGenerationForNewSystem() {
    static std::atomic<uint32_t> counter{0};
    const uint32_t n = counter.fetch_add(1, std::memory_order_relaxed);
    return static_cast<uint16_t>(((n * 7919u) & 0xFFFEu) | 1u);
}

bool urgent(MixerCommand::Kind kind) {
    return kind == MixerCommand::Kind::Start || kind == MixerCommand::Kind::Stop ||
           kind == MixerCommand::Kind::Seek;
}

} // namespace

int outputChannelsFor(FMOD_SPEAKERMODE mode, int numOutputChannels) {
    switch (mode) {
    case FMOD_SPEAKERMODE_MONO:
        return 1;
    case FMOD_SPEAKERMODE_QUAD:
        return 4;
    case FMOD_SPEAKERMODE_SURROUND:
        return 5;
    case FMOD_SPEAKERMODE_5POINT1:
        return 6;
    case FMOD_SPEAKERMODE_7POINT1:
        return 8;
    case FMOD_SPEAKERMODE_RAW:
        return numOutputChannels > 0 ? numOutputChannels : 2;
    default:
        return 2;
    }
}

System::System(uint32_t tableSlot) : tableSlot_(tableSlot) {}

System::~System() {
    close();
}

bool System::threadedStreams() const {
    return output_ && output_->realTime();
}

FMOD_RESULT System::init(int maxChannels) {
    if (initialized()) {
        return FMOD_ERR_INITIALIZED;
    }
    if (maxChannels <= 0 || maxChannels > kMaxChannels) {
        return FMOD_ERR_INVALID_PARAM;
    }
    const int channels = outputChannelsFor(settings.speakerMode, settings.numOutputChannels);

    // Autodetect tries the sound server, then ALSA, then plays silently; a chosen type is the
    // only one tried. Only the first choice gets the chosen driver: a fallback's own list has
    // other names.
    FMOD_RESULT result = FMOD_ERR_OUTPUT_INIT;
    const std::vector<FMOD_OUTPUTTYPE> candidates = outputCandidates(settings.output);
    for (size_t i = 0; i < candidates.size(); ++i) {
        auto output = createOutput(candidates[i], result);
        if (!output) {
            continue;
        }
        MixerConfig mixerConfig;
        mixerConfig.outputRate = settings.sampleRate;
        mixerConfig.outputChannels = channels;
        mixerConfig.resampler = settings.resampler;
        mixerConfig.maxChannels = static_cast<size_t>(maxChannels);
        mixerConfig.synchronousStreams = !output->realTime();
        auto mixer = std::make_unique<Mixer>(mixerConfig);
        result = output->start(outputConfig(i == 0 ? settings.driver : 0), *mixer);
        if (result == FMOD_OK) {
            slots_.assign(static_cast<size_t>(maxChannels), ChannelSlot{});
            const uint16_t generation = firstGenerationForNewSystem();
            for (ChannelSlot& slot : slots_) {
                slot.generation = generation;
            }
            mixer_ = std::move(mixer);
            output_ = std::move(output);
            outputBase_ = 0;
            activeOutput_ = candidates[i];
            return FMOD_OK;
        }
    }
    return result;
}

OutputConfig System::outputConfig(int driver) const {
    OutputConfig config;
    config.sampleRate = settings.sampleRate;
    config.channels = outputChannelsFor(settings.speakerMode, settings.numOutputChannels);
    config.format = settings.format;
    config.blockFrames = kOutputBlockFrames;
    config.driver = driver;
    config.latencyMs = settings.outputLatencyMs;
    config.mediaTitle = settings.mediaTitle;
    return config;
}

void System::close() {
    if (output_) {
        output_->stop();
    }
    // The mixer is silent now: nothing else can touch the retired sounds and units, and the
    // attached units are free to join another system.
    retired_.clear();
    for (Dsp* dsp : chain_) {
        dsp->setPlace(nullptr, false);
    }
    for (Dsp* dsp : detaching_) {
        dsp->setPlace(nullptr, false);
    }
    chain_.clear();
    detaching_.clear();
    backlog_.clear();
    output_.reset();
    mixer_.reset();
    slots_.clear();
}

FMOD_RESULT System::update() {
    if (!initialized()) {
        return FMOD_ERR_UNINITIALIZED;
    }
    flushBacklog();
    output_->pump();
    collectRetired();
    return output_->lost() ? carryOnWithoutSound() : FMOD_OK;
}

FMOD_RESULT System::carryOnWithoutSound() {
    // The mixer goes on, paced by the clock, so channels still end, the player still moves
    // through its list and nothing waits for a server that is gone.
    std::fprintf(stderr, "soundlib: the sound output went away; playing on without sound\n");
    output_->stop();
    FMOD_RESULT result = FMOD_OK;
    if (auto silent = createOutput(FMOD_OUTPUTTYPE_NOSOUND, result)) {
        const uint64_t base = mixer_->renderedFrames();
        if (silent->start(outputConfig(0), *mixer_) == FMOD_OK) {
            output_ = std::move(silent);
            outputBase_ = base;
            activeOutput_ = FMOD_OUTPUTTYPE_NOSOUND;
        }
    }
    return FMOD_ERR_OUTPUT_DRIVERCALL;
}

std::optional<uint64_t> System::heardFrame() const {
    if (!output_) {
        return std::nullopt;
    }
    const std::optional<uint64_t> heard = output_->heardFrame();
    if (!heard) {
        return std::nullopt;
    }
    return outputBase_ + *heard;
}

int System::outputLatencyMs() const {
    const std::optional<uint64_t> heard = heardFrame();
    if (!heard || !mixer_) {
        return 0;
    }
    const uint64_t mixed = mixer_->renderedFrames();
    return mixed > *heard ? static_cast<int>((mixed - *heard) * 1000 / outputRate()) : 0;
}

void System::setMediaTitle(const std::string& title) {
    settings.mediaTitle = title;
    if (output_) {
        output_->setMediaTitle(title);
    }
}

void System::send(MixerCommand command, bool heard) {
    command.sequence = ++sequence_;
    // Announced before the command is in the queue, so an output that drops its queued audio
    // for it never drops what was mixed after it; and once it is there.
    const bool heardAtOnce = heard && urgent(command.kind);
    if (heardAtOnce) {
        output_->changeComing();
    }
    flushBacklog();
    if (!backlog_.empty() || !mixer_->post(command)) {
        // The mixer is not draining its queue (a stalled device): keep order, retry later.
        backlog_.push_back(command);
    }
    if (heardAtOnce) {
        output_->changePosted();
    }
}

void System::flushBacklog() {
    while (!backlog_.empty() && mixer_->post(backlog_.front())) {
        backlog_.pop_front();
    }
}

void System::collectRetired() {
    const uint64_t applied = mixer_ ? mixer_->appliedSequence() : UINT64_MAX;
    std::erase_if(retired_, [applied](const Retired& r) { return r.sequence <= applied; });
    std::erase_if(detaching_, [applied](Dsp* dsp) {
        if (dsp->detachSequence() > applied) {
            return false;
        }
        dsp->setPlace(nullptr, false);
        return true;
    });
}

void System::retire(std::unique_ptr<Sound> sound) {
    if (!sound) {
        return;
    }
    sound->shutdown();
    if (!initialized()) {
        return; // no mixer: free at once
    }
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].sound == sound.get()) {
            stopChannel(i);
        }
    }
    flushBacklog();
    retired_.push_back({std::move(sound), nullptr, sequence_});
    collectRetired();
}

FMOD_RESULT System::attachDsp(Dsp& dsp) {
    if (!initialized()) {
        return FMOD_ERR_UNINITIALIZED;
    }
    if (dsp.system() != nullptr && dsp.system() != this) {
        return FMOD_ERR_DSP_CONNECTION;
    }
    if (dsp.attached()) {
        return FMOD_OK;
    }
    if (chain_.size() >= Mixer::kChainCapacity) {
        return FMOD_ERR_DSP_TOOMANYCONNECTIONS;
    }
    if (dsp.system() == nullptr && (!dsp.prepared() || dsp.sampleRate() != outputRate() ||
                                    dsp.channels() != outputChannels())) {
        // Made for another format (a system since closed or another one): no mixer holds it.
        dsp.reformat(outputRate(), outputChannels());
    }
    std::erase(detaching_, &dsp);
    chain_.push_back(&dsp);
    dsp.setPlace(this, true);
    MixerCommand command;
    command.kind = MixerCommand::Kind::AttachDsp;
    command.dsp = &dsp;
    send(command);
    return FMOD_OK;
}

void System::detachDsp(Dsp& dsp) {
    if (dsp.system() != this || !dsp.attached()) {
        return;
    }
    std::erase(chain_, &dsp);
    MixerCommand command;
    command.kind = MixerCommand::Kind::DetachDsp;
    command.dsp = &dsp;
    send(command);
    dsp.setPlace(this, false, sequence_);
    detaching_.push_back(&dsp);
}

void System::retireDsp(std::unique_ptr<Dsp> dsp) {
    if (!dsp || dsp->system() != this) {
        return; // no mixer holds it: freed here
    }
    detachDsp(*dsp);
    std::erase(detaching_, dsp.get());
    flushBacklog();
    retired_.push_back({nullptr, std::move(dsp), sequence_});
    collectRetired();
}

FMOD_RESULT System::spectrum(float* out, int numValues, int channel, FMOD_DSP_FFT_WINDOW window) {
    if (!initialized()) {
        return FMOD_ERR_UNINITIALIZED;
    }
    if (numValues < 64 || numValues > 8192 ||
        !std::has_single_bit(static_cast<unsigned>(numValues)) || channel < 0 ||
        channel >= outputChannels() || window < FMOD_DSP_FFT_WINDOW_RECT ||
        window > FMOD_DSP_FFT_WINDOW_BLACKMANHARRIS) {
        return FMOD_ERR_INVALID_PARAM;
    }
    const auto count = static_cast<size_t>(numValues);
    snapshot_.resize(2 * count);
    mixer_->tap().latest(channel, 2 * count, snapshot_.data(), heardFrame());
    if (std::all_of(snapshot_.begin(), snapshot_.end(), [](float v) { return v == 0.0f; })) {
        std::fill_n(out, count, 0.0f); // silence: what the transform would give, at once
        return FMOD_OK;
    }
    analyzer_.analyse(snapshot_.data(), count, window, out);
    return FMOD_OK;
}

FMOD_RESULT System::waveData(float* out, int numValues, int channel) {
    if (!initialized()) {
        return FMOD_ERR_UNINITIALIZED;
    }
    if (numValues < 1 || static_cast<size_t>(numValues) > SpectrumTap::kMaxRead || channel < 0 ||
        channel >= outputChannels()) {
        return FMOD_ERR_INVALID_PARAM;
    }
    mixer_->tap().latest(channel, static_cast<size_t>(numValues), out, heardFrame());
    // The mix may run hot before the output clips it; callers draw within -1..1.
    std::transform(out, out + numValues, out,
                   [](float v) { return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f); });
    return FMOD_OK;
}

FMOD_CHANNEL System::channelHandle(size_t index) const {
    return makeHandle(HandleKind::Channel, (tableSlot_ << 10) | static_cast<uint32_t>(index),
                      slots_[index].generation);
}

bool System::live(size_t index) {
    ChannelSlot& slot = slots_[index];
    const ChannelShared& shared = mixer_->shared(index);
    if (slot.active && shared.endedGeneration.load(std::memory_order_acquire) == slot.generation) {
        // It plays on until its last frame is heard.
        const std::optional<uint64_t> heard = heardFrame();
        if (heard && *heard < shared.endedAt.load(std::memory_order_relaxed)) {
            return true;
        }
        slot.active = false;
        slot.sound = nullptr;
        slot.soundHandle = 0;
    }
    return slot.active;
}

FMOD_RESULT System::channelSlot(FMOD_CHANNEL handle, ChannelSlot*& slot, size_t& index) {
    if (!initialized() || handleKind(handle) != HandleKind::Channel ||
        (handleSlot(handle) >> 10) != tableSlot_) {
        return FMOD_ERR_INVALID_HANDLE;
    }
    index = handleSlot(handle) & 1023u;
    if (index >= slots_.size()) {
        return FMOD_ERR_INVALID_HANDLE;
    }
    const uint16_t generation = handleGeneration(handle);
    ChannelSlot& candidate = slots_[index];
    if (candidate.generation != generation) {
        return generation == candidate.stolenGeneration ? FMOD_ERR_CHANNEL_STOLEN
                                                        : FMOD_ERR_INVALID_HANDLE;
    }
    if (!live(index)) {
        return FMOD_ERR_INVALID_HANDLE;
    }
    slot = &candidate;
    return FMOD_OK;
}

void System::stopChannel(size_t index) {
    ChannelSlot& slot = slots_[index];
    if (slot.active) {
        MixerCommand command;
        command.kind = MixerCommand::Kind::Stop;
        command.slot = static_cast<uint16_t>(index);
        command.generation = slot.generation;
        // One still waiting for another channel's end has never been heard: what is queued
        // of the others must play on.
        send(command, !mixer_->shared(index).waiting.load(std::memory_order_acquire));
    }
    slot.active = false;
    slot.sound = nullptr;
    slot.soundHandle = 0;
}

FMOD_RESULT System::playSound(FMOD_CHANNELINDEX channelIndex, FMOD_SOUND soundHandle, Sound& sound,
                              bool paused, FMOD_CHANNEL* channel, std::optional<size_t> after) {
    size_t index = slots_.size();
    if (channelIndex == FMOD_CHANNEL_REUSE && channel != nullptr && *channel != 0) {
        ChannelSlot* reused = nullptr;
        size_t reusedIndex = 0;
        if (channelSlot(*channel, reused, reusedIndex) == FMOD_OK) {
            index = reusedIndex;
        }
    } else if (channelIndex >= 0) {
        if (static_cast<size_t>(channelIndex) >= slots_.size()) {
            return FMOD_ERR_INVALID_PARAM;
        }
        index = static_cast<size_t>(channelIndex);
    } else if (channelIndex != FMOD_CHANNEL_FREE && channelIndex != FMOD_CHANNEL_REUSE) {
        return FMOD_ERR_INVALID_PARAM;
    }

    const int priority = 128;
    bool stealing = false;
    if (index == slots_.size()) {
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (!live(i)) {
                index = i;
                break;
            }
        }
    }
    if (index == slots_.size()) {
        // All busy: take the least important channel, the oldest among equals.
        for (size_t i = 0; i < slots_.size(); ++i) {
            const ChannelSlot& s = slots_[i];
            if (s.priority < priority) {
                continue;
            }
            if (index == slots_.size() || s.priority > slots_[index].priority ||
                (s.priority == slots_[index].priority && s.startOrder < slots_[index].startOrder)) {
                index = i;
            }
        }
        if (index == slots_.size()) {
            return FMOD_ERR_CHANNEL_ALLOC;
        }
        stealing = true;
    }
    if (after && index == *after) {
        return FMOD_ERR_CHANNEL_ALLOC; // taking the leader's slot would end what it waits for
    }

    // A stream plays on one channel at a time.
    if (sound.isStream()) {
        for (size_t i = 0; i < slots_.size(); ++i) {
            if (i != index && slots_[i].sound == &sound && live(i)) {
                stopChannel(i);
            }
        }
    }

    ChannelSlot& slot = slots_[index];
    if (live(index)) {
        stopChannel(index);
    }
    const uint16_t previous = slot.generation;
    slot.stolenGeneration = stealing ? previous : 0;
    slot.generation = nextGeneration(previous);
    slot.active = true;
    slot.sound = &sound;
    slot.soundHandle = soundHandle;
    slot.priority = priority;
    slot.startOrder = ++startOrder_;
    slot.knownPosition = 0;

    ChannelShared& shared = mixer_->shared(index);
    shared.volume.store(1.0f, std::memory_order_relaxed);
    shared.gain.store(1.0f, std::memory_order_relaxed);
    shared.pan.store(0.0f, std::memory_order_relaxed);
    shared.frequency.store(static_cast<float>(sound.sampleRate()), std::memory_order_relaxed);
    shared.paused.store(paused, std::memory_order_relaxed);
    shared.waiting.store(after.has_value(), std::memory_order_release);

    MixerCommand command;
    command.kind = MixerCommand::Kind::Start;
    command.slot = static_cast<uint16_t>(index);
    command.generation = slot.generation;
    command.source = sound.voiceSource();
    command.position = 0;
    if (after) {
        command.afterLeader = true;
        command.leaderSlot = static_cast<uint16_t>(*after);
        command.leaderGeneration = slots_[*after].generation;
    }
    if (StreamFeed* feed = sound.feed()) {
        if (sound.streamUsed) {
            sound.streamSerial = feed->requestSeek(0);
        }
        sound.streamUsed = true;
        command.streamSerial = sound.streamSerial;
    }
    send(command, !after);
    slot.lastCommand = sequence_;
    *channel = channelHandle(index);
    return FMOD_OK;
}

FMOD_RESULT System::seekChannel(size_t index, uint64_t frame) {
    ChannelSlot& slot = slots_[index];
    MixerCommand command;
    command.kind = MixerCommand::Kind::Seek;
    command.slot = static_cast<uint16_t>(index);
    command.generation = slot.generation;
    command.position = frame;
    if (StreamFeed* feed = slot.sound->feed()) {
        slot.sound->streamSerial = feed->requestSeek(frame);
        command.streamSerial = slot.sound->streamSerial;
    }
    send(command);
    slot.lastCommand = sequence_;
    slot.knownPosition = frame;
    return FMOD_OK;
}

uint64_t System::channelPosition(size_t index) {
    const ChannelSlot& slot = slots_[index];
    if (mixer_->appliedSequence() < slot.lastCommand) {
        return slot.knownPosition; // the mixer has not seen the last start or seek yet
    }
    const ChannelShared& shared = mixer_->shared(index);
    if (const std::optional<uint64_t> heard = heardFrame()) {
        const PlayedBlocks::Answer answer = shared.played.positionAt(slot.generation, *heard);
        if (answer.heard == PlayedBlocks::Heard::At) {
            return answer.frame;
        }
        if (answer.heard == PlayedBlocks::Heard::Before) {
            return slot.knownPosition;
        }
    }
    const uint64_t packed = shared.position.load(std::memory_order_acquire);
    if (static_cast<uint16_t>(packed >> 48) != slot.generation) {
        return slot.knownPosition;
    }
    return packed & 0xFFFFFFFFFFFFull;
}

int System::channelsPlaying() {
    int count = 0;
    for (size_t i = 0; i < slots_.size(); ++i) {
        count += live(i) ? 1 : 0;
    }
    return count;
}

} // namespace soundlib
