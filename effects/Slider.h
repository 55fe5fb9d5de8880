// A scroll-bar slider as the options window's logic sees it: range, steps, position, and the two
// events. The window binds a real control to it and forwards the user's actions.
//
// Events follow the classic scroll bar: Change when the position has settled at a new value
// (a click, a key, the end of a drag, or a position set by the program), Scroll while the thumb
// is being dragged. Setting the position it already has raises nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace sorvel {

class Slider {
public:
    Slider() = default;
    Slider(int32_t minimum, int32_t maximum, int32_t start, int32_t smallChange = 1);

    int32_t Min() const { return minimum_; }
    int32_t Max() const { return maximum_; }
    int32_t SmallChange() const { return smallChange_; }
    int32_t Value() const { return value_; }
    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled) { enabled_ = enabled; }
    bool Contains(int32_t position) const { return position >= minimum_ && position <= maximum_; }

    // Settles the slider at `position` (program, click, key): raises Change when it moved.
    // A position outside the range is refused (false) and changes nothing.
    bool SetValue(int32_t position);
    // The thumb is being dragged to `position` (clamped to the range): raises Scroll when it
    // moved.
    void DragTo(int32_t position);
    // The drag ended: raises Change when the position differs from where it last settled.
    void EndDrag();

    // Runs a handler without moving the slider (the window does this once at load so that the
    // captions show the start values).
    void RaiseChange();
    void RaiseScroll();

    std::function<void()> onChange;
    std::function<void()> onScroll;

private:
    int32_t minimum_ = 0;
    int32_t maximum_ = 0;
    int32_t smallChange_ = 1;
    int32_t value_ = 0;
    int32_t settled_ = 0;
    bool enabled_ = true;
};

} // namespace sorvel
