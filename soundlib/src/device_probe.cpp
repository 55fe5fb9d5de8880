#include "device_probe.h"

#include "RtAudioLock.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <exception>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace soundlib::devices {

namespace {

constexpr auto kQueryTimeout = std::chrono::seconds(3);
constexpr int kConnectTimeoutMs = 300;

// Set before anything in the process can reach libjack: looking for JACK must never start a
// JACK server (libjack only checks that the variable exists; a user's own value is kept).
[[maybe_unused]] const bool jackServerNeverStarted = [] {
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    return true;
}();

// libasound prints every failed configuration lookup (no card 0, no "default") to stderr, which
// on a machine without sound is a screenful per device query. RtAudio reports the failures that
// matter through exceptions and the stream error callback, so the library's chatter is dropped.
// Looked up at run time: libasound comes in through RtAudio and is not linked here directly.
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

// libjack (JACK 2) prints "cannot connect to server" for every query on a machine without a
// JACK server. Same treatment as ALSA: RtAudio reports what matters.
void ignoreJackMessage(const char*) {}

void silenceJackChatter() {
    static std::once_flag once;
    std::call_once(once, [] {
        using SetFunction = void (*)(decltype(&ignoreJackMessage));
        for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
            if (auto set = reinterpret_cast<SetFunction>(::dlsym(RTLD_DEFAULT, name)))
                set(&ignoreJackMessage);
    });
}

class SocketFd {
public:
    explicit SocketFd(int fd) : fd_(fd) {}
    ~SocketFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool unixSocketAnswers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());

    SocketFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return false;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return true;
    // A full backlog means a live but busy server.
    if (errno == EAGAIN)
        return true;
    if (errno != EINPROGRESS)
        return false;
    pollfd waitFor{fd.get(), POLLOUT, 0};
    if (::poll(&waitFor, 1, kConnectTimeoutMs) != 1)
        return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Runs `query` on its own thread and waits at most kQueryTimeout. On timeout the thread is left
// to finish (or hang) alone; the shared state keeps what it touches alive.
template <typename T, typename Query> std::optional<T> askWithTimeout(Query query) {
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> answer;
        bool finished = false;
    };
    auto state = std::make_shared<State>();
    std::thread worker;
    try {
        worker = std::thread([state, query] {
            std::optional<T> answer;
            try {
                answer = query();
            } catch (const std::exception&) {
            }
            std::lock_guard lock(state->mutex);
            state->answer = std::move(answer);
            state->finished = true;
            state->done.notify_all();
        });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_for(lock, kQueryTimeout, [&] { return state->finished; })) {
        worker.detach();
        return std::nullopt;
    }
    auto answer = std::move(state->answer);
    lock.unlock();
    worker.join();
    return answer;
}

} // namespace

PulseEnvironment PulseEnvironment::current() {
    auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    PulseEnvironment environment;
    environment.pulseServer = variable("PULSE_SERVER");
    environment.pulseRuntimePath = variable("PULSE_RUNTIME_PATH");
    environment.xdgRuntimeDir = variable("XDG_RUNTIME_DIR");
    environment.xdgConfigHome = variable("XDG_CONFIG_HOME");
    environment.home = variable("HOME");
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        std::ifstream file(path);
        if (file >> environment.machineId)
            break;
    }
    environment.uid = ::getuid();
    return environment;
}

PulseServerPlaces pulseServerPlaces(const PulseEnvironment& environment) {
    PulseServerPlaces places;
    if (!environment.pulseServer.empty()) {
        std::istringstream entries(environment.pulseServer);
        std::string entry;
        while (entries >> entry) {
            // "{machine-id}address" limits an entry to one machine; the address is what counts.
            if (entry.front() == '{') {
                const auto close = entry.find('}');
                entry = close == std::string::npos ? std::string() : entry.substr(close + 1);
            }
            if (entry.starts_with("unix:"))
                places.sockets.push_back(entry.substr(5));
            else if (entry.starts_with("/"))
                places.sockets.push_back(entry);
            else if (!entry.empty())
                places.remote = true;
        }
        return places;
    }
    // The per-user runtime folder, as libpulse picks it.
    if (!environment.pulseRuntimePath.empty()) {
        places.sockets.push_back(environment.pulseRuntimePath + "/native");
    } else if (!environment.xdgRuntimeDir.empty()) {
        places.sockets.push_back(environment.xdgRuntimeDir + "/pulse/native");
    } else {
        const std::string configHome = !environment.xdgConfigHome.empty()
                                           ? environment.xdgConfigHome + "/pulse"
                                           : environment.home + "/.config/pulse";
        if (!environment.machineId.empty() && configHome.starts_with("/"))
            places.sockets.push_back(configHome + "/" + environment.machineId + "-runtime/native");
        // Session managers create this even when the variable did not reach us.
        places.sockets.push_back("/run/user/" + std::to_string(environment.uid) + "/pulse/native");
    }
    // A system-wide server.
    places.sockets.push_back("/var/run/pulse/native");
    return places;
}

bool pulseServerAnswers() {
    const auto places = pulseServerPlaces(PulseEnvironment::current());
    if (places.remote)
        return true;
    for (const auto& socket : places.sockets)
        if (unixSocketAnswers(socket))
            return true;
    return false;
}

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
    case FMOD_OUTPUTTYPE_PULSEAUDIO:
        api = RtAudio::LINUX_PULSE;
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
        silenceJackChatter();
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
    if (type == FMOD_OUTPUTTYPE_PULSEAUDIO && !pulseServerAnswers())
        return {};
    const auto devices = askWithTimeout<std::vector<OutputDevice>>([api] {
        std::vector<OutputDevice> found;
        const RtAudioLock lock;
        if (!lock.owned())
            return found;
        if (const auto audio = makeRtAudio(*api))
            found = outputDevices(*audio);
        return found;
    });
    return devices.value_or(std::vector<OutputDevice>{});
}

} // namespace soundlib::devices
