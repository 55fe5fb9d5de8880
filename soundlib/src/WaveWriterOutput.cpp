#include "WaveWriterOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <system_error>

namespace soundlib {

namespace {

// How far the disk may fall behind the paced output before blocks are dropped.
constexpr size_t kBufferedSeconds = 4;
constexpr size_t kMinBufferedBlocks = 4;

} // namespace

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
    if (realTime_ && (!startWriter(config.sampleRate) ||
                      !pacing_.start(
                          blockFrames_, config.sampleRate, [this] { return renderAndHandOver(); },
                          [this](uint64_t blocks) { handOverSilence(blocks); }))) {
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
    stopWriter();
    renderer_ = nullptr;
    file_.finish();
    if (droppedBlocks_ > 0) {
        std::fprintf(stderr, "soundlib: wave writer: the disk fell behind, %llu blocks dropped\n",
                     static_cast<unsigned long long>(droppedBlocks_));
        droppedBlocks_ = 0;
    }
}

void WaveWriterOutput::pump() {
    if (!realTime_)
        renderAndWrite();
}

bool WaveWriterOutput::startWriter(int sampleRate) {
    const size_t samples = block_.size();
    const size_t count = std::max(
        kMinBufferedBlocks,
        (kBufferedSeconds * static_cast<size_t>(sampleRate) + blockFrames_ - 1) / blockFrames_);
    try {
        blocks_.assign(count * samples, 0.0f);
        free_.emplace(count);
        filled_.emplace(count);
        for (uint32_t i = 0; i < count; ++i)
            free_->push(i);
        stopWriting_.store(false, std::memory_order_relaxed);
        writer_ = std::thread([this] { writeHandedBlocks(); });
    } catch (const std::exception&) { // absurd sizes, or no thread
        return false;
    }
    return true;
}

void WaveWriterOutput::stopWriter() {
    if (!writer_.joinable())
        return;
    stopWriting_.store(true, std::memory_order_relaxed);
    handedOver_.release(); // publishes stopWriting_ to the writer
    writer_.join();
}

void WaveWriterOutput::writeHandedBlocks() {
    const size_t samples = block_.size();
    for (;;) {
        handedOver_.acquire();
        uint32_t index = 0;
        if (filled_->pop(index)) {
            file_.write(blocks_.data() + index * samples, blockFrames_);
            free_->push(index);
        } else if (stopWriting_.load(std::memory_order_relaxed)) {
            // Every block's release came before the one to stop, so all of them are written.
            return;
        }
    }
}

void WaveWriterOutput::changeComing() noexcept {
    if (realTime_)
        pacing_.wake();
}

void WaveWriterOutput::soundComing() noexcept {
    changeComing();
}

bool WaveWriterOutput::renderAndHandOver() noexcept {
    if (!renderer_)
        return false;
    uint32_t index = 0;
    if (!free_->pop(index)) {
        // The writer is seconds behind: keep the mixer's pace and lose this block.
        renderer_->render(block_.data(), blockFrames_);
        ++droppedBlocks_;
        return renderer_->restingFrames() > 0;
    }
    float* block = blocks_.data() + index * block_.size();
    renderer_->render(block, blockFrames_);
    filled_->push(index);
    handedOver_.release();
    return renderer_->restingFrames() > 0;
}

void WaveWriterOutput::handOverSilence(uint64_t blocks) noexcept {
    const size_t samples = block_.size();
    for (uint64_t i = 0; i < blocks; ++i) {
        uint32_t index = 0;
        if (!free_->pop(index)) {
            ++droppedBlocks_; // the writer is seconds behind
            continue;
        }
        std::fill_n(blocks_.data() + index * samples, samples, 0.0f);
        filled_->push(index);
        handedOver_.release();
    }
}

void WaveWriterOutput::renderAndWrite() noexcept {
    if (!renderer_)
        return;
    renderer_->render(block_.data(), blockFrames_);
    file_.write(block_.data(), blockFrames_);
}

} // namespace soundlib
