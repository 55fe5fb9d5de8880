// Single-producer single-consumer queue of fixed capacity: the caller's thread hands commands to
// the mixer without locks, and neither side ever waits on the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <vector>

namespace soundlib {

template <class T> class SpscQueue {
public:
    // capacity is rounded up to a power of two; storage is allocated here, never later.
    explicit SpscQueue(size_t capacity) {
        size_t size = 1;
        while (size < capacity) {
            size <<= 1;
        }
        items_.resize(size);
        mask_ = size - 1;
    }

    // Producer side. False when full.
    bool push(const T& item) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) > mask_) {
            return false;
        }
        items_[head & mask_] = item;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer side.
    bool pop(T& item) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) {
            return false;
        }
        item = items_[tail & mask_];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    std::vector<T> items_;
    size_t mask_ = 0;
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

} // namespace soundlib
