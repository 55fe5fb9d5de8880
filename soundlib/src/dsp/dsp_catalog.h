// The unit types the library offers, by their published type numbers.
#pragma once

#include "DspDescription.h"

namespace soundlib {

// Null for type numbers the library does not offer.
const DspDescription* findDspDescription(FMOD_DSP_TYPE type);

// Whether `value` is one the parameter takes: inside its range, not NaN, and whole or a power
// of two where the parameter asks for that.
bool parameterAccepts(const DspParameterInfo& info, float value);

} // namespace soundlib
