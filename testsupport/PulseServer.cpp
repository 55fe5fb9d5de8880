#include "PulseServer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace sorvel {

namespace {

using namespace std::chrono_literals;

// Runs a shell command; its standard output when it exits with 0.
std::optional<std::string> capture(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

bool exited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

PulseServer::PulseServer() {
    if (const char* server = std::getenv("PULSE_SERVER"))
        previousServer_ = server;
    const auto runtime = folder_ / "runtime";
    const auto home = folder_ / "home";
    std::filesystem::create_directories(runtime);
    std::filesystem::create_directories(home);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const std::string socket = (folder_ / "native").string();

    // The server's own environment; the test process only learns where its socket is.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (!text.starts_with("HOME=") && !text.starts_with("XDG_RUNTIME_DIR=") &&
            !text.starts_with("PULSE_"))
            environment.emplace_back(text);
    }
    environment.push_back("HOME=" + home.string());
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    std::vector<std::string> arguments{
        "pulseaudio",
        "-n",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--use-pid-file=no",
        "--disallow-exit",
        "-L",
        std::string("module-null-sink sink_name=") + kSink +
            " sink_properties='device.description=\"" + kSinkDescription + "\"'",
        "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + socket,
    };
    auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> list;
        for (auto& text : texts)
            list.push_back(text.data());
        list.push_back(nullptr);
        return list;
    };
    auto argv = pointers(arguments);
    auto envp = pointers(environment);

    const std::string log = (folder_ / "server.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawnp(&pid, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        failure_ = "cannot run pulseaudio (install pulseaudio and pulseaudio-utils)";
        return;
    }
    pid_ = pid;
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    bool answered = false;
    for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
        if (exited(pid_)) {
            pid_ = -1;
            std::ifstream in(log);
            failure_ =
                "pulseaudio ended at start: " + std::string(std::istreambuf_iterator<char>(in), {});
            return;
        }
        answered = pactl("info").has_value();
        if (!answered)
            std::this_thread::sleep_for(50ms);
    }
    if (!answered) {
        failure_ = "pulseaudio did not answer within five seconds";
        kill();
        return;
    }
    keepRunning(kSink);
}

void PulseServer::keepRunning(const std::string& sink) {
    // A silent stream asking for 10 ms, and a suspend that brings the sink's clock back to now.
    std::vector<std::string> arguments{"pacat",
                                       "--playback",
                                       "--device=" + sink,
                                       "--latency-msec=10",
                                       "--raw",
                                       "--format=s16le",
                                       "--rate=44100",
                                       "--channels=2",
                                       "--client-name=keeper",
                                       "--stream-name=keeper",
                                       "/dev/zero"};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, "pacat", &actions, nullptr, argv.data(), environ) == 0)
        keepers_.push_back(pid);
    posix_spawn_file_actions_destroy(&actions);
    const size_t streams = keepers_.size();
    for (int attempt = 0; attempt < 40; ++attempt) {
        const auto inputs = pactl("list sink-inputs short");
        if (inputs &&
            static_cast<size_t>(std::count(inputs->begin(), inputs->end(), '\n')) >= streams)
            break;
        std::this_thread::sleep_for(50ms);
    }
    pactl("suspend-sink " + sink + " 1");
    pactl("suspend-sink " + sink + " 0");
}

PulseServer::~PulseServer() {
    for (const pid_t keeper : keepers_) {
        ::kill(keeper, SIGKILL);
        int status = 0;
        ::waitpid(keeper, &status, 0);
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (exited(pid_)) {
                pid_ = -1; // reaped: the number may already belong to another process
                break;
            }
            std::this_thread::sleep_for(50ms);
        }
        kill();
    }
    if (previousServer_)
        ::setenv("PULSE_SERVER", previousServer_->c_str(), 1);
    else
        ::unsetenv("PULSE_SERVER");
}

void PulseServer::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::optional<std::string> PulseServer::pactl(const std::string& arguments) const {
    return capture("pactl " + arguments);
}

int PulseServer::addSink(const std::string& name, const std::string& description) {
    const auto index = pactl("load-module module-null-sink sink_name=" + name +
                             " sink_properties=device.description=" + description);
    if (!index)
        return -1;
    keepRunning(name);
    return std::atoi(index->c_str());
}

bool PulseServer::unloadSink(int module) const {
    return pactl("unload-module " + std::to_string(module)).has_value();
}

std::vector<float> PulseServer::record(const std::string& sink, double seconds) const {
    const auto file = folder_ / "recorded.raw";
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.2f", seconds);
    capture("timeout -s INT " + std::string(duration) + " parec -d " + sink +
            ".monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 > " +
            file.string());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<float> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        int16_t value = 0;
        std::memcpy(&value, bytes.data() + 2 * i, 2);
        samples[i] = static_cast<float>(value) / 32768.0f;
    }
    return samples;
}

std::string PulseServer::ourStream() const {
    const auto list = pactl("list sink-inputs");
    if (!list)
        return {};
    for (size_t at = list->find("Sink Input #"); at != std::string::npos;) {
        const size_t next = list->find("Sink Input #", at + 1);
        const std::string section = list->substr(at, next - at);
        if (section.find("application.name = \"Sorvel\"") != std::string::npos)
            return section;
        at = next;
    }
    return {};
}

std::string PulseServer::sinkOfOurStream() const {
    const std::string stream = ourStream();
    const size_t at = stream.find("Sink: ");
    const auto sinks = pactl("list sinks short");
    if (at == std::string::npos || !sinks)
        return {};
    const std::string index = stream.substr(at + 6, stream.find('\n', at) - at - 6);
    // Lines of "index<TAB>name<TAB>...".
    for (size_t line = 0; line < sinks->size();) {
        const size_t end = std::min(sinks->find('\n', line), sinks->size());
        const std::string text = sinks->substr(line, end - line);
        const size_t tab = text.find('\t');
        if (text.substr(0, tab) == index)
            return text.substr(tab + 1, text.find('\t', tab + 1) - tab - 1);
        line = end + 1;
    }
    return {};
}

bool PulseServer::sinkInputsShow(const std::string& text) const {
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (ourStream().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

} // namespace sorvel
