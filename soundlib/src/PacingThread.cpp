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

PacingThread::~PacingThread() {
    stop();
}

bool PacingThread::start(size_t blockFrames, int sampleRate, std::function<void()> tick) {
    stop();
    if (blockFrames == 0 || sampleRate <= 0 || !tick)
        return false;
    tick_ = std::move(tick);
    stopRequested_ = false;
    try {
        thread_ = std::thread([this, blockFrames, sampleRate] { run(blockFrames, sampleRate); });
    } catch (const std::system_error&) {
        tick_ = nullptr;
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
}

void PacingThread::run(size_t blockFrames, int sampleRate) {
    using Clock = std::chrono::steady_clock;
    const auto period = blockDeadline(1, blockFrames, sampleRate);
    const auto maxLag = std::max<Clock::duration>(std::chrono::seconds(1), period * 4);

    auto origin = Clock::now();
    uint64_t block = 0;
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        const auto due = origin + blockDeadline(block, blockFrames, sampleRate);
        if (wake_.wait_until(lock, due, [this] { return stopRequested_; }))
            break;
        lock.unlock();
        tick_();
        lock.lock();
        ++block;
        const auto now = Clock::now();
        if (now - (origin + blockDeadline(block, blockFrames, sampleRate)) > maxLag) {
            origin = now;
            block = 0;
        }
    }
}

} // namespace soundlib
