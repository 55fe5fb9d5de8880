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
    if (realTime_ &&
        !pacing_.start(
            blockFrames_, config.sampleRate, [this] { return renderBlock(); }, [](uint64_t) {})) {
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

void NoSoundOutput::changeComing() noexcept {
    if (realTime_)
        pacing_.wake();
}

void NoSoundOutput::soundComing() noexcept {
    changeComing();
}

bool NoSoundOutput::renderBlock() noexcept {
    if (!renderer_)
        return false;
    renderer_->render(block_.data(), blockFrames_);
    return renderer_->restingFrames() > 0;
}

} // namespace soundlib
