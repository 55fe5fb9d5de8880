// Float mixer output to the sample formats the wave writers store.
#pragma once

#include "soundlib.h"

#include <cstddef>

namespace soundlib {

// Bytes one sample takes when stored as `format`: 1, 2, 3, 4 for PCM8..PCM32, 4 for PCMFLOAT,
// 0 for formats that are not stored as plain samples.
size_t bytesPerSample(FMOD_SOUND_FORMAT format);

// Writes `samples` values as `format`, little-endian, into `out` (samples * bytesPerSample bytes).
// Input is clipped to -1..1 (NaN becomes silence) and integers are rounded to nearest; PCM8 is
// unsigned with 128 as silence, the other integer formats are signed with full scale 2^(bits-1).
// Does nothing for formats bytesPerSample() does not know.
void convertFromFloat(FMOD_SOUND_FORMAT format, const float* in, size_t samples, void* out);

} // namespace soundlib
