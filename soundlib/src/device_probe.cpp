#include "device_probe.h"

#include <cstdlib>
#include <dlfcn.h>
#include <exception>
#include <fstream>
#include <mutex>

namespace soundlib::devices {

namespace {

// libasound prints every failed configuration lookup (no card 0, no "default") to stderr.
// RtAudio reports the failures that matter through exceptions and the stream error callback,
// so the library's chatter is dropped. Looked up at run time: libasound comes in through
// RtAudio and is not linked here directly.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaChatter() {
    static std::once_flag once;
    std::call_once(once, [] {
        using SetHandler = int (*)(decltype(&ignoreAlsaError));
        if (auto set =
                reinterpret_cast<SetHandler>(::dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
            set(&ignoreAlsaError);
    });
}

// A player never starts a JACK server: without one running, the JACK output simply has no
// devices (libjack only checks that the variable exists; a user's own value is kept).
void neverStartJackServer() {
    ::setenv("JACK_NO_START_SERVER", "1", 0);
}

} // namespace

bool alsaHasSoundCards() {
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    // With no card the file holds "--- no soundcards ---".
    return cards >> first && !first.starts_with("---");
}

std::optional<RtAudio::Api> rtAudioApi(FMOD_OUTPUTTYPE type) {
    RtAudio::Api api;
    switch (type) {
    case FMOD_OUTPUTTYPE_ALSA:
        api = RtAudio::LINUX_ALSA;
        break;
    case FMOD_OUTPUTTYPE_JACK:
        api = RtAudio::UNIX_JACK;
        break;
    default:
        return std::nullopt;
    }
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    for (const auto candidate : compiled)
        if (candidate == api)
            return api;
    return std::nullopt;
}

std::unique_ptr<RtAudio> makeRtAudio(RtAudio::Api api) {
    if (api == RtAudio::LINUX_ALSA)
        silenceAlsaChatter();
    if (api == RtAudio::UNIX_JACK)
        neverStartJackServer();
    try {
        auto audio = std::make_unique<RtAudio>(api);
        // RtAudio quietly falls back to another API when the asked one cannot be opened.
        if (audio->getCurrentApi() != api)
            return nullptr;
        audio->showWarnings(false);
        return audio;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::vector<OutputDevice> outputDevices(RtAudio& audio) {
    std::vector<OutputDevice> devices;
    unsigned int count = 0;
    try {
        count = audio.getDeviceCount();
    } catch (const std::exception&) {
        return devices;
    }
    for (unsigned int id = 0; id < count; ++id) {
        try {
            // Busy or vanished devices come back without channels.
            const auto info = audio.getDeviceInfo(id);
            if (info.outputChannels > 0)
                devices.push_back({info.name, id});
        } catch (const std::exception&) {
        }
    }
    return devices;
}

std::vector<OutputDevice> listOutputDevices(FMOD_OUTPUTTYPE type) {
    const auto api = rtAudioApi(type);
    if (!api)
        return {};
    const auto audio = makeRtAudio(*api);
    return audio ? outputDevices(*audio) : std::vector<OutputDevice>{};
}

} // namespace soundlib::devices
