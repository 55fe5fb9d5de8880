// The mixer at rest: with nothing playing and no unit tail left it renders plain silence without
// running voices or units, and what starts afterwards sounds exactly as it would have anyway.
#include "Mixer.h"
#include "dsp/Dsp.h"
#include "dsp/dsp_catalog.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace soundlib;

namespace {

constexpr int kRate = 48000;
constexpr size_t kBlock = 1024;

struct TestMixer {
    TestMixer() : mixer(config()) { mixer.shared(0).frequency.store(float(kRate)); }
    static MixerConfig config() {
        MixerConfig c;
        c.outputRate = kRate;
        c.outputChannels = 2;
        c.maxChannels = 2;
        return c;
    }
    void post(MixerCommand command) {
        command.sequence = ++sequence;
        ASSERT_TRUE(mixer.post(command));
    }
    void start(const std::vector<float>& mono) {
        MixerCommand command;
        command.kind = MixerCommand::Kind::Start;
        command.generation = ++generation;
        command.source.sample = mono.data();
        command.source.sampleFrames = mono.size();
        command.source.channels = 1;
        post(command);
    }
    std::vector<float> block() {
        std::vector<float> out(kBlock * 2, 1.0f); // whatever the output had in it
        mixer.render(out.data(), kBlock);
        return out;
    }
    Mixer mixer;
    uint64_t sequence = 0;
    uint16_t generation = 0;
};

bool silent(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float v) { return v == 0.0f; });
}

float peak(const std::vector<float>& samples) {
    float level = 0.0f;
    for (const float v : samples) {
        level = std::max(level, std::abs(v));
    }
    return level;
}

TEST(RestingMixer, RendersExactSilenceAndAStartAfterItSoundsAsWithoutTheRest) {
    std::vector<float> tone(3 * kBlock);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = 0.5f * float(std::sin(0.05 * double(i)));
    }
    TestMixer fresh;
    fresh.start(tone);
    TestMixer rested;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(silent(rested.block())) << "block " << i;
    }
    EXPECT_EQ(rested.mixer.restingFrames(), 5 * kBlock);
    float snapshot[256];
    rested.mixer.tap().latest(0, 256, snapshot);
    EXPECT_TRUE(silent(std::vector<float>(snapshot, snapshot + 256)));

    rested.start(tone);
    for (int i = 0; i < 3; ++i) {
        const std::vector<float> expected = fresh.block();
        EXPECT_EQ(rested.block(), expected) << "block " << i;
        EXPECT_EQ(rested.mixer.restingFrames(), 0u);
    }
    rested.mixer.tap().latest(1, 256, snapshot);
    EXPECT_GT(peak(std::vector<float>(snapshot, snapshot + 256)), 0.1f);

    // Ended, the voice leaves silence at once; a paused voice plays nothing either.
    EXPECT_TRUE(silent(rested.block()));
    EXPECT_EQ(rested.mixer.restingFrames(), kBlock);
    rested.mixer.shared(0).paused.store(true);
    rested.start(tone);
    EXPECT_TRUE(silent(rested.block()));
    EXPECT_EQ(rested.mixer.restingFrames(), 2 * kBlock);
}

TEST(RestingMixer, AnEchoRunsOnThroughTheSilenceUntilItsTailHasDiedAway) {
    const DspDescription* echoKind = findDspDescription(FMOD_DSP_TYPE_ECHO);
    ASSERT_NE(echoKind, nullptr);
    Dsp echo(*echoKind, 0, kRate, 2, Mixer::kChainBlockFrames);
    echo.reformat(kRate, 2);
    constexpr size_t kDelay = 4800; // 100 ms
    ASSERT_EQ(echo.setParameter(0, 100.0f), FMOD_OK);
    ASSERT_EQ(echo.setParameter(1, 0.25f), FMOD_OK); // each repeat a quarter of the last
    TestMixer mixer;
    MixerCommand attach;
    attach.kind = MixerCommand::Kind::AttachDsp;
    attach.dsp = &echo;
    mixer.post(attach);
    // A few blocks for the unit to fade in, then a burst of one block.
    for (int i = 0; i < 4; ++i) {
        mixer.block();
    }
    const std::vector<float> burst(kBlock, 0.5f); // played from here: it outlives the voice
    mixer.start(burst);

    // The repeats come back a delay apart, out of what is otherwise silence.
    std::vector<float> left;
    while (mixer.mixer.restingFrames() == 0 && left.size() < size_t(4 * kRate)) {
        const std::vector<float> out = mixer.block();
        for (size_t i = 0; i < kBlock; ++i) {
            left.push_back(out[2 * i]);
        }
    }
    ASSERT_GT(mixer.mixer.restingFrames(), 0u) << "the chain never came to rest";
    ASSERT_GT(left.size(), 3 * kDelay + kBlock) << "it rested before the third repeat";
    const size_t restedAt = left.size() - kBlock;
    size_t lastHeard = 0;
    for (size_t i = 0; i < left.size(); ++i) {
        if (std::abs(left[i]) >= 1e-6f) {
            lastHeard = i;
        }
    }
    for (int repeat = 1; repeat <= 3; ++repeat) {
        const size_t at = repeat * kDelay + kBlock / 2;
        EXPECT_GT(std::abs(left[at]), 1e-4f) << "repeat " << repeat;
        EXPECT_LT(std::abs(left[at - kBlock]), 1e-6f) << "before repeat " << repeat;
    }
    // It rests only once a whole delay has passed without anything to hear.
    EXPECT_GE(restedAt, lastHeard + kDelay);
    EXPECT_LT(restedAt, lastHeard + kDelay + 2 * kBlock);
}

} // namespace
