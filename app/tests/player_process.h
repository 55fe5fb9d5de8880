// What the end-to-end tests of the program share: a player process with its own program
// folder, instance socket and wave file, waiting for conditions, and reading what it left.
#pragma once

#include "test_media.h"

#include <QImage>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace apptest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A child process that is killed if the test leaves before it ended.
class Child {
public:
    // `folder`, when given, is the child's current folder.
    Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
          const fs::path& folder = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    bool running() const { return pid_ > 0 && !exitStatus_; }
    void signal(int number) const;
    // The exit status once the process has ended within `limit`; nothing if it still runs.
    std::optional<int> waitExit(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
};

template <class Condition> bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// Whether a started player runs and writes sound: half a second of it within 30 s.
bool startsPlaying(Child& player, const fs::path& out);

// This process's environment for a player with its own program folder, instance socket
// folder and wave file.
std::vector<std::string> playerEnvironment(const fs::path& home, const fs::path& runtime,
                                           const fs::path& waveOut);

// A test's own folder, with the player's program folder (its settings file written with
// `settings`: the real-time wave writer by default) and its private instance socket folder.
struct PlayerFolders {
    explicit PlayerFolders(const std::string& name,
                           const std::string& settings = "[Etc]\r\n-OutputType=3\r\n");
    fs::path base;
    fs::path home;
    fs::path runtime;
};

// What the X display shows, as a screenshot tool would take it: proves the window is mapped and
// drawn, not only that it can draw itself.
QImage grabDisplay();

// The integer value of `key` in an INI text, if present.
std::optional<int> iniInt(const std::string& text, const std::string& key);

std::string readText(const fs::path& path);

// This process's environment.
std::vector<std::string> currentEnvironment();

// Runs a program to its end (at most `limit`) and returns what it printed on its standard
// output; nothing when it could not run, failed or took too long.
std::optional<std::string> runOutput(const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& environment,
                                     std::chrono::milliseconds limit = 20s);

// A session bus of the test's own, for the player's MPRIS service.
class SessionBus {
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Empty when dbus-daemon could not start.
    const std::string& address() const { return address_; }
    // `environment` with this bus as the session bus.
    std::vector<std::string> join(std::vector<std::string> environment) const;
    // A property of the player's MPRIS object as gdbus prints it; nothing when it cannot be read.
    std::optional<std::string> mprisProperty(const std::string& interface,
                                             const std::string& name) const;
    // Calls a method of the player's MPRIS object; its printed answer, nothing on failure.
    std::optional<std::string> mprisCall(const std::string& method,
                                         const std::vector<std::string>& arguments = {}) const;

private:
    pid_t pid_ = -1;
    std::string address_;
};

} // namespace apptest
