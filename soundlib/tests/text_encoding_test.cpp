// Tag text: UTF-8 validation, CP932 both ways, and ID3v1 blocks whose text has no declared
// encoding.
#include "id3v1_reader.h"
#include "text_encoding.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

using namespace soundlib;

TEST(TextEncoding, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII"));
    EXPECT_TRUE(isValidUtf8("日本語 Ünïcødé 🎵"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE6\x97"));         // cut off
    EXPECT_FALSE(isValidUtf8("\x80"));             // a lone continuation byte
    EXPECT_FALSE(isValidUtf8("\x93\xfa\x96\x7b")); // CP932 is not UTF-8
}

TEST(TextEncoding, Cp932DecodesKanjiKanaAndHalfWidthKana) {
    EXPECT_EQ(cp932ToUtf8("\x93\xfa\x96\x7b\x8c\xea"), "日本語");
    EXPECT_EQ(cp932ToUtf8("\x83\x65\x83\x58\x83\x67"), "テスト");
    EXPECT_EQ(cp932ToUtf8("\xb1\xb2\xb3"), "ｱｲｳ");
    EXPECT_EQ(cp932ToUtf8("ABC 123"), "ABC 123");
    // Windows' own extensions that plain Shift_JIS lacks: circled digits and NEC kanji.
    EXPECT_EQ(cp932ToUtf8("\x87\x40"), "①");
    EXPECT_EQ(cp932ToUtf8("\xfa\x40"), "ⅰ");
}

TEST(TextEncoding, Cp932ReplacesBadBytesWithoutLosingTheRest) {
    const std::string replacement = "\xEF\xBF\xBD";
    // 0x80 and 0xA0 are not characters in CP932.
    EXPECT_EQ(cp932ToUtf8("A\x80"
                          "B"),
              "A" + replacement + "B");
    EXPECT_EQ(cp932ToUtf8("\xA0\x93\xfa"), replacement + "日");
    // A lead byte with nothing after it.
    EXPECT_EQ(cp932ToUtf8("\x93\xfa\x96"), "日" + replacement);
    // Every byte value alone: always valid UTF-8 out, never a crash.
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_TRUE(isValidUtf8(cp932ToUtf8(one))) << b;
    }
}

TEST(TextEncoding, Utf8ToCp932RoundTripsAndMarksWhatCp932Lacks) {
    EXPECT_EQ(utf8ToCp932("日本語"), "\x93\xfa\x96\x7b\x8c\xea");
    EXPECT_EQ(cp932ToUtf8(utf8ToCp932("夜明けの歌 ①ｱ")), "夜明けの歌 ①ｱ");
    EXPECT_EQ(utf8ToCp932("a🎵b"), "a?b"); // no emoji in CP932: one '?' for the four bytes
    EXPECT_EQ(utf8ToCp932("a\xFF"
                          "b"),
              "a?b");                          // invalid UTF-8
    EXPECT_EQ(utf8ToCp932("x\xE6\x97"), "x?"); // cut off at the end
}

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
