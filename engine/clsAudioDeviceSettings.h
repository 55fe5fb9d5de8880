// The output-device settings: loaded from the settings file, set by the options window, used
// by start-up.
#pragma once

#include "PlayerServices.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sorvel {

class clsAudioDeviceSettings {
public:
    // `messageBox` asks the restart question when DeviceSet is given true; `onConfirmed` then
    // closes the program (the main window's normal closing, which starts the new instance).
    clsAudioDeviceSettings(MessageBoxService& messageBox, std::string caption,
                           std::function<void()> onConfirmed = {});

    int32_t SoftMidi() const { return softMidi_; }
    void SoftMidi(int32_t value) { softMidi_ = value; }
    // 0, 1, 2 stored; read back as the channel priorities 0, 128, 256 (anything else 0).
    int32_t Priority() const;
    void Priority(int32_t value) { priority_ = value; }
    int32_t StoredPriority() const { return priority_; }
    int32_t ReSampling() const { return reSampling_; }
    void ReSampling(int32_t value) { reSampling_ = value; }
    int32_t SoundCard() const { return soundCard_; }
    void SoundCard(int32_t value) { soundCard_ = value; }
    int32_t Samplerate() const { return samplerate_; }
    void Samplerate(int32_t value) { samplerate_ = value; }
    int32_t OutputType() const { return outputType_; }
    void OutputType(int32_t value) { outputType_ = value; }
    int32_t SoundFormat() const { return soundFormat_; }
    void SoundFormat(int32_t value) { soundFormat_ = value; }
    int32_t Speakermode() const { return speakermode_; }
    void Speakermode(int32_t value) { speakermode_ = value; }
    bool DeviceSet() const { return deviceSet_; }
    // Given true, asks whether to restart now; true is kept only when the user says yes, and
    // then the program closes before this returns. Returns whether the user said yes.
    bool DeviceSet(bool value);

private:
    MessageBoxService& messageBox_;
    std::string caption_;
    std::function<void()> onConfirmed_;
    bool deviceSet_ = false;
    int32_t soundCard_ = 0;
    int32_t samplerate_ = 0;
    int32_t priority_ = 0;
    int32_t outputType_ = 0;
    int32_t soundFormat_ = 0;
    int32_t speakermode_ = 0;
    int32_t reSampling_ = 0;
    int32_t softMidi_ = 0;
};

// Sample rate for a settings index 0..12 (192000 .. 5500 Hz); 0 for any other index.
int32_t SampleRateForIndex(int32_t index);

} // namespace sorvel
