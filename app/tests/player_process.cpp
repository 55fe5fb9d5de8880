#include "player_process.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace apptest {
namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (const std::string& text : texts) {
        result.push_back(const_cast<char*>(text.c_str()));
    }
    result.push_back(nullptr);
    return result;
}

// Starts a program with its standard output into `outputFd` (when >= 0); -1 on failure.
pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const fs::path& folder, int outputFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    }
    if (outputFd >= 0) {
        // A helper whose output is read: what it says on failure is only noise in the log.
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    // posix_spawnp: the helper programs (gdbus, dbus-daemon) are found on PATH.
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

std::vector<std::string> currentEnvironment() {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    return environment;
}

Child::Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const fs::path& folder)
    : pid_(spawn(arguments, environment, folder, -1)) {}

Child::~Child() {
    if (running()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

void Child::signal(int number) const {
    if (running()) {
        ::kill(pid_, number);
    }
}

std::optional<int> Child::waitExit(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (running()) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (Clock::now() > end) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(20ms);
    }
    return exitStatus_;
}

bool startsPlaying(Child& player, const fs::path& out) {
    waitFor([&] { return testmedia::writtenSeconds(out) > 0.5 || !player.running(); }, 30s);
    return player.running() && testmedia::writtenSeconds(out) > 0.5;
}

std::vector<std::string> playerEnvironment(const fs::path& home, const fs::path& runtime,
                                           const fs::path& waveOut) {
    std::vector<std::string> environment;
    for (const std::string& text : currentEnvironment()) {
        if (text.rfind("SORVEL_", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0) {
            environment.push_back(text);
        }
    }
    environment.push_back("SORVEL_HOME=" + home.string());
    environment.push_back("SORVEL_WAVE_OUT=" + waveOut.string());
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    return environment;
}

PlayerFolders::PlayerFolders(const std::string& name, const std::string& settings)
    : base(testmedia::mediaDir() / name), home(base / "home"), runtime(base / "runtime") {
    fs::create_directories(home);
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(home / "sorvel_Settings.ini", std::ios::binary) << settings;
}

QImage grabDisplay() {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->grabWindow(0).toImage() : QImage();
}

std::optional<int> iniInt(const std::string& text, const std::string& key) {
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::atoi(text.c_str() + at + key.size() + 2);
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::string> runOutput(const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& environment,
                                     std::chrono::milliseconds limit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    const pid_t pid = spawn(arguments, environment, {}, fds[1]);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string output;
    const auto end = Clock::now() + limit;
    std::optional<int> status;
    while (!status) {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) {
            output.append(buffer, static_cast<size_t>(got));
        }
        int raw = 0;
        if (::waitpid(pid, &raw, WNOHANG) == pid) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
        } else if (Clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &raw, 0);
            ::close(fds[0]);
            return std::nullopt;
        } else {
            std::this_thread::sleep_for(10ms);
        }
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    if (*status != 0) {
        return std::nullopt;
    }
    return output;
}

SessionBus::SessionBus() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = spawn({"dbus-daemon", "--session", "--nofork", "--nosyslog", "--print-address"},
                 currentEnvironment(), {}, fds[1]);
    ::close(fds[1]);
    std::string line;
    char c = 0;
    while (pid_ > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(fds[0]);
    address_ = line;
}

SessionBus::~SessionBus() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::vector<std::string> SessionBus::join(std::vector<std::string> environment) const {
    std::erase_if(environment, [](const std::string& entry) {
        return entry.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0;
    });
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + address_);
    return environment;
}

std::optional<std::string> SessionBus::mprisProperty(const std::string& interface,
                                                     const std::string& name) const {
    return mprisCall("org.freedesktop.DBus.Properties.Get", {interface, name});
}

std::optional<std::string> SessionBus::mprisCall(const std::string& method,
                                                 const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"gdbus",
                                        "call",
                                        "--session",
                                        "--dest",
                                        "org.mpris.MediaPlayer2.sorvel",
                                        "--object-path",
                                        "/org/mpris/MediaPlayer2",
                                        "--method",
                                        method};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runOutput(command, join(currentEnvironment()), 10s);
}

} // namespace apptest
