// Outputs take mixed float audio to a device, a file, or nowhere.
#pragma once

#include "soundlib.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace soundlib {

// What an output asks for each block. render() runs on the output's thread (a device callback or
// the output's own pacing thread) or, for non-real-time outputs, on the thread calling pump().
// It must not block, allocate or wait.
class Renderer {
public:
    virtual ~Renderer() = default;
    virtual void render(float* interleaved, size_t frames) noexcept = 0;
};

struct OutputConfig {
    int sampleRate = 48000;
    int channels = 2;
    FMOD_SOUND_FORMAT format = FMOD_SOUND_FORMAT_PCM16; // what the wave writers store
    size_t blockFrames = 1024;                          // frames per render() call
    int driver = 0;                                     // index into listDrivers()
};

class Output {
public:
    virtual ~Output() = default;
    // Starts pulling blocks from `renderer` (real-time outputs) or gets ready for pump().
    virtual FMOD_RESULT start(const OutputConfig& config, Renderer& renderer) = 0;
    // Stops pulling; after it returns render() is never called again. Files are finished here.
    virtual void stop() = 0;
    virtual bool realTime() const = 0;
    // Non-real-time outputs: render and deliver exactly one block. Real-time outputs: no-op.
    virtual void pump() {}
};

// The output type actually used for a requested one (autodetect and the Windows types resolve
// to a real device API when one answers, else to no sound).
FMOD_OUTPUTTYPE resolveOutputType(FMOD_OUTPUTTYPE requested);
// Device names of an output type, in driver-index order. Outputs without devices list one name.
std::vector<std::string> listDrivers(FMOD_OUTPUTTYPE type);
// Null with result 67 for types this machine cannot offer.
std::unique_ptr<Output> createOutput(FMOD_OUTPUTTYPE type, FMOD_RESULT& result);

} // namespace soundlib
