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
// How many blocks are due once `elapsed` has passed since the first: those whose deadline is
// not later than it.
uint64_t blocksDue(std::chrono::nanoseconds elapsed, size_t blockFrames, int sampleRate);

class PacingThread {
public:
    // A second of blocks that are plain silence before the thread rests, and how long it sleeps
    // at a time while resting.
    static constexpr std::chrono::milliseconds kRestAfter{1000};
    static constexpr std::chrono::milliseconds kRestStep{500};

    PacingThread() = default;
    ~PacingThread();
    PacingThread(const PacingThread&) = delete;
    PacingThread& operator=(const PacingThread&) = delete;

    // Calls tick() at once and then every blockFrames / sampleRate seconds until stop(). If the
    // thread falls far behind (a suspended machine, a stalled disk) it restarts the clock instead
    // of catching up in a burst. False when the thread cannot be created.
    //
    // tick() answers whether its block was plain silence with nothing playing. With `rest`, once
    // that has held for kRestAfter and no wake() came meanwhile, the thread rests: it wakes
    // every kRestStep, hands rest() the number of blocks due meanwhile but one, for which the
    // output stands in with silence of its own, and calls tick() for the last. wake() ends the
    // rest at once: the blocks already due are handed to rest() and the next one is ticked at
    // its time. Blocks keep their deadlines throughout.
    bool start(size_t blockFrames, int sampleRate, std::function<bool()> tick,
               std::function<void(uint64_t blocks)> rest = {});
    // Wakes the thread and joins it; tick() is not running and never runs again once this
    // returns. Must not be called from tick().
    void stop();
    // Something may be heard from the next block on: stop resting. Any thread but the pacing
    // thread; returns at once.
    void wake();
    bool running() const { return thread_.joinable(); }

private:
    void run(size_t blockFrames, int sampleRate);

    std::function<bool()> tick_;
    std::function<void(uint64_t)> rest_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
    bool woken_ = false;
    std::thread thread_;
};

} // namespace soundlib
