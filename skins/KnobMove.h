// The outcome of one mouse event on a slider knob.
#pragma once

namespace sorvel {

struct KnobMove {
    bool moved = false; // false: the pointer left the knob's travel and nothing changed
    int knob = 0;       // the knob's left edge (horizontal) or top edge (vertical), in pixels
    int value = 0;      // the slider's value after the event

    bool operator==(const KnobMove&) const = default;
};

} // namespace sorvel
