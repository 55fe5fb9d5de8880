// RIFF WAVE headers for the wave writers.
#pragma once

#include "soundlib.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace soundlib {

struct WavFormat {
    uint16_t formatTag = 1; // 1 integer PCM, 3 IEEE float
    uint16_t channels = 2;
    uint32_t sampleRate = 48000;
    uint16_t bitsPerSample = 16;

    uint16_t blockAlign() const { return static_cast<uint16_t>(channels * (bitsPerSample / 8)); }
};

// The stored layout for a mixer format; nothing for formats the writers cannot store or for
// channel counts and rates a header cannot hold.
std::optional<WavFormat> wavFormatFor(FMOD_SOUND_FORMAT format, int sampleRate, int channels);

// Header length: 44 bytes for PCM; float adds cbSize to 'fmt ' and a 'fact' chunk (58 bytes).
size_t wavHeaderSize(const WavFormat& format);

// The complete header for `dataBytes` bytes of samples. The RIFF size counts the pad byte that
// follows an odd-sized data chunk.
std::vector<uint8_t> makeWavHeader(const WavFormat& format, uint32_t dataBytes);

// The largest whole-frame data size whose RIFF size still fits in 32 bits.
uint32_t maxWavDataBytes(const WavFormat& format);

} // namespace soundlib
