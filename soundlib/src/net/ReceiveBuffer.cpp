#include "ReceiveBuffer.h"

#include <algorithm>
#include <cstring>

namespace soundlib {
namespace {

// How often a waiting reader looks at its cancel flag, which has no way to wake it.
constexpr auto kCancelPoll = std::chrono::milliseconds(20);

} // namespace

ReceiveBuffer::ReceiveBuffer(size_t capacity) : data_(std::max<size_t>(capacity, 1)) {}

size_t ReceiveBuffer::write(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    const size_t count = std::min(bytes.size(), data_.size() - size_);
    size_t tail = (head_ + size_) % data_.size();
    for (size_t done = 0; done < count;) {
        const size_t run = std::min(count - done, data_.size() - tail);
        std::memcpy(data_.data() + tail, bytes.data() + done, run);
        done += run;
        tail = (tail + run) % data_.size();
    }
    size_ += count;
    if (count > 0) {
        changed_.notify_all();
    }
    return count;
}

bool ReceiveBuffer::waitForSpace(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, wait, [this] { return aborted_ || size_ < data_.size(); }) &&
           !aborted_;
}

size_t ReceiveBuffer::freeSpace() const {
    std::lock_guard lock(mutex_);
    return data_.size() - size_;
}

void ReceiveBuffer::pinTags(uint64_t offset, std::vector<DecodedTag> tags) {
    std::lock_guard lock(mutex_);
    if (offset <= readTotal_) {
        for (DecodedTag& tag : tags) {
            released_.emplace_back(decodedFrames_, std::move(tag));
        }
    } else {
        pinned_.push_back({offset, std::move(tags)});
    }
}

void ReceiveBuffer::finish(FMOD_RESULT result) {
    std::lock_guard lock(mutex_);
    if (!finished_) {
        finished_ = true;
        result_ = result;
    }
    changed_.notify_all();
}

size_t ReceiveBuffer::read(uint8_t* out, size_t size, const std::atomic<bool>* cancelled,
                           uint64_t decodedFrames) {
    std::unique_lock lock(mutex_);
    decodedFrames_ = decodedFrames;
    for (;;) {
        if (aborted_ || (cancelled != nullptr && cancelled->load(std::memory_order_acquire))) {
            return 0;
        }
        if (size_ > 0 || finished_) {
            break;
        }
        changed_.wait_for(lock, kCancelPoll);
    }
    const size_t count = std::min(size, size_);
    for (size_t done = 0; done < count;) {
        const size_t run = std::min(count - done, data_.size() - head_);
        std::memcpy(out + done, data_.data() + head_, run);
        done += run;
        head_ = (head_ + run) % data_.size();
    }
    size_ -= count;
    readTotal_ += count;
    // Titles come out once the decoder has read up to them.
    auto due = pinned_.begin();
    while (due != pinned_.end() && due->offset <= readTotal_) {
        for (DecodedTag& tag : due->tags) {
            released_.emplace_back(decodedFrames, std::move(tag));
        }
        ++due;
    }
    pinned_.erase(pinned_.begin(), due);
    if (count > 0) {
        changed_.notify_all();
    }
    return count;
}

void ReceiveBuffer::abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    changed_.notify_all();
}

bool ReceiveBuffer::aborted() const {
    std::lock_guard lock(mutex_);
    return aborted_;
}

FMOD_RESULT ReceiveBuffer::result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

bool ReceiveBuffer::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void ReceiveBuffer::takeReadTags(std::vector<DecodedTag>& out, uint64_t playedFrames) {
    std::lock_guard lock(mutex_);
    auto due = released_.begin();
    while (due != released_.end() && due->first <= playedFrames) {
        out.push_back(std::move(due->second));
        ++due;
    }
    released_.erase(released_.begin(), due);
}

unsigned int ReceiveBuffer::percentFull() const {
    std::lock_guard lock(mutex_);
    return static_cast<unsigned int>(size_ * 100 / data_.size());
}

bool ReceiveBuffer::starving() const {
    std::lock_guard lock(mutex_);
    return size_ == 0 && !finished_;
}

} // namespace soundlib
