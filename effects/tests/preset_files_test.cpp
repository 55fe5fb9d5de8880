#include "PresetFiles.h"
#include "test_media.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace sorvel;
namespace fs = std::filesystem;

fs::path freshFolder(const std::string& name) {
    const fs::path folder = testmedia::mediaDir() / "presets" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> names(const std::vector<PresetName>& list) {
    std::vector<std::string> result;
    for (const auto& entry : list) {
        result.push_back(entry.name);
    }
    return result;
}

TEST(PresetFiles, HeadersAndFolders) {
    EXPECT_EQ(PresetHeaderLine(EffectPresetType(EffectKind::HighPass)),
              "# Sorvel HighPass SettingFile #");
    EXPECT_EQ(PresetHeaderLine(EqualizerPresetType()), "# Sorvel GraphicEqualizer SettingFile #");

    const fs::path program = freshFolder("program");
    EXPECT_EQ(EffectPresetFolder(program, EffectKind::Flange),
              program / "Data" / "Effector" / "Flange");
    EXPECT_EQ(EqualizerPresetFolder(program), program / "Data" / "GEQ");
    // Folders copied from Windows with other letter cases are found.
    fs::create_directories(program / "data" / "EFFECTOR" / "flange");
    EXPECT_EQ(EffectPresetFolder(program, EffectKind::Flange),
              program / "data" / "EFFECTOR" / "flange");
}

TEST(PresetFiles, FileTextLayout) {
    const int32_t chorus[] = {5, 5, 5, 5, 600, 192, 97, 10};
    const std::string rule = std::string(kPresetRuleLine) + "\r\n";
    EXPECT_EQ(PresetFileText(EffectPresetType(EffectKind::Chorus), chorus),
              rule + "# Sorvel Chorus SettingFile #\r\n" + rule +
                  " 5 \r\n 5 \r\n 5 \r\n 5 \r\n 600 \r\n 192 \r\n 97 \r\n 10 \r\n");
    const int32_t compressor[] = {-60, 160, 970, 30};
    const std::string text = PresetFileText(EffectPresetType(EffectKind::Compressor), compressor);
    EXPECT_NE(text.find("\r\n-60 \r\n 160 \r\n"), std::string::npos);

    auto lineCount = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
    EXPECT_EQ(lineCount(PresetFileText(EffectPresetType(EffectKind::Chorus), chorus)), 11);
    const std::vector<int32_t> bands(12, 100);
    EXPECT_EQ(lineCount(PresetFileText(EqualizerPresetType(), bands)), 15);
}

TEST(PresetFiles, ValueLinesAreNumbersRoundedTiesToEven) {
    EXPECT_EQ(ParsePresetValue(" 5 "), 5);
    EXPECT_EQ(ParsePresetValue("-60 "), -60);
    EXPECT_EQ(ParsePresetValue("\t42\r"), 42);
    EXPECT_EQ(ParsePresetValue("+7"), 7);
    EXPECT_EQ(ParsePresetValue("2.5"), 2);
    EXPECT_EQ(ParsePresetValue("3.5"), 4);
    EXPECT_EQ(ParsePresetValue("-2.5"), -2);
    EXPECT_EQ(ParsePresetValue("99.6"), 100);
    EXPECT_EQ(ParsePresetValue(".5"), 0);
    EXPECT_EQ(ParsePresetValue("1e2"), 100);
    for (const char* bad : {"", "   ", "abc", "5x", "5 5", "-", ".", "1e", "0x10", "1,000",
                            "99999999999", "-3000000000", "nan", "inf"}) {
        EXPECT_EQ(ParsePresetValue(bad), std::nullopt) << bad;
    }
}

// Found by preset_file_fuzz against the C library's reading: numbers below the smallest double
// were refused although they round to 0, while those above the largest must stay refused.
TEST(PresetFiles, NumbersTooSmallForADoubleReadAsZero) {
    EXPECT_EQ(ParsePresetValue(" 1e-400 "), 0);
    EXPECT_EQ(ParsePresetValue("-2.5E-999"), 0);
    EXPECT_EQ(ParsePresetValue("0.000001e-320"), 0);
    EXPECT_EQ(ParsePresetValue("1e400"), std::nullopt);
    EXPECT_EQ(ParsePresetValue("0.5e999"), std::nullopt);
    EXPECT_EQ(ParsePresetValue("1" + std::string(400, '0') + "e-1"), std::nullopt);
    EXPECT_EQ(ParsePresetValue("1e-99999999999999999999999"), 0);
}

TEST(PresetFiles, RoundTripThroughAFile) {
    const fs::path folder = freshFolder("roundtrip");
    const PresetType& type = EffectPresetType(EffectKind::Compressor);
    const int32_t positions[] = {-60, 10, 1000, 0};
    ASSERT_TRUE(WritePresetFile(folder / "Hard.cmp", type, positions));
    const auto values = ReadPresetValues(folder / "Hard.cmp", type);
    ASSERT_EQ(values.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(values[i], positions[i]);
    }
    // Writing again replaces the file as a whole.
    const int32_t other[] = {0, 160, 970, 30};
    ASSERT_TRUE(WritePresetFile(folder / "Hard.cmp", type, other));
    EXPECT_EQ(readBytes(folder / "Hard.cmp"), PresetFileText(type, other));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(PresetFiles, DamagedFilesYieldOnlyTheValuesTheyHold) {
    const fs::path folder = freshFolder("damaged");
    const PresetType& type = EffectPresetType(EffectKind::Echo);
    // Header lines are not checked; the second value is garbage, the fourth is blank, the file
    // ends after the fourth value line with no line end.
    writeBytes(folder / "a.eho", "x\ny\nz\n 4000 \r\nloud\r\n 3 \r\n\r\n 7");
    auto values = ReadPresetValues(folder / "a.eho", type);
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0], 4000);
    EXPECT_EQ(values[1], std::nullopt);
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(values[3], std::nullopt);
    EXPECT_EQ(values[4], 7);

    // Too short: the lines that are missing are empty.
    writeBytes(folder / "b.eho", "-\n-\n-\n 1 \n");
    values = ReadPresetValues(folder / "b.eho", type);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], std::nullopt);

    // Missing files, folders and binary garbage give nothing at all, without failing.
    EXPECT_EQ(ReadPresetValues(folder / "none.eho", type), std::vector<std::optional<int32_t>>(5));
    EXPECT_EQ(ReadPresetValues(folder, type), std::vector<std::optional<int32_t>>(5));
    const auto garbage = testmedia::makeGarbage("presets-garbage.eho", 200000);
    EXPECT_EQ(ReadPresetValues(garbage, type).size(), 5u);

    // A CP932 file from Windows with Japanese in the header reads the same.
    writeBytes(folder / "c.eho", "\x83\x65\x83\x58\x83\x67\r\n-\r\n-\r\n 12 \r\n");
    EXPECT_EQ(ReadPresetValues(folder / "c.eho", type)[0], 12);
}

TEST(PresetFiles, ListingNamesEveryFileWithoutItsLastFourCharacters) {
    const fs::path folder = freshFolder("listing");
    for (const char* name : {"Warm.dst", "notes.txt", "ab", "abc", "bravo.DST", "Alpha.crs",
                             ".hidden.dst", "あい.dst", "あ.d"}) {
        writeBytes(folder / name, "x");
    }
    fs::create_directory(folder / "folder.dst");
    // テスト.dst as Windows writes it, in CP932.
    writeBytes(folder / "\x83\x65\x83\x58\x83\x67.dst", "x");

    const auto list = ListPresets(folder);
    EXPECT_EQ(names(list),
              (std::vector<std::string>{"Alpha", "bravo", "notes", "Warm", "あい", "テスト"}));
    EXPECT_EQ(list.back().fileStem, "\x83\x65\x83\x58\x83\x67");

    const PresetType& type = EffectPresetType(EffectKind::Distortion);
    EXPECT_EQ(PresetFile(folder, "Warm", type), folder / "Warm.dst");
    // bravo.DST is found as Windows would find it; notes.txt is listed but loads notes.dst.
    EXPECT_EQ(PresetFile(folder, "bravo", type), folder / "bravo.DST");
    EXPECT_FALSE(fs::exists(PresetFile(folder, "notes", type)));
    EXPECT_TRUE(fs::exists(PresetFile(folder, list.back().fileStem, type)));
    EXPECT_TRUE(PresetFile(folder, "../x", type).empty());

    EXPECT_TRUE(ListPresets(folder / "missing").empty());
}

// Found by preset_file_fuzz: a name ending in a stray CP932 lead byte took the dot of ".dst"
// as its second byte, so the listed stem lost that byte and the preset could not be loaded.
TEST(PresetFiles, StrayCp932LeadByteBeforeTheExtensionStaysInTheName) {
    const fs::path folder = freshFolder("stray-lead");
    writeBytes(folder / "Warm\x82.dst", "x");
    const auto list = ListPresets(folder);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fileStem, "Warm\x82");
    EXPECT_EQ(list[0].name, "Warm\xEF\xBF\xBD"); // the stray byte shows as U+FFFD
    const PresetType& type = EffectPresetType(EffectKind::Distortion);
    EXPECT_EQ(PresetFile(folder, list[0].fileStem, type), folder / "Warm\x82.dst");
}

TEST(PresetFiles, SavingAddsTheTypesExtensionWheneverTheNameLacksIt) {
    const PresetType& reverb = EffectPresetType(EffectKind::Reverb);
    const struct {
        const char* chosen;
        const PresetType& type;
        const char* saved;
    } cases[] = {
        {"/p/Hall", reverb, "/p/Hall.rvb"},
        {"/p/Hall.rvb", reverb, "/p/Hall.rvb"},
        {"/p/Hall.RVB", reverb, "/p/Hall.RVB"}, // found ignoring case when loaded
        {"/p/Hall.txt", reverb, "/p/Hall.txt.rvb"},
        {"/p/Hall.geq", reverb, "/p/Hall.geq.rvb"},
        {"/p/v1.2", EqualizerPresetType(), "/p/v1.2.geq"},
        {"/p/v1.2.geq", EqualizerPresetType(), "/p/v1.2.geq"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithPresetExtension(c.chosen, c.type), fs::path(c.saved)) << c.chosen;
    }

    const int32_t values[] = {5, 5, 67, 34, 0, 1};
    EXPECT_FALSE(WritePresetFile(testmedia::mediaDir() / "no" / "such" / "x.rvb", reverb, values));
    EXPECT_FALSE(WritePresetFile({}, reverb, values));
}

// Files edited on old Macs end their lines in a lone CR; playlists accept that, and so do
// presets.
TEST(PresetFiles, EveryLineEndReadsAlike) {
    const fs::path folder = freshFolder("line-ends");
    const PresetType& type = EffectPresetType(EffectKind::Flange);
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (const char* line :
             {"-", "# Sorvel Flange SettingFile #", "-", " 45 ", " 72", "-9 ", " 2 "}) {
            text += std::string(line) + end;
        }
        writeBytes(folder / "a.flg", text);
        EXPECT_EQ(ReadPresetValues(folder / "a.flg", type),
                  (std::vector<std::optional<int32_t>>{45, 72, -9, 2}))
            << ::testing::PrintToString(std::string(end));
    }
    // Mixed ends, and a lone CR before an empty line, still give one line each.
    writeBytes(folder / "b.flg", "-\r-\n-\r\n 1 \r\r 3 \n 4 ");
    EXPECT_EQ(ReadPresetValues(folder / "b.flg", type),
              (std::vector<std::optional<int32_t>>{1, std::nullopt, 3, 4}));
}

TEST(PresetFiles, MessageTexts) {
    EXPECT_EQ(PresetDeleteQuestion("Hall"), "Hall を削除します。\r\nよろしいですか？");
    EXPECT_EQ(PresetOverwriteQuestion("/x/v1.2.geq"),
              "v1.2.geq は既に存在します。\r\n上書きしますか？");
    EXPECT_EQ(PresetSaveFailedMessage("/x/Hall.rvb"),
              "プリセットを保存できませんでした。\r\n/x/Hall.rvb");
}

} // namespace
