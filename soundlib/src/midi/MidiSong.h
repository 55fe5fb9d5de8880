// A Standard MIDI File read into one time-ordered list of messages placed on the output's sample
// clock, so a synthesiser can be driven sample-accurately and the length is known exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace soundlib {

// A channel message (status 0x80-0xEF) or a system-exclusive message (status 0xF0, its bytes
// without the leading F0 and the closing F7 in the song's sysex store).
struct MidiMessage {
    uint64_t frame = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint32_t sysexOffset = 0;
    uint32_t sysexLength = 0;
};

class MidiSong {
public:
    // Format 0, 1 or 2 (whose tracks play one after another), optionally inside a RIFF RMID
    // wrapper. Damaged tracks keep what was read before the damage; nothing when the header is
    // not a MIDI header or no track could be read.
    static std::optional<MidiSong> parse(std::span<const uint8_t> bytes, int sampleRate);
    // Whether `head` (the first bytes of a file) starts a MIDI file, bare or RMID-wrapped.
    static bool looksLikeMidi(std::span<const uint8_t> head);

    const std::vector<MidiMessage>& messages() const { return messages_; }
    // Where the last track ends (its end-of-track event), in frames.
    uint64_t lengthFrames() const { return lengthFrames_; }
    std::span<const uint8_t> sysex(const MidiMessage& message) const {
        return std::span<const uint8_t>(sysexData_)
            .subspan(message.sysexOffset, message.sysexLength);
    }

private:
    std::vector<MidiMessage> messages_;
    std::vector<uint8_t> sysexData_;
    uint64_t lengthFrames_ = 0;
};

// Frames from the start of the song to `tick`, for a song whose tempo changes are `tempos`
// (tick, microseconds per quarter note; sorted by tick; 500000 applies before the first) and
// whose division is `ticksPerQuarter`. Rounded to the nearest frame.
uint64_t midiTickToFrame(uint64_t tick, std::span<const std::pair<uint64_t, uint32_t>> tempos,
                         uint32_t ticksPerQuarter, int sampleRate);

} // namespace soundlib
