// One slider as the main window drives it: the skin's range and travel with its current value.
#pragma once

namespace sorvel {

struct SliderState {
    int maximum = 0;
    int value = 0;
    int minimum = 0;
    int areaLeft = 0;
    int areaTop = 0;
    int areaRight = 0;
    int areaBottom = 0;
    bool vertical = false;

    bool operator==(const SliderState&) const = default;
};

} // namespace sorvel
