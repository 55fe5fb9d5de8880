#include "NoSoundOutput.h"

#include <exception>

namespace soundlib {

NoSoundOutput::~NoSoundOutput() {
    stop();
}

FMOD_RESULT NoSoundOutput::start(const OutputConfig& config, Renderer& renderer) {
    stop();
    if (config.sampleRate <= 0 || config.channels <= 0 || config.blockFrames == 0)
        return FMOD_ERR_INVALID_PARAM;
    try {
        block_.assign(config.blockFrames * static_cast<size_t>(config.channels), 0.0f);
    } catch (const std::exception&) { // absurd sizes
        return FMOD_ERR_MEMORY;
    }
    blockFrames_ = config.blockFrames;
    renderer_ = &renderer;
    if (realTime_ && !pacing_.start(blockFrames_, config.sampleRate, [this] { renderBlock(); })) {
        renderer_ = nullptr;
        return FMOD_ERR_OUTPUT_INIT;
    }
    return FMOD_OK;
}

void NoSoundOutput::stop() {
    pacing_.stop();
    renderer_ = nullptr;
}

void NoSoundOutput::pump() {
    if (!realTime_)
        renderBlock();
}

void NoSoundOutput::renderBlock() noexcept {
    if (renderer_)
        renderer_->render(block_.data(), blockFrames_);
}

} // namespace soundlib
