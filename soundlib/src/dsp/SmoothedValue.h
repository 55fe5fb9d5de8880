// A setting that glides in a straight line to its new target over a fixed number of frames, so
// that a changed gain or delay does not click.
#pragma once

#include <algorithm>
#include <cstddef>

namespace soundlib {

class SmoothedValue {
public:
    explicit SmoothedValue(float value = 0.0f) : current_(value), target_(value) {}

    void setRampFrames(size_t frames) { rampFrames_ = std::max<size_t>(frames, 1); }

    void setTarget(float target) noexcept {
        target_ = target;
        if (target_ == current_) {
            remaining_ = 0;
            return;
        }
        remaining_ = rampFrames_;
        step_ = (target_ - current_) / static_cast<float>(rampFrames_);
    }
    // Jumps to the target.
    void snap() noexcept {
        current_ = target_;
        remaining_ = 0;
    }
    // The value for the next frame.
    float next() noexcept {
        if (remaining_ == 0) {
            return current_;
        }
        current_ = --remaining_ == 0 ? target_ : current_ + step_;
        return current_;
    }
    // next() for a loop compiled twice: once for blocks in which every setting rests (the
    // value is read as it stands), once for blocks in which some glide.
    template <bool AtRest> float nextIn() noexcept {
        if constexpr (AtRest) {
            return current_;
        } else {
            return next();
        }
    }
    // Moves `frames` frames on at once and returns the value reached.
    float advance(size_t frames) noexcept {
        if (frames >= remaining_) {
            snap();
        } else {
            remaining_ -= frames;
            current_ += step_ * static_cast<float>(frames);
        }
        return current_;
    }
    bool ramping() const { return remaining_ != 0; }
    float current() const { return current_; }
    float target() const { return target_; }

private:
    float current_;
    float target_;
    float step_ = 0.0f;
    size_t remaining_ = 0;
    size_t rampFrames_ = 1;
};

} // namespace soundlib
