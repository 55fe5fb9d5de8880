#include "WaveWriterOutput.h"

#include <cstdlib>
#include <exception>

namespace soundlib {

WaveWriterOutput::~WaveWriterOutput() {
    stop();
}

std::filesystem::path WaveWriterOutput::outputPath() {
    const char* path = std::getenv("SORVEL_WAVE_OUT");
    if (path && *path)
        return path;
    return "sorvel_output.wav";
}

FMOD_RESULT WaveWriterOutput::start(const OutputConfig& config, Renderer& renderer) {
    stop();
    if (config.sampleRate <= 0 || config.channels <= 0 || config.blockFrames == 0)
        return FMOD_ERR_INVALID_PARAM;
    const auto format = wavFormatFor(config.format, config.sampleRate, config.channels);
    if (!format)
        return FMOD_ERR_OUTPUT_FORMAT;
    const std::filesystem::path path = outputPath();
    try {
        block_.assign(config.blockFrames * static_cast<size_t>(config.channels), 0.0f);
        if (!file_.open(path, *format, config.format, config.blockFrames))
            return FMOD_ERR_OUTPUT_INIT;
    } catch (const std::exception&) { // absurd sizes
        return FMOD_ERR_MEMORY;
    }
    blockFrames_ = config.blockFrames;
    renderer_ = &renderer;
    if (realTime_ && !pacing_.start(blockFrames_, config.sampleRate, [this] { renderBlock(); })) {
        // No thread means no audio: leave no empty file behind either.
        stop();
        std::error_code ignored;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ignored)))
            std::filesystem::remove(path, ignored);
        return FMOD_ERR_OUTPUT_INIT;
    }
    return FMOD_OK;
}

void WaveWriterOutput::stop() {
    pacing_.stop();
    renderer_ = nullptr;
    file_.finish();
}

void WaveWriterOutput::pump() {
    if (!realTime_)
        renderBlock();
}

void WaveWriterOutput::renderBlock() noexcept {
    if (!renderer_)
        return;
    renderer_->render(block_.data(), blockFrames_);
    file_.write(block_.data(), blockFrames_);
}

} // namespace soundlib
