// Outputs take mixed float audio to a device, a file, or nowhere.
#pragma once

#include "soundlib.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
    // Same thread as render(): takes up what the caller posted and tells whether a sound just
    // started or moved is still waiting for its first decoded frames. An output that has just
    // dropped its queue may hold back a little, so the sound starts with its beginning instead
    // of a queue of silence.
    virtual bool startsPending() noexcept { return false; }
    // Same thread as render(): frames rendered in a row with nothing playing (every channel
    // stopped or paused) and nothing to hear (effect tails died away). An output may stop
    // asking for more until the caller starts or unpauses something.
    virtual uint64_t restingFrames() const noexcept { return 0; }
};

struct OutputConfig {
    int sampleRate = 48000;
    int channels = 2;
    FMOD_SOUND_FORMAT format = FMOD_SOUND_FORMAT_PCM16; // what the wave writers store
    size_t blockFrames = 1024;                          // frames per render() call
    int driver = 0;                                     // index into listDrivers()
    int latencyMs = 250;    // sound servers: how much audio the stream keeps queued
    std::string mediaTitle; // sound servers: what plays, as the desktop's mixer shows it
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

    // Caller's thread, just before it posts a change that should be heard at once (a start,
    // stop or seek), and just after: an output that queues audio ahead may drop what it
    // queued, and wait for the change before it renders again. Never block.
    virtual void changeComing() noexcept {}
    virtual void changePosted() noexcept {}
    // The frame being heard now, counted from the first one this start() rendered, for outputs
    // that queue audio ahead of the speakers; nullopt where what is rendered is heard at once.
    virtual std::optional<uint64_t> heardFrame() const { return std::nullopt; }
    // The device went away while running (a sound server that died): render() is not called
    // any more. The caller stops the output and carries on without it.
    virtual bool lost() const { return false; }
    // Caller's thread: names what plays, for outputs the desktop shows. Never blocks.
    virtual void setMediaTitle(const std::string& /*title*/) {}
    // Caller's thread: a channel was unpaused, so an output resting on silence must ask for
    // audio again (starts wake it through changeComing()). Never blocks.
    virtual void soundComing() noexcept {}
};

// Autodetect and the Windows types, which let the library choose.
bool isAutodetect(FMOD_OUTPUTTYPE type);
// What to try, in order, for a requested type: autodetect gives PulseAudio, ALSA when the
// machine has a sound card, and no sound; any other type only itself.
std::vector<FMOD_OUTPUTTYPE> outputCandidates(FMOD_OUTPUTTYPE requested);
// The output type autodetect would use now (the first candidate with a device), or the requested
// type itself.
FMOD_OUTPUTTYPE resolveOutputType(FMOD_OUTPUTTYPE requested);
// Device names of an output type, in driver-index order. Outputs without devices list one name.
std::vector<std::string> listDrivers(FMOD_OUTPUTTYPE type);
// Null with result 67 for types this machine cannot offer.
std::unique_ptr<Output> createOutput(FMOD_OUTPUTTYPE type, FMOD_RESULT& result);

} // namespace soundlib
