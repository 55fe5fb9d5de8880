#include "clsAudioDeviceSettings.h"

#include <array>

namespace sorvel {

clsAudioDeviceSettings::clsAudioDeviceSettings(MessageBoxService& messageBox, std::string caption,
                                               std::function<void()> onConfirmed)
    : messageBox_(messageBox), caption_(std::move(caption)), onConfirmed_(std::move(onConfirmed)) {}

int32_t clsAudioDeviceSettings::Priority() const {
    switch (priority_) {
    case 1:
        return 128;
    case 2:
        return 256;
    default:
        return 0;
    }
}

bool clsAudioDeviceSettings::DeviceSet(bool value) {
    if (!value) {
        deviceSet_ = false;
        return false;
    }
    const MessageAnswer answer =
        messageBox_.show("設定を反映させるために、Sorvelを再起動します。\r\nよろしいですか？",
                         caption_, MessageButtons::YesNo, MessageIcon::Information);
    deviceSet_ = answer == MessageAnswer::Yes;
    if (deviceSet_ && onConfirmed_) {
        onConfirmed_();
    }
    return deviceSet_;
}

int32_t SampleRateForIndex(int32_t index) {
    static constexpr std::array<int32_t, 13> rates = {
        192000, 96000, 88200, 48000, 44100, 32000, 22050, 16000, 11025, 8000, 7333, 6000, 5500};
    return index >= 0 && index < static_cast<int32_t>(rates.size())
               ? rates[static_cast<size_t>(index)]
               : 0;
}

} // namespace sorvel
