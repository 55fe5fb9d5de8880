// ID3v1 blocks, whose text has no declared encoding.
#include "id3v1_reader.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

using namespace soundlib;

namespace {

std::array<uint8_t, kId3v1Size> id3v1Block(const std::string& title, const std::string& artist,
                                           const std::string& album, const std::string& comment,
                                           int track, int genre) {
    std::array<uint8_t, kId3v1Size> block{};
    const auto put = [&](size_t at, const std::string& text, size_t width) {
        for (size_t i = 0; i < std::min(width, text.size()); ++i)
            block[at + i] = static_cast<uint8_t>(text[i]);
    };
    put(0, "TAG", 3);
    put(3, title, 30);
    put(33, artist, 30);
    put(63, album, 30);
    put(93, "1999", 4);
    put(97, comment, track ? 28 : 30);
    if (track)
        block[126] = static_cast<uint8_t>(track);
    block[127] = static_cast<uint8_t>(genre);
    return block;
}

} // namespace

TEST(Id3v1, FieldsAreTrimmedAndDecoded) {
    auto block = id3v1Block("\x93\xfa\x96\x7b", "Artist   ", "Album", "note", 7, 17);
    const auto tag = parseId3v1(block);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->title, "日本");
    EXPECT_EQ(tag->artist, "Artist");
    EXPECT_EQ(tag->album, "Album");
    EXPECT_EQ(tag->year, "1999");
    EXPECT_EQ(tag->comment, "note");
    EXPECT_EQ(tag->track, 7);
    EXPECT_EQ(tag->genre, 17);

    // ID3v1.0: the comment uses all 30 bytes and there is no track.
    const auto v10 = parseId3v1(id3v1Block("t", "a", "b", std::string(30, 'c'), 0, 255));
    ASSERT_TRUE(v10);
    EXPECT_EQ(v10->comment, std::string(30, 'c'));
    EXPECT_EQ(v10->track, 0);
}

TEST(Id3v1, TextStopsAtTheFirstNulAndUtf8StaysAsItIs) {
    EXPECT_EQ(decodeId3v1Text(std::string("Title\0junk", 10)), "Title");
    EXPECT_EQ(decodeId3v1Text("  spaced  "), "  spaced");
    EXPECT_EQ(decodeId3v1Text("Ünïcødé"), "Ünïcødé");
    EXPECT_EQ(decodeId3v1Text("\x83\x65\x83\x58\x83\x67   "), "テスト");
    EXPECT_EQ(decodeId3v1Text(std::string(30, '\0')), "");
}

TEST(Id3v1, OnlyBlocksStartingWithTagAreRead) {
    auto block = id3v1Block("t", "a", "b", "c", 0, 0);
    block[0] = 'X';
    EXPECT_FALSE(parseId3v1(block));
    const std::array<uint8_t, 64> shortBlock{'T', 'A', 'G'};
    EXPECT_FALSE(parseId3v1(shortBlock));
}
