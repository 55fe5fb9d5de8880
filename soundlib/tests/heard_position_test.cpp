// Following an output that plays what was mixed a while ago: a voice's position at the frame
// being heard, where it ended, and the analysis snapshot taken at that frame.
#include "ChannelShared.h"
#include "Mixer.h"
#include "PlayedBlocks.h"
#include "SpectrumTap.h"

#include <gtest/gtest.h>
#include <vector>

using namespace soundlib;

namespace {

using Heard = PlayedBlocks::Heard;

TEST(PlayedBlocks, APositionIsReadInsideTheBlockThatHoldsTheFrame) {
    PlayedBlocks played;
    constexpr uint16_t kVoice = 7;
    played.record(1000, ChannelShared::pack(kVoice, 1000), 1.0f); // 0 -> 1000
    played.record(2000, ChannelShared::pack(kVoice, 1500), 0.5f); // half speed
    played.record(3000, ChannelShared::pack(kVoice, 1500), 0.0f); // paused
    played.record(4000, ChannelShared::pack(kVoice, 9000), 1.0f); // sought to 8000 at its start
    struct Case {
        uint64_t heard;
        Heard kind;
        uint64_t frame;
    };
    for (const Case& c :
         {Case{0, Heard::At, 0}, Case{600, Heard::At, 600}, Case{1000, Heard::At, 1000},
          Case{1500, Heard::At, 1250}, Case{2500, Heard::At, 1500}, Case{3000, Heard::At, 8000},
          Case{3999, Heard::At, 8999}, Case{4000, Heard::Latest, 0},
          Case{9000, Heard::Latest, 0}}) {
        const auto answer = played.positionAt(kVoice, c.heard);
        EXPECT_EQ(answer.heard, c.kind) << "heard " << c.heard;
        EXPECT_EQ(answer.frame, c.frame) << "heard " << c.heard;
    }

    // The slot's next voice is not heard while the speakers still play the last one.
    played.record(5000, ChannelShared::pack(kVoice + 1, 1000), 1.0f);
    EXPECT_EQ(played.positionAt(kVoice + 1, 3500).heard, Heard::Before);
    EXPECT_EQ(played.positionAt(kVoice + 1, 4500).frame, 500u);
}

TEST(PlayedBlocks, KeepsTheLatestBlocksAsItGoesRound) {
    PlayedBlocks played;
    for (uint64_t block = 1; block <= 40; ++block)
        played.record(block * 100, ChannelShared::pack(1, block * 100 + 7), 1.0f);
    EXPECT_EQ(played.positionAt(1, 3850).frame, 3857u);
    EXPECT_EQ(played.positionAt(1, 3999).frame, 4006u);
    // Older than what is kept: read from the oldest block kept, never below zero.
    const auto old = played.positionAt(1, 10);
    EXPECT_EQ(old.heard, Heard::At);
    EXPECT_LT(old.frame, 2600u);
}

TEST(Mixer, AVoiceEndsAtItsLastFrameAndItsBlocksSayWhereItWas) {
    MixerConfig config;
    config.outputRate = 48000;
    config.outputChannels = 2;
    config.maxChannels = 2;
    Mixer mixer(config);
    const std::vector<float> sample(300, 0.25f); // mono, 300 frames
    ChannelShared& shared = mixer.shared(1);
    shared.frequency.store(48000.0f);
    MixerCommand start;
    start.kind = MixerCommand::Kind::Start;
    start.slot = 1;
    start.generation = 3;
    start.source.sample = sample.data();
    start.source.sampleFrames = sample.size();
    start.source.channels = 1;
    start.sequence = 1;
    ASSERT_TRUE(mixer.post(start));

    std::vector<float> out(2 * 256);
    mixer.render(out.data(), 256);
    EXPECT_EQ(mixer.renderedFrames(), 256u);
    EXPECT_EQ(shared.played.positionAt(3, 100).frame, 100u);
    EXPECT_NE(shared.endedGeneration.load(), 3u);

    mixer.render(out.data(), 256);
    EXPECT_EQ(mixer.renderedFrames(), 512u);
    EXPECT_EQ(shared.endedGeneration.load(), 3u);
    EXPECT_EQ(shared.endedAt.load(), 300u);
    EXPECT_EQ(shared.played.positionAt(3, 280).frame, 280u);
    EXPECT_EQ(shared.played.positionAt(3, 300).heard, Heard::Latest);
}

TEST(SpectrumTap, ReadsEndingAtTheFrameAskedForWithinWhatItKeeps) {
    SpectrumTap tap(1);
    std::vector<float> block(1000);
    for (size_t written = 0; written < 100000; written += block.size()) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<float>(written + i);
        tap.write(block.data(), block.size());
    }
    std::vector<float> out(4);
    tap.latest(0, 4, out.data());
    EXPECT_EQ(out, (std::vector<float>{99996, 99997, 99998, 99999}));
    tap.latest(0, 4, out.data(), 90000);
    EXPECT_EQ(out, (std::vector<float>{89996, 89997, 89998, 89999}));
    tap.latest(0, 4, out.data(), 200000); // not mixed yet: the latest
    EXPECT_EQ(out.back(), 99999.0f);
    // Further back than the tap keeps: the oldest frames it can still give whole.
    tap.latest(0, 4, out.data(), 10);
    EXPECT_GT(out.front(), 60000.0f);
    EXPECT_EQ(out[1], out[0] + 1);
}

} // namespace
