// Output to a sound device through RtAudio (ALSA, JACK): float32 interleaved, the device's
// callback thread pulls audio straight into the device buffer.
#pragma once

#include "output.h"

#include <RtAudio.h>
#include <memory>

namespace soundlib {

class RtAudioOutput final : public Output {
public:
    // `type` is FMOD_OUTPUTTYPE_ALSA or _JACK.
    explicit RtAudioOutput(FMOD_OUTPUTTYPE type);
    ~RtAudioOutput() override;

    // Opens device `config.driver` of listDrivers(type) with config.blockFrames per callback
    // (the device may pick another size). Answers 37 for a driver index outside the list, 61
    // when there is no device or it will not open.
    FMOD_RESULT start(const OutputConfig& config, Renderer& renderer) override;
    void stop() override;
    bool realTime() const override { return true; }

private:
    static int onDevice(void* output, void* input, unsigned int frames, double streamTime,
                        RtAudioStreamStatus status, void* self);
    FMOD_RESULT open(const OutputConfig& config, RtAudio::Api api);

    const FMOD_OUTPUTTYPE type_;
    Renderer* renderer_ = nullptr;
    size_t channels_ = 0;
    std::unique_ptr<RtAudio> audio_;
};

} // namespace soundlib
