// bench_stream [--seconds N] [--rate HZ] [--source FILE] [--pulse]
//
// What a playing stream costs each thread of the sound library in real time: an MP3 plays
// at 44.1 kHz through the real-time no-sound output (paced by the clock like a sound card), or
// with --pulse through the PulseAudio server PULSE_SERVER names, while this program reads each
// thread's CPU time and wake-ups (voluntary context switches) from /proc. Exit status: 0 goals
// met, 1 a goal missed, 2 something failed.
#include "bench_support.h"
#include "soundlib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::SystemGuard;

constexpr int kOutputRate = 44100;
// The decoding thread sleeps until its ring has room for a batch of a quarter of a second.
constexpr double kGoalStreamWakeupsPerSecond = 6.0;
constexpr double kGoalStreamCpuPercent = 1.0;

struct ThreadUse {
    std::string name;
    double cpuSeconds = 0;
    long wakeups = 0;
};

// Every thread of this process: name, CPU time (user + system) and voluntary switches.
std::map<int, ThreadUse> threadUse() {
    std::map<int, ThreadUse> threads;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/task", error)) {
        const int tid = std::atoi(entry.path().filename().c_str());
        ThreadUse use;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        use.name = line.substr(open + 1, close - open - 1);
        std::istringstream fields(line.substr(close + 2));
        std::string field;
        unsigned long utime = 0, stime = 0;
        // Fields from the state on: utime and stime are the 12th and 13th of them.
        for (int i = 1; i <= 13 && fields >> field; ++i) {
            if (i == 12)
                utime = std::stoul(field);
            if (i == 13)
                stime = std::stoul(field);
        }
        use.cpuSeconds = static_cast<double>(utime + stime) / ticks;
        std::ifstream status(entry.path() / "status");
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                use.wakeups = std::atol(line.c_str() + line.find(':') + 1);
        }
        threads[tid] = use;
    }
    return threads;
}

void usage() {
    std::fprintf(stderr,
                 "usage: bench_stream [--seconds N] [--rate HZ] [--source FILE] [--pulse]\n"
                 "  --seconds N    how long to play and measure (default 60)\n"
                 "  --rate HZ      sample rate of the generated MP3 (default 44100)\n"
                 "  --source FILE  play FILE instead of generating one\n"
                 "  --pulse        play through PulseAudio instead of the no-sound output\n");
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    int rate = kOutputRate;
    fs::path source;
    FMOD_OUTPUTTYPE output = FMOD_OUTPUTTYPE_NOSOUND;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--rate" && i + 1 < argc) {
            rate = std::atoi(argv[++i]);
        } else if (arg == "--source" && i + 1 < argc) {
            source = argv[++i];
        } else if (arg == "--pulse") {
            output = FMOD_OUTPUTTYPE_PULSEAUDIO;
        } else {
            usage();
            return 2;
        }
    }
    if (!(seconds > 0) || rate <= 0) {
        usage();
        return 2;
    }
    bench::TempFolder temp("sorvel-bench");
    if (source.empty()) {
        source = temp.path() / "stream.mp3";
        if (temp.path().empty() || !bench::makeMusicMp3(source, seconds + 5.0, rate)) {
            std::fprintf(stderr, "bench_stream: ffmpeg could not make the source file\n");
            return 2;
        }
    }

    SystemGuard guard;
    FMOD_SOUND sound = 0;
    FMOD_CHANNEL channel = 0;
    if (FMOD_System_Create(&guard.system) != FMOD_OK ||
        FMOD_System_SetOutput(guard.system, output) != FMOD_OK ||
        FMOD_System_SetSoftwareFormat(guard.system, kOutputRate, FMOD_SOUND_FORMAT_PCM16, 0, 6,
                                      FMOD_DSP_RESAMPLER_LINEAR) != FMOD_OK ||
        FMOD_System_Init(guard.system, 16, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) {
        std::fprintf(stderr, "bench_stream: the sound system did not start\n");
        return 2;
    }
    const auto before = threadUse();
    if (FMOD_System_CreateStream(guard.system, source.c_str(), FMOD_SOFTWARE | FMOD_2D, nullptr,
                                 &sound) != FMOD_OK ||
        FMOD_System_PlaySound(guard.system, FMOD_CHANNEL_FREE, sound, 0, &channel) != FMOD_OK) {
        std::fprintf(stderr, "bench_stream: %s does not play\n", source.c_str());
        return 2;
    }
    // The first fill of the ring is start-up cost, not the steady state measured here.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto start = threadUse();
    const auto started = Clock::now();
    while (bench::secondsSince(started) < seconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        FMOD_System_Update(guard.system); // as the player's tick does
    }
    const double elapsed = bench::secondsSince(started);
    const auto end = threadUse();

    std::printf("%s at %d Hz into %d Hz, %.0f s measured\n", source.filename().c_str(), rate,
                kOutputRate, elapsed);
    std::printf("%-8s %-16s %10s %10s\n", "thread", "name", "CPU %", "wakeups/s");
    double streamCpu = 0, streamWakeups = 0;
    bool streamFound = false;
    for (const auto& [tid, use] : end) {
        const auto first = start.find(tid);
        const ThreadUse zero;
        const ThreadUse& was = first != start.end() ? first->second : zero;
        const double cpu = 100.0 * (use.cpuSeconds - was.cpuSeconds) / elapsed;
        const double wakeups = static_cast<double>(use.wakeups - was.wakeups) / elapsed;
        std::printf("%-8d %-16s %10.2f %10.1f%s\n", tid, use.name.c_str(), cpu, wakeups,
                    before.count(tid) ? "" : "   (started with the stream)");
        if (use.name == "sorvel-stream") {
            streamFound = true;
            streamCpu += cpu;
            streamWakeups += wakeups;
        }
    }
    if (!streamFound) {
        std::printf("no thread named sorvel-stream: goals not checked\n");
        return 1;
    }
    const bool fewWakeups = streamWakeups <= kGoalStreamWakeupsPerSecond;
    const bool cheap = streamCpu <= kGoalStreamCpuPercent;
    std::printf("stream thread: %.1f wake-ups/s, goal <= %.0f: %s\n", streamWakeups,
                kGoalStreamWakeupsPerSecond, fewWakeups ? "met" : "MISSED");
    std::printf("stream thread: %.2f %% CPU, goal <= %.1f %%: %s\n", streamCpu,
                kGoalStreamCpuPercent, cheap ? "met" : "MISSED");
    return fewWakeups && cheap ? 0 : 1;
}
