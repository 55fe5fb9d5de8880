// A sound system: its settings, its output and mixer, its channels.
//
// Used on the caller's thread only (under the library's call lock); the mixer runs on the
// output's thread and is reached through Mixer::post and the ChannelShared atomics.
#pragma once

#include "ChannelSlot.h"
#include "Mixer.h"
#include "Sound.h"
#include "dsp/Dsp.h"
#include "dsp/SpectrumAnalyzer.h"
#include "output.h"
#include "soundlib.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace soundlib {

struct SystemSettings {
    FMOD_OUTPUTTYPE output = FMOD_OUTPUTTYPE_AUTODETECT;
    int driver = 0;
    int sampleRate = 48000;
    FMOD_SOUND_FORMAT format = FMOD_SOUND_FORMAT_PCM16;
    int numOutputChannels = 0;
    int maxInputChannels = 6;
    FMOD_DSP_RESAMPLER resampler = FMOD_DSP_RESAMPLER_LINEAR;
    FMOD_SPEAKERMODE speakerMode = FMOD_SPEAKERMODE_STEREO;
    unsigned int streamBufferSize = 16384;
    FMOD_TIMEUNIT streamBufferUnit = FMOD_TIMEUNIT_RAWBYTES;
    FMOD_FILE_OPENCALLBACK fileOpen = nullptr;
    FMOD_FILE_CLOSECALLBACK fileClose = nullptr;
    FMOD_FILE_READCALLBACK fileRead = nullptr;
    FMOD_FILE_SEEKCALLBACK fileSeek = nullptr;
    std::string midiSoundBank;    // FMOD_System_SetMIDISoundBank; empty: the installed bank
    int networkTimeoutMs = 10000; // FMOD_System_SetNetworkTimeout
    int outputLatencyMs = 250;    // FMOD_System_SetOutputLatency
    std::string mediaTitle;       // FMOD_System_SetMediaTitle
};

// Output channels for a speaker mode (RAW takes the software format's count, 2 when unset).
int outputChannelsFor(FMOD_SPEAKERMODE mode, int numOutputChannels);
// Mixer channels addressable by a channel handle.
constexpr int kMaxChannels = 1024;

class System {
public:
    explicit System(uint32_t tableSlot);
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    SystemSettings settings;
    bool initialized() const { return mixer_ != nullptr; }
    FMOD_OUTPUTTYPE activeOutput() const { return activeOutput_; }
    uint32_t tableSlot() const { return tableSlot_; }
    void setTableSlot(uint32_t slot) { tableSlot_ = slot; }

    FMOD_RESULT init(int maxChannels);
    // Stops the output and forgets every channel. Sounds are released by the caller first.
    void close();
    // Answers 58 once when the output went away (a sound server that died); the system then
    // carries on without sound.
    FMOD_RESULT update();

    // The output frame being heard now, in the mixer's count, for outputs that queue audio
    // ahead of the speakers; nullopt where what is mixed is heard at once. Channel positions,
    // channel ends and the analysis follow it, so they match what is heard.
    std::optional<uint64_t> heardFrame() const;
    // How far what is heard lags behind what is mixed, in milliseconds (0 without a queue).
    int outputLatencyMs() const;
    // Names what plays, for the desktop's mixer; kept for outputs started later.
    void setMediaTitle(const std::string& title);
    // A channel was unpaused: an output resting on silence plays again.
    void soundComing() { output_->soundComing(); }

    // Channels. Results follow the library's rules (36 stale, 11 stolen).
    // With `after`, the channel in that slot leads: the new channel waits, silent, until the
    // leader has played its last frame and plays on from the next one (FMOD_CHANNEL_FREE only;
    // 10 when only the leader's slot could be taken).
    FMOD_RESULT playSound(FMOD_CHANNELINDEX index, FMOD_SOUND soundHandle, Sound& sound,
                          bool paused, FMOD_CHANNEL* channel,
                          std::optional<size_t> after = std::nullopt);
    FMOD_RESULT channelSlot(FMOD_CHANNEL handle, ChannelSlot*& slot, size_t& index);
    void stopChannel(size_t index);
    FMOD_RESULT seekChannel(size_t index, uint64_t frame);
    uint64_t channelPosition(size_t index);
    ChannelShared& shared(size_t index) { return mixer_->shared(index); }
    int channelsPlaying();

    // A released sound: stops its channels and keeps its memory until the mixer lets go.
    void retire(std::unique_ptr<Sound> sound);
    bool threadedStreams() const;

    // The mixer's format; only while initialised.
    int outputRate() const { return mixer_->config().outputRate; }
    int outputChannels() const { return mixer_->config().outputChannels; }

    // Processing units in the system-wide chain. attachDsp puts the unit at the output end
    // (answers 14 when another system holds it, 18 when the chain is full; attaching an
    // attached unit changes nothing); detachDsp takes it out, joining its neighbours.
    FMOD_RESULT attachDsp(Dsp& dsp);
    void detachDsp(Dsp& dsp);
    // A released unit: taken out, and freed once the mixer no longer holds it.
    void retireDsp(std::unique_ptr<Dsp> dsp);

    // Analysis of the latest output (37 for sizes, channels or windows out of range).
    FMOD_RESULT spectrum(float* out, int numValues, int channel, FMOD_DSP_FFT_WINDOW window);
    FMOD_RESULT waveData(float* out, int numValues, int channel);

private:
    bool live(size_t index);
    OutputConfig outputConfig(int driver) const;
    FMOD_RESULT carryOnWithoutSound();
    // `heard`: false for a change nobody can hear (starting or stopping a channel that waits
    // for another), which an output with a queue must not drop its queue for.
    void send(MixerCommand command, bool heard = true);
    void flushBacklog();
    void collectRetired();
    FMOD_CHANNEL channelHandle(size_t index) const;

    uint32_t tableSlot_;
    FMOD_OUTPUTTYPE activeOutput_ = FMOD_OUTPUTTYPE_NOSOUND;
    std::unique_ptr<Output> output_;
    std::unique_ptr<Mixer> mixer_;
    uint64_t outputBase_ = 0; // the mixer's frame count when output_ started
    std::vector<ChannelSlot> slots_;
    uint64_t sequence_ = 0;
    uint64_t startOrder_ = 0;
    std::deque<MixerCommand> backlog_;
    struct Retired {
        std::unique_ptr<Sound> sound;
        std::unique_ptr<Dsp> dsp;
        uint64_t sequence;
    };
    std::vector<Retired> retired_;
    std::vector<Dsp*> chain_;     // attached units, in processing order
    std::vector<Dsp*> detaching_; // taken out, until the mixer has let go of them
    SpectrumAnalyzer analyzer_;
    std::vector<float> snapshot_;
};

} // namespace soundlib
