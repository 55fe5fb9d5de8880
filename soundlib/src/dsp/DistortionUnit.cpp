#include "DistortionUnit.h"

#include <algorithm>
#include <cmath>

namespace soundlib {

float distortionDrive(float level) {
    const float a = std::min(level, 0.995f);
    return 2.0f * a / (1.0f - a);
}

void DistortionUnit::prepare(int sampleRate, int, size_t) {
    drive_.setRampFrames(static_cast<size_t>(0.02 * sampleRate));
    reset();
}

void DistortionUnit::setParameter(int index, float value) noexcept {
    if (index == 0) {
        drive_.setTarget(distortionDrive(value));
    }
}

void DistortionUnit::reset() noexcept {
    drive_.snap();
}

void DistortionUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    if (!drive_.ramping()) {
        const float k = drive_.current();
        if (k == 0.0f) {
            return;
        }
        const float gain = 1.0f + k;
        const size_t count = frames * stride;
        for (size_t i = 0; i < count; ++i) {
            const float x = interleaved[i];
            interleaved[i] = gain * x / (1.0f + k * std::fabs(x));
        }
        return;
    }
    for (size_t i = 0; i < frames; ++i) {
        const float k = drive_.next();
        float* frame = interleaved + i * stride;
        for (size_t c = 0; c < stride; ++c) {
            const float x = frame[c];
            frame[c] = (1.0f + k) * x / (1.0f + k * std::fabs(x));
        }
    }
}

} // namespace soundlib
