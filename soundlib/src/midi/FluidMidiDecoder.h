// MIDI files synthesised by FluidSynth through a General MIDI sound bank, at the output rate.
// The song's messages are sent to the synthesiser at their exact frames, so the length is the
// song's own and seeking lands on the frame asked for.
#pragma once

#include "MidiSong.h"
#include "decoder.h"

#include <fluidsynth.h>
#include <memory>
#include <string>

namespace soundlib {

class FluidMidiDecoder final : public Decoder {
public:
    // Results: 23 missing file, 19 unreadable, 25 not a MIDI file, 68 no usable sound bank.
    static DecoderOpenResult open(const std::string& path, const DecoderOptions& options);

    struct Key {}; // construction goes through open()
    FluidMidiDecoder(Key, MidiSong song, int sampleRate);
    FluidMidiDecoder(const FluidMidiDecoder&) = delete;
    FluidMidiDecoder& operator=(const FluidMidiDecoder&) = delete;

    int sampleRate() const override { return rate_; }
    int channels() const override { return 2; }
    uint64_t lengthFrames() const override { return song_.lengthFrames(); }
    FMOD_SOUND_TYPE type() const override { return FMOD_SOUND_TYPE_MIDI; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCMFLOAT; }
    int sourceBits() const override { return 32; }
    int sourceChannels() const override { return 2; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t frame) override;
    const std::vector<DecodedTag>& tags() const override { return tags_; }
    bool streamsOnly() const override { return true; }

private:
    struct SettingsDeleter {
        void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
    };
    struct SynthDeleter {
        void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
    };

    FMOD_RESULT start(const std::string& bank);
    void send(const MidiMessage& message);

    MidiSong song_;
    int rate_;
    // The synthesiser is declared after its settings so it goes first.
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
    uint64_t position_ = 0; // frame of the next read
    size_t next_ = 0;       // first message not yet sent
    std::vector<DecodedTag> tags_;
};

} // namespace soundlib
