// Analysis windows for the spectrum, periodic (the form whose shifted copies sum evenly).
#pragma once

#include "soundlib.h"

#include <cstddef>

namespace soundlib {

// Fills n points of the window; types outside 0..5 give the rectangle.
void fillWindow(FMOD_DSP_FFT_WINDOW type, float* out, size_t n);

} // namespace soundlib
