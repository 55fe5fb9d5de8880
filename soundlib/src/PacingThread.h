// A thread that calls a function once per audio block, paced by the steady clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace soundlib {

// When block `blockIndex` is due, counted from the first block. Exact integer arithmetic, so
// deadlines never drift however long the output runs.
std::chrono::nanoseconds blockDeadline(uint64_t blockIndex, size_t blockFrames, int sampleRate);

class PacingThread {
public:
    PacingThread() = default;
    ~PacingThread();
    PacingThread(const PacingThread&) = delete;
    PacingThread& operator=(const PacingThread&) = delete;

    // Calls tick() at once and then every blockFrames / sampleRate seconds until stop(). If the
    // thread falls far behind (a suspended machine, a stalled disk) it restarts the clock instead
    // of catching up in a burst. False when the thread cannot be created.
    bool start(size_t blockFrames, int sampleRate, std::function<void()> tick);
    // Wakes the thread and joins it; tick() is not running and never runs again once this
    // returns. Must not be called from tick().
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    void run(size_t blockFrames, int sampleRate);

    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::thread thread_;
};

} // namespace soundlib
