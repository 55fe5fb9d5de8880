// What a kind of processing unit publishes: its type number, its parameters with their ranges
// and defaults, and how to make an instance.
#pragma once

#include "DspUnit.h"
#include "soundlib.h"

#include <cstdint>
#include <memory>
#include <span>

namespace soundlib {

// Which values inside [minimum, maximum] a parameter takes.
enum class ParameterValues : uint8_t { Any, Whole, PowerOfTwo };

struct DspParameterInfo {
    const char* name;
    const char* label; // unit of the value ("Hz", "ms", "dB", "")
    float minimum;
    float maximum;
    float defaultValue;
    ParameterValues values = ParameterValues::Any;
};

struct DspDescription {
    FMOD_DSP_TYPE type;
    const char* name;
    std::span<const DspParameterInfo> parameters;
    std::unique_ptr<DspUnit> (*create)();
};

} // namespace soundlib
