// A sound system on the non-real-time wave writer, for tests that check what was rendered.
#pragma once

#include "soundlib.h"
#include "test_media.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <type_traits>
#include <vector>

namespace playbacktest {

struct RenderSettings {
    int sampleRate = 44100;
    FMOD_SOUND_FORMAT format = FMOD_SOUND_FORMAT_PCMFLOAT;
    FMOD_DSP_RESAMPLER resampler = FMOD_DSP_RESAMPLER_LINEAR;
    FMOD_SPEAKERMODE speakerMode = FMOD_SPEAKERMODE_STEREO;
    FMOD_OUTPUTTYPE output = FMOD_OUTPUTTYPE_WAVWRITER_NRT;
    int channels = 16;
};

class RenderedSystem {
public:
    explicit RenderedSystem(const RenderSettings& settings = {}) : settings_(settings) {
        static int counter = 0;
        wavePath_ = testmedia::mediaDir() / ("render" + std::to_string(++counter) + ".wav");
        setenv("SORVEL_WAVE_OUT", wavePath_.c_str(), 1);
        EXPECT_EQ(FMOD_System_Create(&system), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetOutput(system, settings.output), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetSoftwareFormat(system, settings.sampleRate, settings.format, 0, 6,
                                                settings.resampler),
                  FMOD_OK);
        EXPECT_EQ(FMOD_System_SetSpeakerMode(system, settings.speakerMode), FMOD_OK);
        EXPECT_EQ(FMOD_System_Init(system, settings.channels, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    }
    ~RenderedSystem() {
        if (system != 0) {
            FMOD_System_Release(system);
        }
    }
    RenderedSystem(const RenderedSystem&) = delete;
    RenderedSystem& operator=(const RenderedSystem&) = delete;

    FMOD_SOUND open(const std::filesystem::path& path, FMOD_MODE mode = FMOD_SOFTWARE | FMOD_2D,
                    bool stream = true) {
        FMOD_CREATESOUNDEXINFO info{};
        info.cbsize = 108;
        FMOD_SOUND sound = 0;
        const FMOD_RESULT result =
            stream ? FMOD_System_CreateStream(system, path.c_str(), mode, &info, &sound)
                   : FMOD_System_CreateSound(system, path.c_str(), mode, &info, &sound);
        EXPECT_EQ(result, FMOD_OK) << path << ": " << FMOD_ErrorString(result);
        return sound;
    }

    FMOD_CHANNEL play(FMOD_SOUND sound, bool paused = false) {
        FMOD_CHANNEL channel = 0;
        EXPECT_EQ(FMOD_System_PlaySound(system, FMOD_CHANNEL_FREE, sound, paused, &channel),
                  FMOD_OK);
        return channel;
    }

    // One block of output per update.
    void update(int blocks = 1) {
        for (int i = 0; i < blocks; ++i) {
            ASSERT_EQ(FMOD_System_Update(system), FMOD_OK);
        }
    }

    bool playing(FMOD_CHANNEL channel) {
        FMOD_BOOL isPlaying = 0;
        FMOD_Channel_IsPlaying(channel, &isPlaying);
        return isPlaying != 0;
    }

    // Renders until the channel ends (or maxBlocks pass), then a little silence after it.
    void renderToEnd(FMOD_CHANNEL channel, int maxBlocks = 20000) {
        for (int i = 0; i < maxBlocks && playing(channel); ++i) {
            update();
        }
        update(2);
    }

    // Closes the system and reads what the wave writer wrote.
    testmedia::WavData finish() {
        EXPECT_EQ(FMOD_System_Close(system), FMOD_OK);
        FMOD_System_Release(system);
        system = 0;
        return testmedia::readWav(wavePath_);
    }

    FMOD_SYSTEM system = 0;

private:
    RenderSettings settings_;
    std::filesystem::path wavePath_;
};

// Writes a WAV of the given interleaved samples: 16-bit PCM, or 32-bit float.
template <class Sample>
std::filesystem::path writeWav(const std::string& name, const std::vector<Sample>& data, int rate,
                               int channels) {
    static_assert(std::is_same_v<Sample, int16_t> || std::is_same_v<Sample, float>);
    const auto path = testmedia::mediaDir() / name;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t width = sizeof(Sample);
    const uint32_t bytes = static_cast<uint32_t>(data.size() * width);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(std::is_same_v<Sample, float> ? 3 : 1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate) * static_cast<uint32_t>(channels) * width);
    u16(static_cast<uint16_t>(static_cast<uint32_t>(channels) * width));
    u16(static_cast<uint16_t>(8 * width));
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(data.data()), bytes);
    return path;
}
inline std::filesystem::path writePcm16(const std::string& name, const std::vector<int16_t>& data,
                                        int rate, int channels) {
    return writeWav(name, data, rate, channels);
}

// A stereo ramp whose value tells the frame it came from: frame i holds (i mod 20000) - 10000
// on the left and the negated value on the right. `firstFrame` starts the file further along the
// ramp, so two files can hold one ramp between them.
inline int16_t rampValue(size_t frame) {
    return static_cast<int16_t>(int(frame % 20000) - 10000);
}
inline std::filesystem::path writeRamp(const std::string& name, size_t frames, int rate = 44100,
                                       size_t firstFrame = 0) {
    std::vector<int16_t> data(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        data[2 * i] = rampValue(firstFrame + i);
        data[2 * i + 1] = static_cast<int16_t>(-rampValue(firstFrame + i));
    }
    return writePcm16(name, data, rate, 2);
}

// Index of the last frame of channel 0 whose magnitude is above `floor`, plus one.
inline size_t soundingFrames(const testmedia::WavData& wav, float floor = 1e-6f) {
    for (size_t i = wav.frames(); i > 0; --i) {
        if (std::abs(wav.samples[(i - 1) * wav.channels]) > floor) {
            return i;
        }
    }
    return 0;
}

} // namespace playbacktest
