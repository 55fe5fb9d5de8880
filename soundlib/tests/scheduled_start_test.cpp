// A voice started after another takes over on the frame after the other's last one, in any
// slot order, on sub-block and block edges, at other rates and in chains; after a voice mixed
// to its end already it begins at once, after a stopped one never.
#include "Mixer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace soundlib;

namespace {

constexpr float kRate = 48000.0f;
constexpr size_t kBlock = 1024;

struct Voice {
    size_t frames;
    float rate;
    uint16_t slot;
    int leader = -1; // the slot it follows
};

struct MixerRun {
    // The voices start in order, with sources whose frames differ from their neighbours.
    explicit MixerRun(const std::vector<Voice>& voices) {
        for (const Voice& voice : voices)
            start(voice);
    }
    void start(const Voice& voice) {
        auto& source = sources.emplace_back(voice.frames);
        for (size_t i = 0; i < voice.frames; ++i)
            source[i] = 0.5f + 0.4f * std::sin(0.13f * static_cast<float>(i) + voice.slot);
        mixer.shared(voice.slot).frequency.store(voice.rate);
        generations[voice.slot] = ++generation;
        MixerCommand command;
        command.source = {source.data(), voice.frames, nullptr, 1, FrameRatio{}, false};
        command.afterLeader = voice.leader >= 0;
        command.leaderSlot = static_cast<uint16_t>(std::max(voice.leader, 0));
        command.leaderGeneration = generations[command.leaderSlot];
        post(command, MixerCommand::Kind::Start, voice.slot);
    }
    void post(MixerCommand& command, MixerCommand::Kind kind, uint16_t slot) {
        command.kind = kind;
        command.slot = slot;
        command.generation = generations[slot];
        command.sequence = ++generation;
        ASSERT_TRUE(mixer.post(command));
    }
    // The left channel of every block rendered so far.
    const std::vector<float>& render(size_t blocks) {
        std::vector<float> out(2 * kBlock);
        for (size_t b = 0; b < blocks; ++b) {
            mixer.render(out.data(), kBlock);
            for (size_t i = 0; i < kBlock; ++i)
                left.push_back(out[2 * i]);
        }
        return left;
    }

    Mixer mixer{MixerConfig{static_cast<int>(kRate), 2, FMOD_DSP_RESAMPLER_LINEAR, 8, false}};
    std::vector<std::vector<float>> sources;
    std::vector<float> left;
    std::array<uint16_t, 8> generations{};
    uint16_t generation = 10;
};

// (Slower than the output rate only: a voice played faster fades its band-limiting filter in
// across its first sub-block, which is shorter for a voice that starts inside one.)
TEST(ScheduledStart, EachVoiceTakesOverOnTheFrameAfterTheLastOneBeforeIt) {
    const std::vector<std::pair<const char*, std::vector<Voice>>> cases = {
        {"ends inside a sub-block", {{300, kRate, 0}, {700, kRate, 1, 0}}},
        {"follower in an earlier slot", {{300, kRate, 3}, {700, kRate, 1, 3}}},
        {"ends on a sub-block edge", {{512, kRate, 0}, {700, kRate, 1, 0}}},
        {"ends on a block edge", {{kBlock, kRate, 0}, {700, kRate, 1, 0}}},
        {"ends in a later block", {{2 * kBlock + 77, kRate, 2}, {700, kRate, 0, 2}}},
        {"half speed, then another rate", {{301, kRate / 2, 0}, {500, 0.75f * kRate, 1, 0}}},
        {"a short one in between", {{300, kRate, 4}, {50, kRate, 2, 4}, {600, kRate, 6, 2}}},
    };
    for (const auto& [name, voices] : cases) {
        SCOPED_TRACE(name);
        std::vector<float> expected; // each voice alone, up to where it ended
        for (Voice voice : voices) {
            voice.leader = -1;
            MixerRun alone({voice});
            const auto& left = alone.render(4);
            expected.insert(expected.end(), left.begin(),
                            left.begin() + alone.mixer.shared(voice.slot).endedAt.load());
        }
        expected.resize(6 * kBlock, 0.0f);
        MixerRun chained(voices);
        EXPECT_EQ(chained.render(6), expected);
        EXPECT_FALSE(chained.mixer.shared(voices.back().slot).waiting.load());
    }

    MixerRun ended({{300, kRate, 0}});
    ended.render(1); // as an output that queues ahead has it: mixed, still to be heard
    ended.start({400, kRate, 1, 0});
    EXPECT_NE(ended.render(1)[kBlock], 0.0f);

    MixerRun stopped({{5000, kRate, 0}, {400, kRate, 1, 0}});
    stopped.render(1);
    MixerCommand stop;
    stopped.post(stop, MixerCommand::Kind::Stop, 0);
    const auto& left = stopped.render(3);
    EXPECT_EQ(std::vector<float>(left.begin() + kBlock, left.end()),
              std::vector<float>(3 * kBlock, 0.0f));
    EXPECT_TRUE(stopped.mixer.shared(1).waiting.load());
}

} // namespace
