// A processing unit behind a handle: what kind it is, its running state, the parameter values
// the caller set, and the hand-over of those values to the mixer.
//
// Threads: the caller's thread sets parameters and the bypass flag through atomics; the mixer
// picks them up at the start of a block (beginBlock) and is the only thread that touches the
// running unit while it is in a chain. Attaching and leaving fade between the dry and the
// processed sound so that switching a unit on or off does not click.
#pragma once

#include "DspDescription.h"
#include "soundlib.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace soundlib {

class System;

class Dsp {
public:
    // Makes the unit with the published defaults for the format; reformat() prepares it.
    Dsp(const DspDescription& description, FMOD_SYSTEM creator, int sampleRate, int channels,
        size_t maxBlockFrames);

    const DspDescription& description() const { return description_; }
    FMOD_SYSTEM creator() const { return creator_; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    int parameterCount() const { return static_cast<int>(values_.size()); }
    bool prepared() const { return prepared_; }

    // Caller's thread. reformat() only while no mixer holds the unit.
    void reformat(int sampleRate, int channels);
    // 37 for an unknown index or a value the parameter does not take (nothing changes then).
    FMOD_RESULT setParameter(int index, float value);
    FMOD_RESULT parameter(int index, float& value) const;
    void setBypass(bool bypass) {
        bypass_ = bypass;
        sharedBypass_.store(bypass, std::memory_order_relaxed);
    }
    bool bypassed() const { return bypass_; }

    // Where the unit is, kept by the systems on the caller's thread: `system` is set while a
    // mixer holds the unit (attached, or detached but not yet let go of).
    System* system() const { return system_; }
    bool attached() const { return attached_; }
    uint64_t detachSequence() const { return detachSequence_; }
    void setPlace(System* system, bool attached, uint64_t detachSequence = 0) {
        system_ = system;
        attached_ = attached;
        detachSequence_ = detachSequence;
    }

    // Mixer thread.
    void enterChain() noexcept;  // forgets old audio, fades in
    void markLeaving() noexcept; // fades out during the next block, then leaves
    void stayInChain() noexcept; // attached again before it had left
    bool leaving() const { return leaving_; }
    // Takes the caller's changes; a leaving unit must reach silence within firstFrames.
    void beginBlock(size_t firstFrames) noexcept;
    void run(float* interleaved, size_t frames) noexcept;
    size_t tailFrames() const noexcept { return unit_->tailFrames(); }

private:
    void applyPending() noexcept;

    const DspDescription& description_;
    FMOD_SYSTEM creator_;
    int sampleRate_;
    int channels_;
    size_t maxBlockFrames_;
    std::unique_ptr<DspUnit> unit_;
    bool prepared_ = false;

    // Caller's side.
    std::vector<float> values_;
    bool bypass_ = false;
    System* system_ = nullptr;
    bool attached_ = false;
    uint64_t detachSequence_ = 0;

    // Handed over: the newest value of each parameter and a bit per parameter that changed.
    std::unique_ptr<std::atomic<float>[]> pending_;
    std::atomic<uint32_t> dirty_{0};
    std::atomic<bool> sharedBypass_{false};

    // Mixer's side: share of the processed sound in the output (0 dry .. 1 processed).
    float mix_ = 0.0f;
    float mixTarget_ = 0.0f;
    float mixStep_ = 1.0f;
    float fadeStep_ = 1.0f;
    bool mixerBypass_ = false;
    bool leaving_ = false;
    std::vector<float> dry_;
};

} // namespace soundlib
