// Output that writes the mix to a WAVE file: paced like a device, or one block per pump().
#pragma once

#include "PacingThread.h"
#include "WaveFileWriter.h"
#include "output.h"

#include <filesystem>
#include <vector>

namespace soundlib {

class WaveWriterOutput final : public Output {
public:
    explicit WaveWriterOutput(bool realTime) : realTime_(realTime) {}
    ~WaveWriterOutput() override;

    // The file goes to $SORVEL_WAVE_OUT, else sorvel_output.wav in the current folder.
    // Answers 61 when it cannot be created, 60 for formats other than PCM8..PCMFLOAT.
    FMOD_RESULT start(const OutputConfig& config, Renderer& renderer) override;
    // Finishes the file (sizes in the header); the destructor does it too.
    void stop() override;
    bool realTime() const override { return realTime_; }
    void pump() override;

    static std::filesystem::path outputPath();

private:
    void renderBlock() noexcept;

    const bool realTime_;
    Renderer* renderer_ = nullptr;
    std::vector<float> block_;
    size_t blockFrames_ = 0;
    WaveFileWriter file_;
    PacingThread pacing_;
};

} // namespace soundlib
