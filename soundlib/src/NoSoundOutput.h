// Output that renders and drops the audio: paced like a device, or one block per pump(). Paced,
// it rests while the mixer renders plain silence (see PacingThread): the blocks in between need
// nothing from anyone.
#pragma once

#include "PacingThread.h"
#include "output.h"

#include <vector>

namespace soundlib {

class NoSoundOutput final : public Output {
public:
    explicit NoSoundOutput(bool realTime) : realTime_(realTime) {}
    ~NoSoundOutput() override;

    FMOD_RESULT start(const OutputConfig& config, Renderer& renderer) override;
    void stop() override;
    bool realTime() const override { return realTime_; }
    void pump() override;
    void changeComing() noexcept override;
    void soundComing() noexcept override;

private:
    // True when the block was plain silence.
    bool renderBlock() noexcept;

    const bool realTime_;
    Renderer* renderer_ = nullptr;
    std::vector<float> block_;
    size_t blockFrames_ = 0;
    PacingThread pacing_;
};

} // namespace soundlib
