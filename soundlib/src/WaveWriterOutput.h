// Output that writes the mix to a WAVE file: paced like a device, or one block per pump().
//
// Paced (real time), the pacing thread only renders: each block goes into one of a set of
// blocks allocated at start and is handed through a lock-free queue to a writer thread, which
// converts and writes it, so a slow disk never holds up the mixer. The set holds a few seconds
// of audio; should the disk fall further behind than that, the pacing thread renders the next
// blocks into a spare one and drops them (the file then lacks them; stop() says how many on
// stderr). stop() writes every block handed over before it finishes the file. While the mixer
// renders plain silence the pacing thread rests (see PacingThread) and hands the writer the
// blocks of silence due meanwhile in a batch, so the file still follows the clock.
// Non-real-time, pump() renders and writes on the caller's thread, where waiting is allowed.
#pragma once

#include "PacingThread.h"
#include "SpscQueue.h"
#include "WaveFileWriter.h"
#include "output.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <semaphore>
#include <thread>
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
    void changeComing() noexcept override;
    void soundComing() noexcept override;

    static std::filesystem::path outputPath();

private:
    // Allocates the blocks and starts the writer thread. False when either fails.
    bool startWriter(int sampleRate);
    // Lets the writer write what it was handed, then joins it.
    void stopWriter();
    void writeHandedBlocks();
    // Pacing thread. True when the block was plain silence.
    bool renderAndHandOver() noexcept;
    void handOverSilence(uint64_t blocks) noexcept;
    // Non-real-time: on the caller's thread.
    void renderAndWrite() noexcept;

    const bool realTime_;
    Renderer* renderer_ = nullptr;
    std::vector<float> block_; // non-real-time block; when paced, the one for dropped audio
    size_t blockFrames_ = 0;
    WaveFileWriter file_;

    // Paced: block i is blocks_[i * block_.size() ...]; its index travels from free_ (owned by
    // the pacing thread) through filled_ (owned by the writer) and back.
    std::vector<float> blocks_;
    std::optional<SpscQueue<uint32_t>> free_;
    std::optional<SpscQueue<uint32_t>> filled_;
    std::counting_semaphore<> handedOver_{0}; // one per filled block, and one to stop
    std::atomic<bool> stopWriting_{false};
    uint64_t droppedBlocks_ = 0; // pacing thread; read after it stopped
    std::thread writer_;
    PacingThread pacing_;
};

} // namespace soundlib
