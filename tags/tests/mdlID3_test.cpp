#include "mdlID3.h"
#include "tag_test_files.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace {

using namespace sorvel;
using tagtest::Bytes;
using tagtest::bytesOf;
namespace fs = std::filesystem;
using namespace std::literals;

void put(Bytes& bytes, std::size_t at, const Bytes& field) {
    std::copy(field.begin(), field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// audioBytes of filler, then a 128-byte block starting with "TAG" and the given tail bytes.
Bytes fileWithTag(std::size_t audioBytes, const Bytes& title, std::uint8_t byte125,
                  std::uint8_t byte126, std::uint8_t genre) {
    Bytes bytes(audioBytes, 0x55);
    tagtest::append(bytes, tagtest::id3v1Block(title, byte125, byte126, genre));
    return bytes;
}

Bytes tail(const Bytes& bytes) {
    return Bytes(bytes.end() - kID3v1Size, bytes.end());
}

ID3TagRecord sampleRecord() {
    ID3TagRecord record;
    record.title = "T";
    record.artist = "A";
    record.album = "B";
    record.year = "2024";
    record.comment = "C";
    record.track = "7";
    record.genre = "rock ";
    return record;
}

TEST(ID3v1Read, ReadsAVersion11TagWithTrackAndGenreName) {
    const auto path = tagtest::writeFile("v11.mp3", fileWithTag(10, bytesOf("Title"), 0, 7, 17));
    ID3TagRecord record;
    ASSERT_TRUE(ReadID3v1(path, record));
    EXPECT_EQ(record.title, "Title");
    EXPECT_EQ(record.artist, "Artist");
    EXPECT_EQ(record.album, "Album");
    EXPECT_EQ(record.year, "1999");
    EXPECT_EQ(record.comment, std::string(28, 'c'));
    EXPECT_EQ(record.track, "7");
    EXPECT_EQ(record.genre, "Rock");
}

TEST(ID3v1Read, Version10CommentRunsTo30BytesWithoutTrackAndUnknownGenreIsEmpty) {
    const auto path = tagtest::writeFile("v10.mp3", fileWithTag(0, bytesOf("x"), 'c', 'c', 200));
    ID3TagRecord record;
    ASSERT_TRUE(ReadID3v1(path, record));
    EXPECT_EQ(record.comment, std::string(30, 'c'));
    EXPECT_EQ(record.track, "");
    EXPECT_EQ(record.genre, "");
}

TEST(ID3v1Read, ShortUntaggedOrMissingFilesLeaveTheRecordUntouched) {
    Bytes shortFile = tail(fileWithTag(0, bytesOf("x"), 0, 1, 1));
    shortFile.pop_back();
    const auto tooShort = tagtest::writeFile("127.mp3", shortFile);
    const auto untagged = tagtest::writeFile("untagged.mp3", Bytes(300, 0));
    ID3TagRecord record = sampleRecord();
    EXPECT_FALSE(ReadID3v1(tooShort, record));
    EXPECT_FALSE(ReadID3v1(untagged, record));
    EXPECT_FALSE(ReadID3v1(tagtest::scratchDir() / "missing.mp3", record));
    EXPECT_FALSE(ReadID3v1(tagtest::scratchDir(), record));
    EXPECT_EQ(record.title, "T");
}

TEST(ID3v1Write, AppendsToA127ByteFileMakingIt255Bytes) {
    const Bytes original(127, 0x11);
    const auto path = tagtest::writeFile("append127.mp3", original);
    ASSERT_TRUE(WriteID3v1(path, sampleRecord(), false));
    const Bytes after = tagtest::readFile(path);
    ASSERT_EQ(after.size(), 255u);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), after.begin()));
    const auto block = BuildID3v1Block(sampleRecord());
    EXPECT_EQ(tail(after), Bytes(block.begin(), block.end()));
}

TEST(ID3v1Write, ReplacesAnOldTagInPlaceAndAppendsWhenThereIsNone) {
    const Bytes tagged = fileWithTag(172, bytesOf("Old"), 0, 1, 1);
    const auto taggedPath = tagtest::writeFile("replace.mp3", tagged);
    const auto untaggedPath = tagtest::writeFile("plain.mp3", Bytes(300, 0x22));
    ASSERT_TRUE(WriteID3v1(taggedPath, sampleRecord(), false));
    ASSERT_TRUE(WriteID3v1(untaggedPath, sampleRecord(), false));

    const auto block = BuildID3v1Block(sampleRecord());
    const Bytes replaced = tagtest::readFile(taggedPath);
    ASSERT_EQ(replaced.size(), 300u);
    EXPECT_TRUE(std::equal(tagged.begin(), tagged.begin() + 172, replaced.begin()));
    EXPECT_EQ(tail(replaced), Bytes(block.begin(), block.end()));
    const Bytes appended = tagtest::readFile(untaggedPath);
    ASSERT_EQ(appended.size(), 428u);
    EXPECT_EQ(Bytes(appended.begin(), appended.begin() + 300), Bytes(300, 0x22));
}

TEST(ID3v1Write, LaysOutAVersion11Block) {
    const auto block = BuildID3v1Block(sampleRecord());
    Bytes expected(kID3v1Size, 0);
    put(expected, 0, bytesOf("TAG"));
    put(expected, 3, bytesOf("T"));
    put(expected, 33, bytesOf("A"));
    put(expected, 63, bytesOf("B"));
    put(expected, 93, bytesOf("2024"));
    put(expected, 97, bytesOf("C"));
    expected[126] = 7;
    expected[127] = 17; // "rock " is Rock
    EXPECT_EQ(Bytes(block.begin(), block.end()), expected);
}

TEST(ID3v1Write, TrackByteOnlyForShortNumbersFrom1To255) {
    const std::vector<std::pair<std::string, int>> cases{
        {"7", 7},   {" 12 ", 12}, {"255", 255}, {"0", 0},  {"256", 0},
        {"abc", 0}, {"1000", 0},  {"", 0},      {"-1", 0}, {"1.5", 0}};
    for (const auto& [text, expected] : cases) {
        ID3TagRecord record;
        record.track = text;
        EXPECT_EQ(BuildID3v1Block(record)[126], expected) << '"' << text << '"';
    }
}

TEST(ID3v1Write, CommentLineBreaksBecomeSpaces) {
    ID3TagRecord record;
    for (const std::string comment : {"one\r\ntwo", "one\ntwo"}) {
        record.comment = comment;
        const auto block = BuildID3v1Block(record);
        EXPECT_EQ(Bytes(block.begin() + 97, block.begin() + 105), bytesOf("one two\0"sv));
    }
}

TEST(ID3v1Write, CutsTextsToTheirFields) {
    ID3TagRecord record;
    record.title = std::string(31, 't');
    record.artist = "a";
    record.year = "20245";
    record.comment = std::string(30, 'c');
    const auto block = BuildID3v1Block(record);
    EXPECT_EQ(Bytes(block.begin() + 3, block.begin() + 34), bytesOf(std::string(30, 't') + "a"));
    EXPECT_EQ(Bytes(block.begin() + 93, block.begin() + 98), bytesOf("2024c"));
    EXPECT_EQ(Bytes(block.begin() + 97, block.begin() + 126), bytesOf(std::string(28, 'c') + '\0'));
}

TEST(ID3v1Write, CutNeverSplitsATwoByteCharacter) {
    std::string title = "a";
    for (int i = 0; i < 15; ++i)
        title += "あ"; // 31 bytes in CP932
    ID3TagRecord record;
    record.title = title;
    const auto block = BuildID3v1Block(record);
    EXPECT_EQ(block[3 + 27], 0x82);
    EXPECT_EQ(block[3 + 28], 0xA0);
    EXPECT_EQ(block[3 + 29], 0) << "a lone lead byte was kept";

    const auto path = tagtest::writeFile("cut.mp3", Bytes(10, 0));
    ASSERT_TRUE(WriteID3v1(path, record, false));
    ID3TagRecord readBack;
    ASSERT_TRUE(ReadID3v1(path, readBack));
    EXPECT_EQ(readBack.title, title.substr(0, 1 + 14 * 3));
}

TEST(ID3v1Write, JapaneseTextsRoundTripThroughCp932) {
    ID3TagRecord record = sampleRecord();
    record.title = "夜に駆ける";
    record.artist = "ヨアソビ";
    record.comment = "日本語の\r\nコメント";
    const auto path = tagtest::writeFile("japanese.mp3", Bytes(10, 0));
    ASSERT_TRUE(WriteID3v1(path, record, false));
    const Bytes block = tail(tagtest::readFile(path));
    EXPECT_EQ(Bytes(block.begin() + 3, block.begin() + 14),
              (Bytes{0x96, 0xE9, 0x82, 0xC9, 0x8B, 0xEC, 0x82, 0xAF, 0x82, 0xE9, 0x00}));
    ID3TagRecord readBack;
    ASSERT_TRUE(ReadID3v1(path, readBack));
    EXPECT_EQ(readBack.title, "夜に駆ける");
    EXPECT_EQ(readBack.artist, "ヨアソビ");
    EXPECT_EQ(readBack.comment, "日本語の コメント");
    EXPECT_EQ(readBack.genre, "Rock");
}

TEST(ID3v1Write, ReadOnlyFileIsChangedOnlyWhenAllowedToClearTheAttribute) {
    const Bytes tagged = fileWithTag(20, bytesOf("x"), 0, 1, 1);
    const auto writePath = tagtest::writeFile("readonly_write.mp3", tagged);
    const auto removePath = tagtest::writeFile("readonly_remove.mp3", tagged);
    for (const auto& path : {writePath, removePath})
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);

    EXPECT_FALSE(WriteID3v1(writePath, sampleRecord(), false));
    EXPECT_FALSE(RemoveID3v1(removePath, false));
    EXPECT_EQ(tagtest::readFile(writePath), tagged);
    EXPECT_EQ(tagtest::readFile(removePath), tagged);

    EXPECT_TRUE(WriteID3v1(writePath, sampleRecord(), true));
    EXPECT_TRUE(RemoveID3v1(removePath, true));
    EXPECT_EQ(tagtest::readFile(removePath).size(), 20u);
    for (const auto& path : {writePath, removePath})
        EXPECT_EQ(fs::status(path).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(ID3v1Write, MissingFileIsNotCreated) {
    const auto path = tagtest::scratchDir() / "never.mp3";
    EXPECT_FALSE(WriteID3v1(path, sampleRecord(), true));
    EXPECT_FALSE(RemoveID3v1(path, true));
    EXPECT_FALSE(fs::exists(path));
}

// The write is cut short by a file-size limit in a child process; the file must keep its length
// and bytes.
void writeUnderSizeLimit(const fs::path& path, rlim_t limit) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit sizeLimit{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
    std::_Exit(WriteID3v1(path, sampleRecord(), false) ? 1 : 0);
}

TEST(ID3v1WriteDeathTest, FailedWriteLeavesTheFileAsItWas) {
    const Bytes untagged(300, 0x33);
    const Bytes tagged = fileWithTag(172, bytesOf("Old"), 0, 1, 1);
    const auto appendPath = tagtest::writeFile("full_append.mp3", untagged);
    const auto replacePath = tagtest::writeFile("full_replace.mp3", tagged);
    EXPECT_EXIT(writeUnderSizeLimit(appendPath, 300 + 64), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(writeUnderSizeLimit(replacePath, 300 - 64), testing::ExitedWithCode(0), "");
    EXPECT_EQ(tagtest::readFile(appendPath), untagged);
    EXPECT_EQ(tagtest::readFile(replacePath), tagged);
}

TEST(ID3v1Remove, CutsATagOffAndLeavesOtherFilesAlone) {
    const Bytes tagged = fileWithTag(172, bytesOf("x"), 0, 1, 1);
    const Bytes shortFile(127, 0x44);
    const auto taggedPath = tagtest::writeFile("remove.mp3", tagged);
    const auto untaggedPath = tagtest::writeFile("remove_none.mp3", Bytes(300, 0x44));
    const auto shortPath = tagtest::writeFile("remove_127.mp3", shortFile);
    EXPECT_TRUE(RemoveID3v1(taggedPath, false));
    EXPECT_EQ(tagtest::readFile(taggedPath), Bytes(tagged.begin(), tagged.begin() + 172));
    EXPECT_TRUE(RemoveID3v1(untaggedPath, false));
    EXPECT_EQ(tagtest::readFile(untaggedPath), Bytes(300, 0x44));
    EXPECT_FALSE(RemoveID3v1(shortPath, false));
    EXPECT_EQ(tagtest::readFile(shortPath), shortFile);
}

TEST(Genres, TableHolds148NamesInNumberOrder) {
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(79), "Hard Rock");
    EXPECT_EQ(GenreName(125), "Dance Hall");
    EXPECT_EQ(GenreName(126), "Goa");
    EXPECT_EQ(GenreName(147), "SynthPop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(-1), "");
    for (int number = 0; number < kGenreCount; ++number)
        EXPECT_EQ(GenreNumber(GenreName(number)), number) << GenreName(number);
}

TEST(Genres, NumberIgnoresCaseAndSurroundingSpaces) {
    EXPECT_EQ(GenreNumber("rock "), 17);
    EXPECT_EQ(GenreNumber("  JPOP"), 146);
    EXPECT_EQ(GenreNumber("drum & bass"), 127);
    EXPECT_EQ(GenreNumber(""), kNoGenre);
    EXPECT_EQ(GenreNumber("Rocks"), kNoGenre);
}

Bytes id3v2Header(std::uint8_t major, std::uint8_t flags, Bytes size) {
    Bytes header = bytesOf("ID3");
    header.insert(header.end(), {major, 0, flags});
    header.insert(header.end(), size.begin(), size.end());
    return header;
}

TEST(ID3v2Header, SizeCountsHeaderTagAndVersion4FooterAndRefusesDamagedSizes) {
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(4, 0x10, {0, 0, 2, 1})), 277u);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(3, 0x10, {0, 0, 2, 1})), 267u);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(4, 0x00, {0, 0, 2, 1})), 267u);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(3, 0, {0x7F, 0x7F, 0x7F, 0x7F})), 0x0FFFFFFFu + 10);
    // A byte with its top bit set makes the size a plain number.
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(3, 0, {0, 0, 2, 0x81})), 0x281u + 10);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(4, 0x10, {0x7F, 0xFF, 0xFF, 0xFF})), 0x7FFFFFFFull + 20);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(3, 0, {0x80, 0, 0, 0})), 0u);
    EXPECT_EQ(ID3v2HeaderSize(id3v2Header(3, 0, {0xFF, 0xFF, 0xFF, 0xFF})), 0u);
    Bytes notId3 = id3v2Header(3, 0, {0, 0, 0, 1});
    notId3[2] = '2';
    EXPECT_EQ(ID3v2HeaderSize(notId3), 0u);
    EXPECT_EQ(ID3v2HeaderSize(bytesOf("ID3\3\0\0\0\0\0"sv)), 0u); // 9 bytes
}

TEST(ID3v2Header, ReadsTheHeaderAtTheGivenOffsetOfAnOpenFile) {
    Bytes bytes(5, 0);
    const Bytes header = id3v2Header(4, 0x10, {0, 0, 2, 1});
    bytes.insert(bytes.end(), header.begin(), header.end());
    const auto path = tagtest::writeFile("id3v2_offset.bin", bytes);
    const RawFile file(path, RawFile::Access::Read);
    EXPECT_EQ(ID3v2Size(file, 5), 277u);
    EXPECT_EQ(ID3v2Size(file, 0), 0u);
    EXPECT_EQ(ID3v2Size(file, 6), 0u);
}

} // namespace
