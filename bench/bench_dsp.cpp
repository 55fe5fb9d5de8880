// bench_dsp [--seconds N]
//
// What the processing units cost: each unit alone (ns per stereo frame at 44.1 kHz), the whole
// player chain at once through the flat calls (eight effects, the SFX reverb, twelve equalizer
// bands and the pitch shifter at FFT size 1024) in times real time on one core, seven of our
// units against ffmpeg's own seven-filter chain on the same audio as the yardstick, and the
// time of one spectrum query. Times are processor time of the rendering thread (best of three),
// so other work on the machine does not count against the units.
// Exit status: 0 goals met, 1 a goal missed, 2 something failed.
#include "bench_support.h"
#include "soundlib.h"
#include "standalone_unit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::quote;
using bench::run;
using bench::secondsSince;
using bench::SystemGuard;

constexpr int kRate = 44100;
constexpr double kGoalTimesRealTime = 100.0;
constexpr double kGoalSpectrumMicroseconds = 100.0;

// Processor time of this thread: what the work costs on one core, whatever else the machine
// is doing (the non-real-time outputs render on the calling thread).
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double secondsOf(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

// Music-like stereo: two voices with vibrato and tremolo, a bass line and some noise.
std::vector<float> makeMusic(double seconds) {
    const auto frames = static_cast<size_t>(seconds * kRate);
    std::vector<float> out(frames * 2);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const double tau = 2.0 * std::numbers::pi;
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double bass = 0.2 * std::sin(tau * (55.0 + 27.5 * std::floor(std::fmod(t, 4.0))) * t);
        const double left =
            0.2 * std::sin(tau * 220.0 * t) * (0.6 + 0.4 * std::sin(tau * 0.5 * t)) +
            0.12 * std::sin(tau * 330.0 * t + 2.0 * std::sin(tau * 5.0 * t));
        const double right =
            0.2 * std::sin(tau * 277.18 * t) +
            0.12 * std::sin(tau * 440.0 * t) * (0.5 + 0.5 * std::sin(tau * 0.25 * t));
        out[2 * i] = float(bass + left + 0.03 * noise(random));
        out[2 * i + 1] = float(bass + right + 0.03 * noise(random));
    }
    return out;
}

bool writeWav(const fs::path& path, const std::vector<float>& samples) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (float v : samples) {
        const auto s = static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        out.write(reinterpret_cast<const char*>(&s), 2);
    }
    return bool(out);
}

using Settings = std::vector<std::pair<int, float>>;

// Working settings for each unit: what a listener would have switched on, not a pass-through.
struct UnitCase {
    const char* name;
    FMOD_DSP_TYPE type;
    Settings settings;
};
const std::vector<UnitCase>& unitCases() {
    static const std::vector<UnitCase> cases = {
        {"low-pass", FMOD_DSP_TYPE_LOWPASS, {{0, 2000.0f}, {1, 2.0f}}},
        {"high-pass", FMOD_DSP_TYPE_HIGHPASS, {{0, 200.0f}}},
        {"echo", FMOD_DSP_TYPE_ECHO, {}},
        {"flange", FMOD_DSP_TYPE_FLANGE, {{3, 1.0f}}},
        {"distortion", FMOD_DSP_TYPE_DISTORTION, {}},
        {"EQ band", FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {2, 1.5f}}},
        {"pitch shifter (FFT 1024)", FMOD_DSP_TYPE_PITCHSHIFT, {{0, 1.5f}}},
        {"chorus", FMOD_DSP_TYPE_CHORUS, {}},
        {"reverb", FMOD_DSP_TYPE_REVERB, {}},
        {"compressor", FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}}},
        {"SFX reverb", FMOD_DSP_TYPE_SFXREVERB, {}},
    };
    return cases;
}

// One unit alone on `music`, in 1024-frame blocks; ns per stereo frame.
double unitCost(const UnitCase& c, const std::vector<float>& music) {
    soundlib::bench::StandaloneUnit unit(c.type);
    for (const auto& [index, value] : c.settings)
        unit.setParameter(index, value);
    constexpr size_t kBlock = 1024;
    unit.prepare(kRate, 2, kBlock);
    const size_t frames = music.size() / 2 / kBlock * kBlock;
    // The best of three: the machine may be busy with other work now and then.
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        std::vector<float> buffer(music);
        unit.reset();
        const double start = threadSeconds();
        for (size_t at = 0; at < frames; at += kBlock)
            unit.process(buffer.data() + at * 2, kBlock, 2);
        best = std::min(best, threadSeconds() - start);
    }
    return best * 1e9 / double(frames);
}

// The player's twelve equalizer bands, every one boosting or cutting.
constexpr float kBandCentres[12] = {32,   60,   125,  250,   500,   1000,
                                    2000, 4000, 8000, 16000, 20000, 22000};
constexpr float kBandGains[12] = {1.3f, 1.2f, 1.1f, 0.9f, 0.8f,  0.9f,
                                  1.1f, 1.2f, 1.3f, 1.2f, 0.95f, 1.05f};

// Which units a render runs through.
enum class Chain {
    None,
    // Our counterparts of the seven ffmpeg filters measured below, with the same settings.
    LikeFfmpeg,
    // The whole player: eight effects, the SFX reverb, twelve bands, the pitch shifter.
    Everything,
};

// Plays `wav` to its end through a non-real-time output and the units of `chain`; the
// processor seconds that took.
std::optional<double> renderSeconds(const fs::path& wav, Chain chain, FMOD_SYSTEM* keep = nullptr,
                                    SystemGuard* guardOut = nullptr) {
    SystemGuard local;
    SystemGuard& guard = guardOut ? *guardOut : local;
    auto failed = [](const char* call, FMOD_RESULT result) -> std::optional<double> {
        std::fprintf(stderr, "bench_dsp: %s failed: %d %s\n", call, result,
                     FMOD_ErrorString(result));
        return std::nullopt;
    };
    FMOD_RESULT result;
    if ((result = FMOD_System_Create(&guard.system)) != FMOD_OK)
        return failed("FMOD_System_Create", result);
    FMOD_System_SetOutput(guard.system, FMOD_OUTPUTTYPE_NOSOUND_NRT);
    FMOD_System_SetSoftwareFormat(guard.system, kRate, FMOD_SOUND_FORMAT_PCM16, 2, 2,
                                  FMOD_DSP_RESAMPLER_LINEAR);
    if ((result = FMOD_System_Init(guard.system, 16, FMOD_INIT_NORMAL, nullptr)) != FMOD_OK)
        return failed("FMOD_System_Init", result);
    auto add = [&](FMOD_DSP_TYPE type, const Settings& settings) {
        FMOD_DSP dsp = 0;
        FMOD_RESULT r = FMOD_System_CreateDSPByType(guard.system, type, &dsp);
        for (const auto& [index, value] : settings)
            if (r == FMOD_OK)
                r = FMOD_DSP_SetParameter(dsp, index, value);
        return r == FMOD_OK ? FMOD_System_AddDSP(guard.system, dsp, nullptr) : r;
    };
    if (chain == Chain::LikeFfmpeg) {
        const std::pair<FMOD_DSP_TYPE, Settings> seven[] = {
            {FMOD_DSP_TYPE_LOWPASS, {{0, 12000.0f}}},
            {FMOD_DSP_TYPE_HIGHPASS, {{0, 100.0f}}},
            {FMOD_DSP_TYPE_ECHO, {}},
            {FMOD_DSP_TYPE_FLANGE, {}},
            {FMOD_DSP_TYPE_CHORUS, {}},
            {FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}}},
            {FMOD_DSP_TYPE_PARAMEQ, {{0, 1000.0f}, {2, 1.41f}}},
        };
        for (const auto& [type, settings] : seven)
            if ((result = add(type, settings)) != FMOD_OK)
                return failed("unit", result);
    }
    if (chain == Chain::Everything) {
        // In the order the player attaches them at start-up.
        for (int band = 0; band < 12; ++band)
            if ((result = add(FMOD_DSP_TYPE_PARAMEQ,
                              {{0, kBandCentres[band]}, {2, kBandGains[band]}})) != FMOD_OK)
                return failed("equalizer band", result);
        const std::pair<FMOD_DSP_TYPE, Settings> effects[] = {
            {FMOD_DSP_TYPE_CHORUS, {}},
            {FMOD_DSP_TYPE_DISTORTION, {}},
            {FMOD_DSP_TYPE_ECHO, {}},
            {FMOD_DSP_TYPE_FLANGE, {}},
            {FMOD_DSP_TYPE_HIGHPASS, {{0, 100.0f}}},
            {FMOD_DSP_TYPE_LOWPASS, {{0, 12000.0f}}},
            {FMOD_DSP_TYPE_COMPRESSOR, {{0, -20.0f}}},
            {FMOD_DSP_TYPE_REVERB, {}},
            {FMOD_DSP_TYPE_SFXREVERB, {}},
            {FMOD_DSP_TYPE_PITCHSHIFT, {{0, 1.5f}, {1, 1024.0f}}},
        };
        for (const auto& [type, settings] : effects)
            if ((result = add(type, settings)) != FMOD_OK)
                return failed("effect unit", result);
    }
    FMOD_CREATESOUNDEXINFO exinfo{};
    exinfo.cbsize = sizeof exinfo;
    FMOD_SOUND sound = 0;
    if ((result = FMOD_System_CreateSound(guard.system, wav.c_str(), FMOD_2D | FMOD_SOFTWARE,
                                          &exinfo, &sound)) != FMOD_OK)
        return failed("FMOD_System_CreateSound", result);
    FMOD_CHANNEL channel = 0;
    const double start = threadSeconds();
    if ((result = FMOD_System_PlaySound(guard.system, FMOD_CHANNEL_FREE, sound, 0, &channel)) !=
        FMOD_OK)
        return failed("FMOD_System_PlaySound", result);
    for (;;) {
        if ((result = FMOD_System_Update(guard.system)) != FMOD_OK)
            return failed("FMOD_System_Update", result);
        FMOD_BOOL playing = 0;
        if (FMOD_Channel_IsPlaying(channel, &playing) != FMOD_OK || !playing)
            break;
    }
    if (keep)
        *keep = guard.system;
    return threadSeconds() - start;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_dsp [--seconds N]  (length of the test audio, "
                                 "default 60)\n");
            return 2;
        }
    }
    if (!(seconds >= 1.0)) {
        std::fprintf(stderr, "bench_dsp: --seconds must be at least 1\n");
        return 2;
    }
    bench::TempFolder temp("sorvel-dsp");
    if (temp.path().empty()) {
        std::fprintf(stderr, "bench_dsp: cannot make a temporary folder\n");
        return 2;
    }
    const std::vector<float> music = makeMusic(seconds);
    const fs::path source = temp.path() / "music.wav";
    if (!writeWav(source, music)) {
        std::fprintf(stderr, "bench_dsp: cannot write %s\n", source.c_str());
        return 2;
    }

    std::printf("each unit alone, %.0f s of stereo at 44.1 kHz in 1024-frame blocks:\n", seconds);
    double sum = 0.0;
    for (const UnitCase& c : unitCases()) {
        const double ns = unitCost(c, music);
        sum += ns;
        std::printf("  %-26s %7.1f ns/frame  (%6.0fx real time)\n", c.name, ns, 1e9 / (ns * kRate));
    }
    std::printf("  (one of each: %.1f ns/frame)\n", sum);

    // Best of three again; the last whole-chain system is kept for the queries below.
    SystemGuard keep;
    FMOD_SYSTEM system = 0;
    auto best = [&](Chain chain) -> std::optional<double> {
        std::optional<double> fastest;
        for (int round = 0; round < 3; ++round) {
            SystemGuard guard;
            FMOD_SYSTEM current = 0;
            const auto once = renderSeconds(source, chain, &current, &guard);
            if (!once)
                return std::nullopt;
            fastest = fastest ? std::min(*fastest, *once) : *once;
            if (chain == Chain::Everything && round == 2) {
                std::swap(keep.system, guard.system);
                system = current;
            }
        }
        return fastest;
    };
    const auto plain = best(Chain::None);
    const auto seven = best(Chain::LikeFfmpeg);
    const auto full = best(Chain::Everything);
    if (!plain || !seven || !full)
        return 2;
    const double fullTimes = seconds / *full;
    const bool fastEnough = fullTimes >= kGoalTimesRealTime;
    auto unitShare = [&](double total) { return (total - *plain) * 1e9 / (seconds * kRate); };
    std::printf("render through the flat calls (no sound, non-real-time), processor time:\n");
    std::printf("  no units:                %.3f s, %5.0fx real time\n", *plain, seconds / *plain);
    std::printf(
        "  the seven below, ours:   %.3f s, %5.0fx real time (%.0f ns/frame for the units)\n",
        *seven, seconds / *seven, unitShare(*seven));
    std::printf("  everything on:           %.3f s, %5.0fx real time (%.0f ns/frame for the units)"
                "   goal >= %.0fx: %s\n",
                *full, fullTimes, unitShare(*full), kGoalTimesRealTime, verdict(fastEnough));

    // The yardstick: ffmpeg's own filters, seven of them, on the same file.
    const std::string chain =
        "lowpass=f=12000,highpass=f=100,aecho=1:1:500:0.5,flanger,"
        "chorus=0.5:0.9:40|40|40:0.5|0.5|0.5:0.25|0.4|0.3:0.8|0.8|0.8,acompressor,"
        "equalizer=f=1000:t=o:w=1:g=3";
    // Its processor time too, on one thread, the best of three.
    double ffmpegSeconds = 1e30;
    bool ffmpegRan = false;
    for (int round = 0; round < 3; ++round) {
        rusage before{}, after{};
        getrusage(RUSAGE_CHILDREN, &before);
        if (!run("ffmpeg -hide_banner -loglevel error -nostdin -threads 1 -i " +
                 quote(source.string()) + " -af " + quote(chain) + " -f null -"))
            break;
        getrusage(RUSAGE_CHILDREN, &after);
        ffmpegSeconds =
            std::min(ffmpegSeconds, secondsOf(after.ru_utime) - secondsOf(before.ru_utime) +
                                        secondsOf(after.ru_stime) - secondsOf(before.ru_stime));
        ffmpegRan = true;
    }
    if (ffmpegRan) {
        std::printf("  the seven in ffmpeg:     %.3f s, %5.0fx real time (one thread, -f null)\n",
                    ffmpegSeconds, seconds / ffmpegSeconds);
    } else {
        std::printf("  ffmpeg, seven filters: could not run\n");
    }

    // Queries as the player makes them each tick, on the system that just rendered.
    std::vector<float> values(8192);
    constexpr int kQueries = 20000;
    auto timeQuery = [&](auto&& query) {
        const auto start = Clock::now();
        for (int i = 0; i < kQueries; ++i)
            if (query() != FMOD_OK)
                return -1.0;
        return secondsSince(start) * 1e6 / kQueries;
    };
    const double spectrum512 = timeQuery([&] {
        return FMOD_System_GetSpectrum(system, values.data(), 512, 0, FMOD_DSP_FFT_WINDOW_HANNING);
    });
    const double spectrum8192 = timeQuery([&] {
        return FMOD_System_GetSpectrum(system, values.data(), 8192, 1, FMOD_DSP_FFT_WINDOW_HANNING);
    });
    const double wave256 =
        timeQuery([&] { return FMOD_System_GetWaveData(system, values.data(), 256, 0); });
    if (spectrum512 < 0 || spectrum8192 < 0 || wave256 < 0) {
        std::fprintf(stderr, "bench_dsp: a query failed\n");
        return 2;
    }
    const bool quickEnough = spectrum512 < kGoalSpectrumMicroseconds;
    std::printf("queries:\n");
    std::printf("  spectrum, 512 values, Hanning: %.2f us   goal < %.0f us: %s\n", spectrum512,
                kGoalSpectrumMicroseconds, verdict(quickEnough));
    std::printf("  spectrum, 8192 values:         %.2f us\n", spectrum8192);
    std::printf("  wave data, 256 values:         %.2f us\n", wave256);
    return fastEnough && quickEnough ? 0 : 1;
}
