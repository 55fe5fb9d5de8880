#include "sample_conversion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace soundlib {

namespace {

// Scale first, clip after: +1.0 lands one step past the largest integer and is clipped to it,
// which keeps every value below full scale exact (the same convention as FFmpeg's converters).
template <typename T> T clipScaled(T value, T lowest, T highest) {
    if (std::isnan(value))
        return T(0);
    return std::clamp(value, lowest, highest);
}

inline int32_t toInt(float x, float scale) {
    const float lowest = -scale;
    const float highest = scale - 1.0f;
    return static_cast<int32_t>(std::lrint(clipScaled(x * scale, lowest, highest)));
}

void toPcm8(const float* in, size_t samples, uint8_t* out) {
    for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<uint8_t>(toInt(in[i], 128.0f) + 128);
}

void toPcm16(const float* in, size_t samples, uint8_t* out) {
    for (size_t i = 0; i < samples; ++i, out += 2) {
        const auto v = static_cast<uint32_t>(toInt(in[i], 32768.0f));
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
    }
}

void toPcm24(const float* in, size_t samples, uint8_t* out) {
    for (size_t i = 0; i < samples; ++i, out += 3) {
        const auto v = static_cast<uint32_t>(toInt(in[i], 8388608.0f));
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v >> 16);
    }
}

void toPcm32(const float* in, size_t samples, uint8_t* out) {
    // 2^31 - 1 is not a float, so this one scales in double.
    for (size_t i = 0; i < samples; ++i, out += 4) {
        const double scaled =
            clipScaled(static_cast<double>(in[i]) * 2147483648.0, -2147483648.0, 2147483647.0);
        const auto v = static_cast<uint32_t>(static_cast<int32_t>(std::llrint(scaled)));
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v >> 16);
        out[3] = static_cast<uint8_t>(v >> 24);
    }
}

void toFloat(const float* in, size_t samples, uint8_t* out) {
    for (size_t i = 0; i < samples; ++i, out += 4) {
        const auto v = std::bit_cast<uint32_t>(clipScaled(in[i], -1.0f, 1.0f));
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v >> 16);
        out[3] = static_cast<uint8_t>(v >> 24);
    }
}

} // namespace

size_t bytesPerSample(FMOD_SOUND_FORMAT format) {
    switch (format) {
    case FMOD_SOUND_FORMAT_PCM8:
        return 1;
    case FMOD_SOUND_FORMAT_PCM16:
        return 2;
    case FMOD_SOUND_FORMAT_PCM24:
        return 3;
    case FMOD_SOUND_FORMAT_PCM32:
    case FMOD_SOUND_FORMAT_PCMFLOAT:
        return 4;
    default:
        return 0;
    }
}

void convertFromFloat(FMOD_SOUND_FORMAT format, const float* in, size_t samples, void* out) {
    auto* bytes = static_cast<uint8_t*>(out);
    switch (format) {
    case FMOD_SOUND_FORMAT_PCM8:
        toPcm8(in, samples, bytes);
        break;
    case FMOD_SOUND_FORMAT_PCM16:
        toPcm16(in, samples, bytes);
        break;
    case FMOD_SOUND_FORMAT_PCM24:
        toPcm24(in, samples, bytes);
        break;
    case FMOD_SOUND_FORMAT_PCM32:
        toPcm32(in, samples, bytes);
        break;
    case FMOD_SOUND_FORMAT_PCMFLOAT:
        toFloat(in, samples, bytes);
        break;
    default:
        break;
    }
}

} // namespace soundlib
