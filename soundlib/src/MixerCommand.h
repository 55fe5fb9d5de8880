// What the caller's thread tells the mixer about a channel. Plain data: copied through the
// command queue, never allocated.
#pragma once

#include "FrameRatio.h"

#include <cstdint>

namespace soundlib {

class Dsp;
class StreamFeed;

struct VoiceSource {
    const float* sample = nullptr; // in-memory sound: interleaved frames
    uint64_t sampleFrames = 0;
    StreamFeed* feed = nullptr; // stream: the ring its feed fills
    int channels = 0;
    // Data frames per file frame: the sample or ring may hold the file converted to the output
    // rate. Positions the caller sees and sends count file frames.
    FrameRatio ratio;
    bool loop = false;
};

struct MixerCommand {
    // Start, Stop and Seek act on the voice in `slot`; AttachDsp puts `dsp` at the output end of
    // the processing chain, DetachDsp takes it out.
    enum class Kind : uint8_t { Start, Stop, Seek, AttachDsp, DetachDsp };
    Kind kind = Kind::Stop;
    uint16_t slot = 0;
    uint16_t generation = 0;
    VoiceSource source;        // Start
    uint64_t position = 0;     // Start, Seek: file frame
    uint32_t streamSerial = 0; // Start, Seek on streams: the segment to wait for
    // Start after another voice: silent until the voice in `leaderSlot` of `leaderGeneration`
    // has played its last frame, then on from the very next output frame.
    bool afterLeader = false;
    uint16_t leaderSlot = 0;
    uint16_t leaderGeneration = 0;
    Dsp* dsp = nullptr;    // AttachDsp, DetachDsp
    uint64_t sequence = 0; // set by the sender; the mixer acknowledges it once applied
};

} // namespace soundlib
