// Outputs: what the wave writers put on disk, how often each output calls render(), and how
// output types are chosen on whatever machine runs the tests (sound card or not). The
// PulseAudio output has its own tests against a private server.
#include "PacingThread.h"
#include "output.h"
#include "test_media.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <thread>

namespace fs = std::filesystem;
using namespace soundlib;

namespace {

// A ramp through -1..+1 in steps of 1/1000 over the interleaved samples, so both ends of the
// range and every channel position are covered.
float rampValue(uint64_t sampleIndex) {
    return static_cast<float>(static_cast<int>(sampleIndex % 2001) - 1000) / 1000.0f;
}

class RampRenderer final : public Renderer {
public:
    // scale 0 keeps a real sound device quiet while still counting calls.
    explicit RampRenderer(int channels, float scale = 1.0f) : channels_(channels), scale_(scale) {}

    void render(float* interleaved, size_t frames) noexcept override {
        const size_t samples = frames * static_cast<size_t>(channels_);
        for (size_t i = 0; i < samples; ++i)
            interleaved[i] = scale_ * rampValue(nextSample_ + i);
        nextSample_ += samples;
        if (stopped_)
            renderedAfterStop_ = true;
        std::lock_guard lock(mutex_);
        frameCounts_.push_back(frames);
        called_.notify_all();
    }

    // Waits (with a generous safety limit so a broken output fails instead of hanging).
    bool waitForCalls(size_t count) {
        std::unique_lock lock(mutex_);
        return called_.wait_for(lock, std::chrono::seconds(20),
                                [&] { return frameCounts_.size() >= count; });
    }
    std::vector<size_t> frameCounts() {
        std::lock_guard lock(mutex_);
        return frameCounts_;
    }
    size_t calls() { return frameCounts().size(); }
    void markStopped() { stopped_ = true; }
    bool renderedAfterStop() const { return renderedAfterStop_; }

private:
    const int channels_;
    const float scale_;
    uint64_t nextSample_ = 0;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> renderedAfterStop_{false};
    std::mutex mutex_;
    std::condition_variable called_;
    std::vector<size_t> frameCounts_;
};

// Sets or removes an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

class ScopedCurrentPath {
public:
    explicit ScopedCurrentPath(const fs::path& path) : old_(fs::current_path()) {
        fs::current_path(path);
    }
    ~ScopedCurrentPath() { fs::current_path(old_); }

private:
    fs::path old_;
};

fs::path freshDir(const std::string& name) {
    const fs::path dir = testmedia::mediaDir() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// The WAVE file as written, parsed here field by field.
struct ParsedWav {
    uint64_t fileSize = 0;
    uint32_t riffSize = 0;
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    uint32_t sampleRate = 0, byteRate = 0;
    std::optional<uint32_t> factFrames;
    std::vector<uint8_t> data;
};

ParsedWav parseWav(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    auto le16 = [&](size_t at) { return uint16_t(b[at] | b[at + 1] << 8); };
    auto le32 = [&](size_t at) { return uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16; };
    auto idAt = [&](size_t at, const char* id) { return std::memcmp(&b[at], id, 4) == 0; };

    ParsedWav wav;
    wav.fileSize = b.size();
    if (b.size() < 12 || !idAt(0, "RIFF") || !idAt(8, "WAVE")) {
        ADD_FAILURE() << path << " is not RIFF WAVE";
        return wav;
    }
    wav.riffSize = le32(4);
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = le32(at + 4);
        const size_t body = at + 8;
        if (body + size > b.size()) {
            ADD_FAILURE() << "chunk runs past the end of " << path;
            break;
        }
        if (idAt(at, "fmt ")) {
            wav.formatTag = le16(body);
            wav.channels = le16(body + 2);
            wav.sampleRate = le32(body + 4);
            wav.byteRate = le32(body + 8);
            wav.blockAlign = le16(body + 12);
            wav.bitsPerSample = le16(body + 14);
        } else if (idAt(at, "fact")) {
            wav.factFrames = le32(body);
        } else if (idAt(at, "data")) {
            wav.data.assign(b.begin() + body, b.begin() + body + size);
        }
        at = body + size + (size & 1);
    }
    return wav;
}

double decodeSample(const uint8_t* p, int bits, int formatTag) {
    switch (bits) {
    case 8:
        return (p[0] - 128) / 128.0;
    case 16:
        return int16_t(uint16_t(p[0] | p[1] << 8)) / 32768.0;
    case 24: {
        int32_t v = p[0] | p[1] << 8 | p[2] << 16;
        return (v >= 0x800000 ? v - 0x1000000 : v) / 8388608.0;
    }
    default: {
        const uint32_t u =
            uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        if (formatTag == 3) {
            float f;
            std::memcpy(&f, &u, 4);
            return f;
        }
        return int32_t(u) / 2147483648.0;
    }
    }
}

struct FormatCase {
    FMOD_SOUND_FORMAT format;
    int bits;
    int formatTag;
};

OutputConfig configFor(FMOD_SOUND_FORMAT format, int rate, int channels, size_t blockFrames) {
    OutputConfig config;
    config.format = format;
    config.sampleRate = rate;
    config.channels = channels;
    config.blockFrames = blockFrames;
    return config;
}

std::unique_ptr<Output> makeOutput(FMOD_OUTPUTTYPE type) {
    FMOD_RESULT result = -1;
    auto output = createOutput(type, result);
    EXPECT_EQ(result, FMOD_OK) << "type " << type;
    EXPECT_NE(output, nullptr) << "type " << type;
    return output;
}

class WaveWriterFormats : public ::testing::TestWithParam<FormatCase> {};

// Silence while it says it rests (as the mixer does with nothing playing), a steady 0.5 after.
class RestingRenderer final : public Renderer {
public:
    void render(float* interleaved, size_t frames) noexcept override {
        const bool rest = resting.load();
        std::fill_n(interleaved, frames * 2, rest ? 0.0f : 0.5f);
        rested_ = rest ? rested_ + frames : 0;
        calls.fetch_add(1);
    }
    uint64_t restingFrames() const noexcept override { return rested_; }

    std::atomic<bool> resting{true};
    std::atomic<size_t> calls{0};

private:
    uint64_t rested_ = 0;
};

} // namespace

// ---- wave writers ----

TEST_P(WaveWriterFormats, NonRealTimeWriterStoresHeaderAndRampInTheFormat) {
    const FormatCase fc = GetParam();
    const fs::path path = freshDir("wav_formats") / ("ramp" + std::to_string(fc.bits) + ".wav");
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    constexpr int kChannels = 2, kRate = 44100, kPumps = 7;
    constexpr size_t kBlock = 300;

    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    EXPECT_FALSE(output->realTime());
    RampRenderer renderer(kChannels);
    ASSERT_EQ(output->start(configFor(fc.format, kRate, kChannels, kBlock), renderer), FMOD_OK);
    for (int i = 0; i < kPumps; ++i)
        output->pump();
    output->stop();

    const ParsedWav wav = parseWav(path);
    const uint32_t align = kChannels * fc.bits / 8;
    EXPECT_EQ(wav.riffSize + 8u, wav.fileSize);
    EXPECT_EQ(wav.formatTag, fc.formatTag);
    EXPECT_EQ(wav.channels, kChannels);
    EXPECT_EQ(wav.sampleRate, uint32_t(kRate));
    EXPECT_EQ(wav.bitsPerSample, fc.bits);
    EXPECT_EQ(wav.blockAlign, align);
    EXPECT_EQ(wav.byteRate, kRate * align);
    ASSERT_EQ(wav.data.size(), kPumps * kBlock * align);
    if (fc.formatTag == 3) {
        ASSERT_TRUE(wav.factFrames);
        EXPECT_EQ(*wav.factFrames, kPumps * kBlock);
    }

    const double step = fc.formatTag == 3 ? 0.0 : std::ldexp(1.0, -(fc.bits - 1));
    const size_t samples = wav.data.size() / (fc.bits / 8);
    for (size_t i = 0; i < samples; ++i) {
        const double stored = decodeSample(&wav.data[i * (fc.bits / 8)], fc.bits, fc.formatTag);
        ASSERT_NEAR(stored, rampValue(i), step + 1e-9) << "sample " << i;
    }
    // The shared reader (strict about sizes) agrees.
    const auto read = testmedia::readWav(path);
    EXPECT_EQ(read.frames(), kPumps * kBlock);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, WaveWriterFormats,
                         ::testing::Values(FormatCase{FMOD_SOUND_FORMAT_PCM8, 8, 1},
                                           FormatCase{FMOD_SOUND_FORMAT_PCM16, 16, 1},
                                           FormatCase{FMOD_SOUND_FORMAT_PCM24, 24, 1},
                                           FormatCase{FMOD_SOUND_FORMAT_PCM32, 32, 1},
                                           FormatCase{FMOD_SOUND_FORMAT_PCMFLOAT, 32, 3}),
                         [](const auto& info) {
                             return info.param.formatTag == 3
                                        ? std::string("Float")
                                        : "Pcm" + std::to_string(info.param.bits);
                         });

TEST(WaveWriterOutput, DestroyingWithoutStopStillFinishesTheFile) {
    const fs::path path = freshDir("wav_destroy") / "unstopped.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RampRenderer renderer(2);
    {
        auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
        ASSERT_TRUE(output);
        ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 2, 256), renderer),
                  FMOD_OK);
        output->pump();
        output->pump();
    }
    const ParsedWav wav = parseWav(path);
    EXPECT_EQ(wav.riffSize + 8u, wav.fileSize);
    EXPECT_EQ(wav.data.size(), 2u * 256 * 4);
}

TEST(WaveWriterOutput, OddSizedDataIsPaddedAndDescribedExactly) {
    const fs::path path = freshDir("wav_odd") / "odd.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RampRenderer renderer(1);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM8, 8000, 1, 3), renderer), FMOD_OK);
    output->pump();
    output->stop();
    const ParsedWav wav = parseWav(path);
    EXPECT_EQ(wav.data.size(), 3u);
    EXPECT_EQ(wav.fileSize, 44u + 3u + 1u);
    EXPECT_EQ(wav.riffSize + 8u, wav.fileSize);
    EXPECT_NO_THROW(testmedia::readWav(path));
}

TEST(WaveWriterOutput, UnwritablePathAnswersOutputInitAndRendersNothing) {
    const fs::path dir = freshDir("wav_unwritable");
    RampRenderer renderer(2);
    for (const fs::path& path : {dir / "missing" / "out.wav", dir}) {
        ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
        for (FMOD_OUTPUTTYPE type : {FMOD_OUTPUTTYPE_WAVWRITER_NRT, FMOD_OUTPUTTYPE_WAVWRITER}) {
            auto output = makeOutput(type);
            ASSERT_TRUE(output);
            EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 2, 512), renderer),
                      FMOD_ERR_OUTPUT_INIT)
                << path;
            output->pump();
            output->stop();
        }
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(renderer.calls(), 0u);
}

TEST(WaveWriterOutput, FullDiskAtStartAnswersOutputInitAndRemovesOnlyPlainFiles) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    // Through a link, so even a faulty clean-up could only remove the link.
    const fs::path link = freshDir("wav_full") / "full.wav";
    fs::create_symlink("/dev/full", link);
    ScopedEnv env("SORVEL_WAVE_OUT", link.c_str());
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 2, 512), renderer),
              FMOD_ERR_OUTPUT_INIT);
    output->pump();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(renderer.calls(), 0u);
}

TEST(WaveWriterOutput, FormatsWithoutPlainSamplesAnswerOutputFormat) {
    const fs::path path = freshDir("wav_badformat") / "never.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_MPEG, 44100, 2, 512), renderer),
              FMOD_ERR_OUTPUT_FORMAT);
    EXPECT_FALSE(fs::exists(path));
}

TEST(WaveWriterOutput, WithoutTheVariableWritesSorvelOutputWavInTheCurrentFolder) {
    const fs::path dir = freshDir("wav_default_name");
    ScopedEnv env("SORVEL_WAVE_OUT", nullptr);
    ScopedCurrentPath cwd(dir);
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 2, 100), renderer), FMOD_OK);
    output->pump();
    output->stop();
    EXPECT_EQ(parseWav(dir / "sorvel_output.wav").data.size(), 400u);
}

TEST(WaveWriterOutput, RealTimeWriterKeepsRenderingAndStoresEveryBlock) {
    const fs::path path = freshDir("wav_realtime") / "paced.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER);
    ASSERT_TRUE(output);
    EXPECT_TRUE(output->realTime());
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 2, 128), renderer), FMOD_OK);
    output->pump(); // a no-op for paced outputs
    ASSERT_TRUE(renderer.waitForCalls(4));
    output->stop();
    renderer.markStopped();

    const size_t calls = renderer.calls();
    const ParsedWav wav = parseWav(path);
    EXPECT_EQ(wav.riffSize + 8u, wav.fileSize);
    EXPECT_EQ(wav.data.size(), calls * 128 * 4);
    for (size_t frames : renderer.frameCounts())
        EXPECT_EQ(frames, 128u);
    // The writer thread wrote every block handed to it, whole and in order.
    for (size_t i = 0; i < wav.data.size() / 2; ++i)
        ASSERT_NEAR(decodeSample(&wav.data[i * 2], 16, 1), rampValue(i), 1.0 / 32768 + 1e-9)
            << "sample " << i;
}

TEST(WaveWriterOutput, RealTimeWriterRestsOnSilenceYetFollowsTheClockAndWakesForAChange) {
    using namespace std::chrono;
    const fs::path path = freshDir("wav_resting") / "rested.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RestingRenderer renderer;
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER);
    ASSERT_TRUE(output);
    const auto began = steady_clock::now();
    // 10-ms blocks: 250 renders in 2.5 s when paced block by block.
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 2, 480), renderer), FMOD_OK);
    std::this_thread::sleep_for(2500ms);
    const size_t restingCalls = renderer.calls.load();
    EXPECT_LT(restingCalls, 150u) << "a second of silence, then a render every half second";

    renderer.resting.store(false);
    output->changeComing();
    const auto woken = steady_clock::now();
    // At the resting pace 30 renders would take 15 s.
    while (renderer.calls.load() < restingCalls + 30 && steady_clock::now() - woken < 5s)
        std::this_thread::sleep_for(10ms);
    EXPECT_GE(renderer.calls.load(), restingCalls + 30);
    const double elapsed = duration<double>(steady_clock::now() - began).count();
    output->stop();

    // The file keeps the clock: silence for every block rested over, then the sound.
    const ParsedWav wav = parseWav(path);
    const size_t frames = wav.data.size() / 4;
    EXPECT_NEAR(double(frames) / 48000.0, elapsed, 0.6);
    auto sample = [&](size_t frame) { return decodeSample(&wav.data[frame * 4], 16, 1); };
    size_t firstSound = 0;
    while (firstSound < frames && sample(firstSound) == 0.0)
        ++firstSound;
    EXPECT_GT(double(firstSound) / 48000.0, 2.0);
    for (size_t frame = firstSound; frame < frames; ++frame)
        ASSERT_NEAR(sample(frame), 0.5, 1e-4) << "frame " << frame;
}

TEST(WaveWriterOutput, RejectsConfigWithoutChannelsRateOrBlock) {
    const fs::path path = freshDir("wav_badconfig") / "never.wav";
    ScopedEnv env("SORVEL_WAVE_OUT", path.c_str());
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 0, 512), renderer),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 0, 2, 512), renderer),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 2, 0), renderer),
              FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(fs::exists(path));
}

// ---- no-sound outputs ----

TEST(NoSoundOutput, NonRealTimeRendersExactlyOneBlockPerPump) {
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_NOSOUND_NRT);
    ASSERT_TRUE(output);
    EXPECT_FALSE(output->realTime());
    output->pump(); // not started: nothing to render for
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 44100, 2, 777), renderer), FMOD_OK);
    EXPECT_EQ(renderer.calls(), 0u) << "start alone must not render";
    for (int i = 0; i < 5; ++i)
        output->pump();
    output->stop();
    output->pump();
    EXPECT_EQ(renderer.frameCounts(), std::vector<size_t>(5, 777));
}

TEST(NoSoundOutput, RealTimeRendersRepeatedlyAndNeverAfterStop) {
    RampRenderer renderer(2);
    auto output = makeOutput(FMOD_OUTPUTTYPE_NOSOUND);
    ASSERT_TRUE(output);
    EXPECT_TRUE(output->realTime());
    // 64 frames at 48 kHz: a block every 1.3 ms, so a late render after stop would show.
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 2, 64), renderer), FMOD_OK);
    ASSERT_TRUE(renderer.waitForCalls(5));
    output->stop();
    renderer.markStopped();
    const size_t callsAtStop = renderer.calls();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(renderer.calls(), callsAtStop);
    EXPECT_FALSE(renderer.renderedAfterStop());
    for (size_t frames : renderer.frameCounts())
        EXPECT_EQ(frames, 64u);
}

TEST(NoSoundOutput, RestartsAfterStopWithTheNewBlockSize) {
    RampRenderer renderer(1);
    auto output = makeOutput(FMOD_OUTPUTTYPE_NOSOUND);
    ASSERT_TRUE(output);
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 1, 64), renderer), FMOD_OK);
    ASSERT_TRUE(renderer.waitForCalls(2));
    output->stop();
    const size_t first = renderer.calls();
    ASSERT_EQ(output->start(configFor(FMOD_SOUND_FORMAT_PCM16, 48000, 1, 32), renderer), FMOD_OK);
    ASSERT_TRUE(renderer.waitForCalls(first + 2));
    output->stop();
    const auto counts = renderer.frameCounts();
    EXPECT_EQ(counts[first], 32u);
    EXPECT_EQ(counts.back(), 32u);
}

// ---- pacing arithmetic ----

TEST(PacingThread, BlockDeadlinesAreExactAndDoNotDriftOverLongRuns) {
    using std::chrono::nanoseconds;
    using std::chrono::seconds;
    EXPECT_EQ(blockDeadline(0, 1024, 44100), nanoseconds(0));
    EXPECT_EQ(blockDeadline(1, 480, 48000), std::chrono::milliseconds(10));
    EXPECT_EQ(blockDeadline(375, 1024, 48000), seconds(8));
    // 1024 frames at 44.1 kHz is not a whole number of nanoseconds; a per-block increment would
    // be off by then. A month of blocks still lands on the exact second.
    EXPECT_EQ(blockDeadline(44100, 1024, 44100), seconds(1024));
    EXPECT_EQ(blockDeadline(uint64_t(44100) * 2600, 1024, 44100), seconds(uint64_t(1024) * 2600));
    // Rounded down, never up: a block is never due before its audio time.
    EXPECT_EQ(blockDeadline(1, 1024, 44100), nanoseconds(23219954));
    // How many are due is the other way round: block k is due from its deadline on.
    EXPECT_EQ(blocksDue(nanoseconds(0), 1024, 44100), 1u);
    EXPECT_EQ(blocksDue(nanoseconds(-1), 1024, 44100), 0u);
    for (const uint64_t k : {1ull, 2ull, 375ull, 44100ull * 2600}) {
        EXPECT_EQ(blocksDue(blockDeadline(k, 1024, 44100), 1024, 44100), k + 1) << k;
        EXPECT_EQ(blocksDue(blockDeadline(k, 1024, 44100) - nanoseconds(1), 1024, 44100), k) << k;
    }
}

// ---- choosing outputs ----

TEST(OutputFactory, AutodetectGivesAWorkingOutputOnThisMachine) {
    const FMOD_OUTPUTTYPE detected = resolveOutputType(FMOD_OUTPUTTYPE_AUTODETECT);
    EXPECT_TRUE(detected == FMOD_OUTPUTTYPE_PULSEAUDIO || detected == FMOD_OUTPUTTYPE_ALSA ||
                detected == FMOD_OUTPUTTYPE_NOSOUND)
        << detected;
    for (FMOD_OUTPUTTYPE windowsOrUnknown :
         {FMOD_OUTPUTTYPE_UNKNOWN, FMOD_OUTPUTTYPE_DSOUND, FMOD_OUTPUTTYPE_WINMM,
          FMOD_OUTPUTTYPE_OPENAL, FMOD_OUTPUTTYPE_WASAPI, FMOD_OUTPUTTYPE_ASIO})
        EXPECT_EQ(resolveOutputType(windowsOrUnknown), detected) << windowsOrUnknown;

    EXPECT_FALSE(listDrivers(FMOD_OUTPUTTYPE_AUTODETECT).empty());
    RampRenderer renderer(2, 0.0f);
    auto output = makeOutput(FMOD_OUTPUTTYPE_AUTODETECT);
    ASSERT_TRUE(output);
    EXPECT_TRUE(output->realTime());
    OutputConfig config;
    ASSERT_EQ(output->start(config, renderer), FMOD_OK);
    ASSERT_TRUE(renderer.waitForCalls(2));
    output->stop();
}

TEST(OutputFactory, ConcreteTypesResolveToThemselves) {
    for (FMOD_OUTPUTTYPE type :
         {FMOD_OUTPUTTYPE_NOSOUND, FMOD_OUTPUTTYPE_WAVWRITER, FMOD_OUTPUTTYPE_NOSOUND_NRT,
          FMOD_OUTPUTTYPE_WAVWRITER_NRT, FMOD_OUTPUTTYPE_OSS, FMOD_OUTPUTTYPE_ALSA,
          FMOD_OUTPUTTYPE_ESD, FMOD_OUTPUTTYPE_PULSEAUDIO, FMOD_OUTPUTTYPE_JACK})
        EXPECT_EQ(resolveOutputType(type), type);
}

TEST(OutputFactory, TypesThisBuildCannotOfferAnswerPluginMissing) {
    for (FMOD_OUTPUTTYPE type : std::initializer_list<FMOD_OUTPUTTYPE>{
             FMOD_OUTPUTTYPE_OSS, FMOD_OUTPUTTYPE_ESD, 15, 99, -1}) {
        FMOD_RESULT result = FMOD_OK;
        EXPECT_EQ(createOutput(type, result), nullptr) << type;
        EXPECT_EQ(result, FMOD_ERR_PLUGIN_MISSING) << type;
    }
}

TEST(OutputFactory, SoftwareOutputsListOneDriverAndPaceAsNamed) {
    EXPECT_EQ(listDrivers(FMOD_OUTPUTTYPE_NOSOUND).size(), 1u);
    EXPECT_EQ(listDrivers(FMOD_OUTPUTTYPE_NOSOUND_NRT).size(), 1u);
    EXPECT_EQ(listDrivers(FMOD_OUTPUTTYPE_WAVWRITER).size(), 1u);
    EXPECT_EQ(listDrivers(FMOD_OUTPUTTYPE_WAVWRITER_NRT).size(), 1u);
    EXPECT_TRUE(listDrivers(FMOD_OUTPUTTYPE_OSS).empty());
    EXPECT_TRUE(makeOutput(FMOD_OUTPUTTYPE_NOSOUND)->realTime());
    EXPECT_TRUE(makeOutput(FMOD_OUTPUTTYPE_WAVWRITER)->realTime());
    EXPECT_FALSE(makeOutput(FMOD_OUTPUTTYPE_NOSOUND_NRT)->realTime());
    EXPECT_FALSE(makeOutput(FMOD_OUTPUTTYPE_WAVWRITER_NRT)->realTime());
}

TEST(OutputFactory, DeviceOutputsRejectDriversOutsideTheirList) {
    for (FMOD_OUTPUTTYPE type :
         {FMOD_OUTPUTTYPE_ALSA, FMOD_OUTPUTTYPE_PULSEAUDIO, FMOD_OUTPUTTYPE_JACK}) {
        const auto names = listDrivers(type);
        auto output = makeOutput(type);
        ASSERT_TRUE(output) << type;
        EXPECT_TRUE(output->realTime());
        RampRenderer renderer(2);
        // With no device at all the output cannot start; otherwise the index is the fault.
        const FMOD_RESULT expected = names.empty() ? FMOD_ERR_OUTPUT_INIT : FMOD_ERR_INVALID_PARAM;
        for (int driver : {static_cast<int>(names.size()), -1}) {
            OutputConfig config;
            config.driver = driver;
            EXPECT_EQ(output->start(config, renderer), expected) << type << " driver " << driver;
        }
        output->stop();
        EXPECT_EQ(renderer.calls(), 0u);
    }
}
