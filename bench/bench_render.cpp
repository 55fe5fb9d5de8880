// bench_render [--minutes N] [--rate HZ] [--source FILE]
//
// How fast the sound library turns a long MP3 into mixed output at 44.1 kHz without a device:
// the non-real-time "no sound" output, the same with the wave writer, and ffmpeg decoding the
// same file to 44.1 kHz (converting its rate with soxr, as the library does, when it differs)
// as the yardstick. Exit status: 0 goals met, 1 a goal missed, 2 something failed.
#include "bench_support.h"
#include "soundlib.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::quote;
using bench::run;
using bench::secondsSince;
using bench::SystemGuard;

constexpr double kGoalTimesRealTime = 300.0;
constexpr double kGoalRatioToFfmpeg = 1.25;
constexpr int kRate = 44100;

struct Render {
    double seconds = 0;
    unsigned int lengthMs = 0;
    float fileRate = 0;
};

const char* describe(FMOD_RESULT result) {
    return FMOD_ErrorString(result);
}

// Plays `file` to its end through a non-real-time output; nullopt (with a message) on failure.
std::optional<Render> render(const fs::path& file, FMOD_OUTPUTTYPE output) {
    auto failed = [](const char* call, FMOD_RESULT result) {
        std::fprintf(stderr, "bench_render: %s failed: %d %s\n", call, result, describe(result));
        return std::nullopt;
    };
    SystemGuard guard;
    FMOD_RESULT result = FMOD_System_Create(&guard.system);
    if (result != FMOD_OK)
        return failed("FMOD_System_Create", result);
    if ((result = FMOD_System_SetOutput(guard.system, output)) != FMOD_OK)
        return failed("FMOD_System_SetOutput", result);
    if ((result = FMOD_System_SetSoftwareFormat(guard.system, kRate, FMOD_SOUND_FORMAT_PCM16, 2, 2,
                                                FMOD_DSP_RESAMPLER_LINEAR)) != FMOD_OK)
        return failed("FMOD_System_SetSoftwareFormat", result);
    if ((result = FMOD_System_Init(guard.system, 16, FMOD_INIT_NORMAL, nullptr)) != FMOD_OK)
        return failed("FMOD_System_Init", result);

    const auto start = Clock::now();
    FMOD_CREATESOUNDEXINFO exinfo{};
    exinfo.cbsize = sizeof exinfo;
    FMOD_SOUND sound = 0;
    if ((result = FMOD_System_CreateStream(guard.system, file.c_str(), FMOD_2D | FMOD_SOFTWARE,
                                           &exinfo, &sound)) != FMOD_OK)
        return failed("FMOD_System_CreateStream", result);
    Render outcome;
    if ((result = FMOD_Sound_GetLength(sound, &outcome.lengthMs, FMOD_TIMEUNIT_MS)) != FMOD_OK)
        return failed("FMOD_Sound_GetLength", result);
    if ((result = FMOD_Sound_GetDefaults(sound, &outcome.fileRate, nullptr, nullptr, nullptr)) !=
        FMOD_OK)
        return failed("FMOD_Sound_GetDefaults", result);
    FMOD_CHANNEL channel = 0;
    if ((result = FMOD_System_PlaySound(guard.system, FMOD_CHANNEL_FREE, sound, 0, &channel)) !=
        FMOD_OK)
        return failed("FMOD_System_PlaySound", result);

    // Each update mixes one block; even one-frame blocks would end well before this bound, so
    // hitting it means the channel never ends.
    const uint64_t maxUpdates = uint64_t(outcome.lengthMs) * kRate / 1000 + 1000000;
    for (uint64_t updates = 0;; ++updates) {
        if (updates == maxUpdates) {
            std::fprintf(stderr, "bench_render: the channel did not end\n");
            return std::nullopt;
        }
        if ((result = FMOD_System_Update(guard.system)) != FMOD_OK)
            return failed("FMOD_System_Update", result);
        FMOD_BOOL playing = 0;
        result = FMOD_Channel_IsPlaying(channel, &playing);
        if (result == FMOD_ERR_INVALID_HANDLE) // an ended channel's handle goes stale
            break;
        if (result != FMOD_OK)
            return failed("FMOD_Channel_IsPlaying", result);
        if (!playing)
            break;
    }
    outcome.seconds = secondsSince(start);
    return outcome;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

void usage() {
    std::fprintf(stderr, "usage: bench_render [--minutes N] [--rate HZ] [--source FILE]\n"
                         "  --minutes N    length of the generated MP3 (default 10)\n"
                         "  --rate HZ      sample rate of the generated MP3 (default 44100)\n"
                         "  --source FILE  use FILE instead of generating one\n");
}

} // namespace

int main(int argc, char** argv) {
    double minutes = 10.0;
    int rate = kRate;
    fs::path source;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--minutes" && i + 1 < argc) {
            minutes = std::atof(argv[++i]);
        } else if (arg == "--rate" && i + 1 < argc) {
            rate = std::atoi(argv[++i]);
        } else if (arg == "--source" && i + 1 < argc) {
            source = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (!(minutes > 0) || rate <= 0) {
        usage();
        return 2;
    }

    bench::TempFolder temp("sorvel-bench");
    if (temp.path().empty()) {
        std::fprintf(stderr, "bench_render: cannot make a temporary folder\n");
        return 2;
    }
    if (source.empty()) {
        source = temp.path() / "bench.mp3";
        std::printf("making a %.1f-minute 192 kb/s MP3 at %d Hz with ffmpeg...\n", minutes, rate);
        std::fflush(stdout);
        const auto start = Clock::now();
        if (!bench::makeMusicMp3(source, minutes * 60.0, rate)) {
            std::fprintf(stderr, "bench_render: ffmpeg could not make the source file\n");
            return 2;
        }
        std::printf("  made in %.1f s\n", secondsSince(start));
    }

    const auto plain = render(source, FMOD_OUTPUTTYPE_NOSOUND_NRT);
    if (!plain)
        return 2;
    const double audioSeconds = plain->lengthMs / 1000.0;
    const double timesRealTime = audioSeconds / plain->seconds;

    auto start = Clock::now();
    if (!run("ffmpeg -hide_banner -loglevel error -nostdin -i " + quote(source.string()) +
             " -af aresample=osr=" + std::to_string(kRate) +
             ":resampler=soxr:precision=20 -f null -")) {
        std::fprintf(stderr, "bench_render: ffmpeg could not decode the source file\n");
        return 2;
    }
    const double ffmpegSeconds = secondsSince(start);
    const double ratio = plain->seconds / ffmpegSeconds;

    const fs::path waveOut = temp.path() / "render.wav";
    ::setenv("SORVEL_WAVE_OUT", waveOut.c_str(), 1);
    const auto wave = render(source, FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    if (!wave)
        return 2;
    std::error_code sizeError;
    const auto waveBytes = fs::file_size(waveOut, sizeError);

    // A file at another rate goes through soxr, which costs about as much as decoding the MP3
    // (ffmpeg alone makes only some 250-280x then): its yardstick is ffmpeg doing the same
    // conversion, and the times-real-time goal is for files at the output rate.
    const bool converted = plain->fileRate != float(kRate);
    const bool fastEnough = converted || timesRealTime >= kGoalTimesRealTime;
    const bool closeToFfmpeg = ratio <= kGoalRatioToFfmpeg;
    std::printf("source: %s, %.1f s of audio\n", source.c_str(), audioSeconds);
    std::printf("render, no sound (non-real-time): %.3f s\n", plain->seconds);
    if (converted)
        std::printf("  times real time: %.0fx   (file at %.0f Hz, converted: no goal of its own)\n",
                    timesRealTime, plain->fileRate);
    else
        std::printf("  times real time: %.0fx   goal >= %.0fx: %s\n", timesRealTime,
                    kGoalTimesRealTime, verdict(fastEnough));
    std::printf("ffmpeg decode to %d Hz (-f null): %.3f s\n", kRate, ffmpegSeconds);
    std::printf("  render / ffmpeg: %.2f   goal <= %.2f: %s\n", ratio, kGoalRatioToFfmpeg,
                verdict(closeToFfmpeg));
    std::printf("render, wave writer (non-real-time): %.3f s, %.0fx real time, ", wave->seconds,
                audioSeconds / wave->seconds);
    if (sizeError)
        std::printf("no file written\n");
    else
        std::printf("%llu bytes (%.1f s of 16-bit stereo)\n",
                    static_cast<unsigned long long>(waveBytes),
                    waveBytes > 44 ? double(waveBytes - 44) / (4.0 * kRate) : 0.0);
    return fastEnough && closeToFfmpeg ? 0 : 1;
}
