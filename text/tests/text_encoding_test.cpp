// UTF-8 validation, CP932 both ways, the cuts and the line split.
#include "text_encoding.h"

#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using namespace sorvel::text;

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

TEST(TextEncoding, Cp932ByteClassesAtTheirEdges) {
    const struct {
        uint8_t byte;
        bool lead;
        bool trail;
    } cases[] = {{0x3F, false, false}, {0x40, false, true}, {0x7E, false, true},
                 {0x7F, false, false}, {0x80, false, true}, {0x81, true, true},
                 {0x9F, true, true},   {0xA0, false, true}, {0xDF, false, true},
                 {0xE0, true, true},   {0xFC, true, true},  {0xFD, false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(isCp932LeadByte(c.byte), c.lead) << int(c.byte);
        EXPECT_EQ(isCp932TrailByte(c.byte), c.trail) << int(c.byte);
    }
    // The decoder agrees: a lead byte and a trail byte make one character.
    EXPECT_EQ(cp932ToUtf8("\x81\x40"), "\xE3\x80\x80"); // ideographic space
    EXPECT_EQ(cp932ToUtf8("\xE0\x40"), "漾");
}

TEST(TextEncoding, CutsKeepCharactersWhole) {
    using Cut = std::string_view (*)(std::string_view, size_t);
    const struct {
        Cut cut;
        std::string_view text;
        size_t limit;
        std::string_view expected;
    } cases[] = {
        {cutUtf8, "a\xC3\xA9", 2, "a"},                     // inside a two-byte character
        {cutUtf8, "a日", 3, "a"},                           // inside a three-byte one
        {cutUtf8, "a🎵", 4, "a"},                            // inside a four-byte one
        {cutUtf8, "日本", 3, "日"},                         // on a boundary
        {cutUtf8, "abc", 3, "abc"},                         // fits
        {cutUtf8, "abc", 0, ""},                            // zero limit
        {cutUtf8, "\x80\x80\x80", 2, ""},                   // only continuation bytes
        {cutUtf8, "a\xFFz", 2, "a\xFF"},                    // an invalid byte is kept
        {firstUtf8CodePoints, "aé日🎵x", 4, "aé日🎵"},        // one of each length
        {firstUtf8CodePoints, "ab", 5, "ab"},               // fewer than asked for
        {firstUtf8CodePoints, "ab", 0, ""},                 // zero count
        {firstUtf8CodePoints, "a\xE6\x97", 2, "a\xE6\x97"}, // a cut-off sequence is one
        {firstUtf8CodePoints, "\x80\x80z", 1, "\x80\x80"},  // a stray start counts as one
        {cutCp932, "\x93\xfa\x96\x7b", 3, "\x93\xfa"},      // inside a pair
        {cutCp932, "\x93\xfa\x96\x7b", 4, "\x93\xfa\x96\x7b"},
        {cutCp932, "\xB1\xB2\xB3", 2, "\xB1\xB2"}, // half-width kana is one byte
        {cutCp932, "a\x93", 5, "a"},               // a lone lead byte at the end
        {cutCp932, "\x80\x93\xfa", 2, "\x80"},     // a byte CP932 lacks is one byte
        {cutCp932, "\x93\xfa", 0, ""},             // zero limit
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].cut(cases[i].text, cases[i].limit), cases[i].expected) << "case " << i;
}

TEST(TextLines, EveryLineEndSplitsAndNothingElse) {
    using Lines = std::vector<std::string_view>;
    const struct {
        std::string_view text;
        Lines lines;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}}, // a lone CR before another line end
        {"a\n\r\nb\rc", {"a", "", "b", "c"}},
        {"a\n\nb", {"a", "", "b"}},
        {"no end", {"no end"}},
        {"", {}},
        {"\r\n", {""}},
        {" x \t\r\n", {" x \t"}}, // blanks are kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitLines(c.text), c.lines) << ::testing::PrintToString(std::string(c.text));
    }
}
