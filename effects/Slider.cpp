#include "Slider.h"

#include <algorithm>

namespace sorvel {

Slider::Slider(int32_t minimum, int32_t maximum, int32_t start, int32_t smallChange)
    : minimum_(minimum), maximum_(maximum), smallChange_(smallChange), value_(start),
      settled_(start) {}

bool Slider::SetValue(int32_t position) {
    if (!Contains(position)) {
        return false;
    }
    const bool moved = position != value_;
    value_ = position;
    settled_ = position;
    if (moved) {
        RaiseChange();
    }
    return true;
}

void Slider::DragTo(int32_t position) {
    position = std::clamp(position, minimum_, maximum_);
    if (position == value_) {
        return;
    }
    value_ = position;
    RaiseScroll();
}

void Slider::EndDrag() {
    if (value_ == settled_) {
        return;
    }
    settled_ = value_;
    RaiseChange();
}

void Slider::RaiseChange() {
    if (onChange) {
        onChange();
    }
}

void Slider::RaiseScroll() {
    if (onScroll) {
        onScroll();
    }
}

} // namespace sorvel
