#include "PacingThread.h"

#include <algorithm>
#include <system_error>

namespace soundlib {

std::chrono::nanoseconds blockDeadline(uint64_t blockIndex, size_t blockFrames, int sampleRate) {
    if (sampleRate <= 0)
        return std::chrono::nanoseconds::zero();
    const unsigned __int128 frames = static_cast<unsigned __int128>(blockIndex) * blockFrames;
    const unsigned __int128 ns = frames * 1'000'000'000u / static_cast<unsigned>(sampleRate);
    return std::chrono::nanoseconds(static_cast<int64_t>(ns));
}

uint64_t blocksDue(std::chrono::nanoseconds elapsed, size_t blockFrames, int sampleRate) {
    if (elapsed.count() < 0)
        return 0;
    if (blockFrames == 0 || sampleRate <= 0)
        return 1;
    // Block k is due once floor(k * blockFrames * 1e9 / sampleRate) <= elapsed, that is while
    // k * blockFrames * 1e9 < (elapsed + 1) * sampleRate.
    const unsigned __int128 bound =
        (static_cast<unsigned __int128>(elapsed.count()) + 1) * static_cast<unsigned>(sampleRate);
    const unsigned __int128 perBlock = static_cast<unsigned __int128>(blockFrames) * 1'000'000'000u;
    return static_cast<uint64_t>((bound - 1) / perBlock) + 1;
}

PacingThread::~PacingThread() {
    stop();
}

bool PacingThread::start(size_t blockFrames, int sampleRate, std::function<bool()> tick,
                         std::function<void(uint64_t)> rest) {
    stop();
    if (blockFrames == 0 || sampleRate <= 0 || !tick)
        return false;
    tick_ = std::move(tick);
    rest_ = std::move(rest);
    stopRequested_ = false;
    woken_ = false;
    try {
        thread_ = std::thread([this, blockFrames, sampleRate] { run(blockFrames, sampleRate); });
    } catch (const std::system_error&) {
        tick_ = nullptr;
        rest_ = nullptr;
        return false;
    }
    return true;
}

void PacingThread::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    thread_.join();
    tick_ = nullptr;
    rest_ = nullptr;
}

void PacingThread::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

void PacingThread::run(size_t blockFrames, int sampleRate) {
    using Clock = std::chrono::steady_clock;
    const auto period = blockDeadline(1, blockFrames, sampleRate);
    const auto maxLag = std::max<Clock::duration>(std::chrono::seconds(1), period * 4);
    const uint64_t restAfter =
        std::max<uint64_t>(1, blocksDue(kRestAfter, blockFrames, sampleRate) - 1);
    const uint64_t restStride =
        std::max<uint64_t>(1, blocksDue(kRestStep, blockFrames, sampleRate) - 1);

    auto origin = Clock::now();
    uint64_t block = 0;       // the next block to hand out
    uint64_t silentTicks = 0; // in a row, since the last wake
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        const bool resting = rest_ && silentTicks >= restAfter;
        const uint64_t ticked = resting ? block + restStride - 1 : block;
        const auto due = origin + blockDeadline(ticked, blockFrames, sampleRate);
        if (wake_.wait_until(lock, due, [this] { return stopRequested_ || woken_; })) {
            if (stopRequested_)
                break;
            woken_ = false;
            silentTicks = 0;
            if (resting) {
                // The blocks due before the wake were silence: the change comes after them.
                const uint64_t dueNow = blocksDue(Clock::now() - origin, blockFrames, sampleRate);
                if (dueNow > block) {
                    lock.unlock();
                    rest_(dueNow - block);
                    lock.lock();
                    block = dueNow;
                }
            }
            continue;
        }
        lock.unlock();
        if (ticked > block)
            rest_(ticked - block);
        const bool silent = tick_();
        lock.lock();
        block = ticked + 1;
        silentTicks = silent ? silentTicks + 1 : 0;
        const auto now = Clock::now();
        if (now - (origin + blockDeadline(block, blockFrames, sampleRate)) > maxLag) {
            origin = now;
            block = 0;
        }
    }
}

} // namespace soundlib
