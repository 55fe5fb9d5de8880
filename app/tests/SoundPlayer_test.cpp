#include "SoundPlayer.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace sorvel;

TEST(SoundPlayer, WithoutASystemOrSoundEveryActionIsHarmless) {
    SoundPlayer player;
    EXPECT_EQ(player.openAndPlay("/no/such/file.mp3"), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(player.play(), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(player.stop(), FMOD_OK);
    EXPECT_EQ(player.update(), FMOD_OK);
    EXPECT_FALSE(player.hasSound());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.positionMs(), 0u);
    EXPECT_EQ(player.lengthMs(), 0u);
}

TEST(SoundPlayer, MissingFileIsReportedAndThePlayerStaysUsable) {
    SoundPlayer player;
    ASSERT_EQ(player.init(), FMOD_OK); // autodetect falls back to no sound without a device
    EXPECT_EQ(player.init(), FMOD_OK);
    EXPECT_EQ(player.openAndPlay("/no/such/file.mp3"), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_FALSE(player.hasSound());
    EXPECT_EQ(player.play(), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(player.update(), FMOD_OK);
    EXPECT_EQ(player.positionMs(), 0u);
}

namespace {
// One second of 44.1 kHz 16-bit stereo silence: the header by hand, so this test needs no tools.
std::filesystem::path writeSilentWav() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("sorvel-app-test-" + std::to_string(::getpid()) + ".wav");
    const uint32_t dataBytes = 44100 * 4;
    auto le = [](std::ofstream& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>(value >> (8 * i)));
    };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    le(out, 36 + dataBytes, 4);
    out << "WAVEfmt ";
    le(out, 16, 4);
    le(out, 1, 2);
    le(out, 2, 2);
    le(out, 44100, 4);
    le(out, 44100 * 4, 4);
    le(out, 4, 2);
    le(out, 16, 2);
    out << "data";
    le(out, dataBytes, 4);
    out << std::string(dataBytes, '\0');
    return path;
}
} // namespace

TEST(SoundPlayer, PlaysStopsAndPlaysAgain) {
    const auto path = writeSilentWav();
    {
        SoundPlayer player;
        ASSERT_EQ(player.init(), FMOD_OK);
        ASSERT_EQ(player.openAndPlay(path.string()), FMOD_OK);
        EXPECT_TRUE(player.hasSound());
        EXPECT_EQ(player.lengthMs(), 1000u);
        EXPECT_TRUE(player.isPlaying());
        EXPECT_EQ(player.update(), FMOD_OK);
        EXPECT_EQ(player.stop(), FMOD_OK);
        EXPECT_FALSE(player.isPlaying());
        EXPECT_EQ(player.positionMs(), 0u);
        EXPECT_EQ(player.play(), FMOD_OK);
        EXPECT_TRUE(player.isPlaying());
        // Opening another file replaces the first: the old channel ends with it.
        ASSERT_EQ(player.openAndPlay(path.string()), FMOD_OK);
        EXPECT_TRUE(player.isPlaying());
    }
    std::filesystem::remove(path);
}
