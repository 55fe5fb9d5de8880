#include "TagEditorModel.h"
#include "mdlID3.h"
#include "tag_test_files.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvel;
using tagtest::append;
using tagtest::bigEndian;
using tagtest::Bytes;
using tagtest::bytesOf;
namespace fs = std::filesystem;
using namespace std::literals;

struct RecordingMessages : MessageBoxService {
    std::vector<std::string> texts;
    std::vector<MessageIcon> icons;
    MessageAnswer show(const std::string& text, const std::string&, MessageButtons,
                       MessageIcon icon) override {
        texts.push_back(text);
        icons.push_back(icon);
        return MessageAnswer::Ok;
    }
};

// A frame header and zeros up to `size` bytes.
Bytes frame(const Bytes& header, std::size_t size) {
    Bytes bytes = header;
    bytes.resize(size, 0);
    return bytes;
}

Bytes constantRateAfterId3v2() {
    Bytes bytes = bytesOf("ID3\x03\x00\x00"sv);
    append(bytes, {0, 0, 8, 0}); // 1 024, sync-safe
    bytes.resize(1034, 0);
    append(bytes, {0xFF, 0xFB, 0x90, 0x44});
    bytes.resize(4'000'000, 0);
    return bytes;
}

Bytes xingStream() {
    Bytes bytes{0xFF, 0xFA, 0x90, 0x0B}; // with CRC, stereo, copyright, emphasis
    bytes.resize(4 + 32, 0);
    append(bytes, bytesOf("Xing"));
    append(bytes, {0, 0, 0, 3});
    append(bytes, bigEndian(10'000));
    append(bytes, bigEndian(4'100'000));
    bytes.resize(500, 0);
    return bytes;
}

// audio, then an ID3v1 block whose bytes 125 and 126 are given.
Bytes withTag(Bytes audio, std::uint8_t byte125, std::uint8_t byte126) {
    append(audio, tagtest::id3v1Block(bytesOf("Song"), byte125, byte126, 17));
    return audio;
}

// The labels in Frame1's order; an empty expected text is not checked.
using LabelTexts = std::vector<std::string>;

LabelTexts texts(const Mp3InfoLabels& l) {
    return {l.mpeg,     l.length,    l.bitrate,  l.frequency, l.copyrighted,
            l.original, l.checksums, l.emphasis, l.id3v1,     l.id3v2};
}

struct LabelCase {
    std::string name;
    Bytes bytes;
    LabelTexts expected;
};

TEST(TagEditorLabels, ShowTheStreamFactsOfEachKindOfFile) {
    const std::vector<LabelCase> cases{
        {"cbr.mp3",
         constantRateAfterId3v2(),
         {"version 1 layer 3", "Length: 4:10", "Bitrate: 128 kbit / sec, constant bit rate",
          "Frequency: 44100 hz, joint stereo", "Copyrighted: no", "Original: yes",
          "Uses checksums: no", "Uses emphasis: no", "ID3 v1 tag: none",
          "ID3 v2 tag: version 2.3"}},
        {"xing.mp3",
         xingStream(),
         {"version 1 layer 3", "Length: 4:21", "Bitrate: 126 kbit / sec, variable bit rate",
          "Frequency: 44100 hz, stereo", "Copyrighted: yes", "Original: no", "Uses checksums: yes",
          "Uses emphasis: yes", "ID3 v1 tag: none", "ID3 v2 tag: none"}},
        {"mpeg2.mp3",
         frame({0xFF, 0xF3, 0x80, 0xC0}, 8010),
         {"version 2 layer 3", "Length: 0:01", "Bitrate: 64 kbit / sec, constant bit rate",
          "Frequency: 22050 hz, mono"}},
        {"mpeg25.mp3",
         frame({0xFF, 0xE3, 0x80, 0xC0}, 8010),
         {"version 2.5 layer 3", "", "", "Frequency: 11025 hz, mono"}},
        {"v11.mp3",
         withTag(frame({0xFF, 0xFB, 0x90, 0x44}, 16000), 0, 3),
         {"", "", "", "", "", "", "", "", "ID3 v1 tag: version 1.1", "ID3 v2 tag: none"}},
        {"v10.mp3",
         withTag(frame({0xFF, 0xFB, 0x90, 0x44}, 16000), 0, 0),
         {"", "", "", "", "", "", "", "", "ID3 v1 tag: version 1.0"}},
        {"noframe.mp3",
         Bytes(300, 0x20),
         {"", "Length: 0:00", "Bitrate: 0 kbit / sec, constant bit rate", "Frequency: 0 hz, ",
          "Copyrighted: no", "Original: no", "Uses checksums: no", "Uses emphasis: no",
          "ID3 v1 tag: none", "ID3 v2 tag: none"}},
    };
    RecordingMessages messages;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TagEditorModel editor(messages);
        editor.open(tagtest::writeFile(c.name, c.bytes).string());
        const LabelTexts got = texts(editor.labels());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            if (!c.expected[i].empty()) {
                EXPECT_EQ(got[i], c.expected[i]);
            }
        }
        EXPECT_TRUE(editor.saveEnabled());
    }
    EXPECT_EQ(mp3InfoLabels(Mp3Info{}).mpeg, "");
    Mp3Info padded;
    padded.lengthSeconds = 245;
    EXPECT_EQ(mp3InfoLabels(padded).length, "Length: 4:05");
}

TEST(TagEditorOpen, FillsTheBoxesFromTheTagAndPicksTheGenreByItsExactName) {
    const auto path = tagtest::writeFile("open.mp3", frame({0xFF, 0xFB, 0x90, 0x44}, 16000));
    ID3TagRecord record;
    record.title = "夜に駆ける";
    record.artist = "Artist";
    record.album = "Album";
    record.year = "2020";
    record.track = "7";
    record.comment = "note";
    record.genre = "JPop";
    ASSERT_TRUE(WriteID3v1(path, record, false));

    RecordingMessages messages;
    TagEditorModel editor(messages);
    editor.open("  " + path.string() + "  "s + '\0' + "junk");
    EXPECT_EQ(editor.path(), path.string());
    EXPECT_TRUE(editor.v1BoxShown());
    EXPECT_TRUE(editor.v1Ticked());
    EXPECT_EQ(editor.text(TagField::Title), "夜に駆ける");
    EXPECT_EQ(editor.text(TagField::Artist), "Artist");
    EXPECT_EQ(editor.text(TagField::Album), "Album");
    EXPECT_EQ(editor.text(TagField::Year), "2020");
    EXPECT_EQ(editor.text(TagField::Track), "7");
    EXPECT_EQ(editor.text(TagField::Comment), "note");
    EXPECT_EQ(genreItems()[static_cast<std::size_t>(editor.genreItem())], "JPop");

    // An untagged file: the box is shown unticked, the boxes empty.
    editor.open(tagtest::writeFile("untagged.mp3", Bytes(400, 0)).string());
    EXPECT_TRUE(editor.v1BoxShown());
    EXPECT_FALSE(editor.v1Ticked());
    EXPECT_EQ(editor.text(TagField::Title), "");
    EXPECT_EQ(editor.genreItem(), 0);

    // Nothing remembered: nothing shown, nothing to save.
    editor.open("   ");
    EXPECT_FALSE(editor.v1BoxShown());
    EXPECT_FALSE(editor.saveEnabled());
    EXPECT_FALSE(editor.save());
    EXPECT_TRUE(messages.texts.empty());
}

TEST(TagEditorGenres, AnEmptyItemThenEveryGenreInNumberOrder) {
    const auto& items = genreItems();
    ASSERT_EQ(items.size(), 149u);
    EXPECT_EQ(items[0], "");
    EXPECT_EQ(items[1], "Blues");
    EXPECT_EQ(items[18], "Rock");
    EXPECT_EQ(items[148], "SynthPop");
    EXPECT_EQ(genreItemFor("Rock"), 18);
    for (const char* inexact : {"rock", "Rock ", "", "Nothing"}) {
        EXPECT_EQ(genreItemFor(inexact), 0) << inexact;
    }
}

struct EditCase {
    TagField field;
    std::string before;
    std::string after;
    bool accepted;
};

TEST(TagEditorBoxes, TakeOnlyWhatTheTagCanHold) {
    std::string fifteenWide;
    for (int i = 0; i < 15; ++i) {
        fifteenWide += "あ";
    }
    const std::vector<EditCase> cases{
        {TagField::Title, "", std::string(30, 't'), true},
        {TagField::Title, "", std::string(31, 't'), false},
        {TagField::Artist, "", fifteenWide, true},       // 30 bytes in CP932
        {TagField::Album, "", "a" + fifteenWide, false}, // 31
        {TagField::Title, "", "smile 😀", false},         // not in CP932
        {TagField::Title, "a😀", "ab😀", true},            // read that way: kept, not added to
        {TagField::Title, "", "what?", true},
        {TagField::Year, "", "2024", true},
        {TagField::Year, "", "20245", false},
        {TagField::Year, "", "２０２４", false},
        {TagField::Comment, "", std::string(28, 'c'), true},
        {TagField::Comment, "", std::string(29, 'c'), false},
        {TagField::Track, "", "", true},
        {TagField::Track, "", "7", true},
        {TagField::Track, "", "255", true},
        {TagField::Track, "", "256", false},
        {TagField::Track, "", "1000", false},
        {TagField::Track, "", " 7", false},
        {TagField::Track, "", "x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tagFieldAccepts(c.field, c.before, c.after), c.accepted)
            << static_cast<int>(c.field) << " \"" << c.after << '"';
    }

    RecordingMessages messages;
    TagEditorModel editor(messages);
    EXPECT_TRUE(editor.setText(TagField::Title, "short"));
    EXPECT_FALSE(editor.setText(TagField::Title, std::string(31, 't')));
    EXPECT_EQ(editor.text(TagField::Title), "short");

    EXPECT_EQ(tagFieldLimitText(TagField::Title, std::string(31, 't')),
              "Title は 30 バイトまでです（全角文字は 2 バイト）。");
    EXPECT_EQ(tagFieldLimitText(TagField::Comment, std::string(29, 'c')),
              "Comment は 28 バイトまでです（全角文字は 2 バイト）。");
    EXPECT_EQ(tagFieldLimitText(TagField::Artist, "😀"),
              "Artist に保存できない文字です（ID3 v1 タグは Shift_JIS の文字だけを保存します）。");
    EXPECT_EQ(tagFieldLimitText(TagField::Track, "300"), "Track nr. は 1 から 255 までの数です。");
}

TEST(TagEditorSave, WritesOrRemovesByTheCheckBoxAndSaysDoneOnlyWhenItWas) {
    const Bytes audio = frame({0xFF, 0xFB, 0x90, 0x44}, 16000);
    const auto path = tagtest::writeFile("save.mp3", withTag(audio, 0, 1));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    RecordingMessages messages;
    TagEditorModel editor(messages);
    std::vector<std::string> saved;
    editor.onSaved = [&](const std::string& file) { saved.push_back(file); };
    editor.open(path.string());
    ASSERT_TRUE(editor.v1Ticked());

    // Ticked: the boxes become the tag, read-only or not.
    ASSERT_TRUE(editor.setText(TagField::Title, "新しい題"));
    ASSERT_TRUE(editor.setText(TagField::Track, "12"));
    editor.setGenreItem(genreItemFor("Anime"));
    EXPECT_TRUE(editor.save());
    EXPECT_EQ(messages.texts, std::vector<std::string>{"書き換え完了"});
    EXPECT_EQ(messages.icons.back(), MessageIcon::Information);
    EXPECT_EQ(saved, std::vector<std::string>{path.string()});
    EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    ID3TagRecord record;
    ASSERT_TRUE(ReadID3v1(path, record));
    EXPECT_EQ(record.title, "新しい題");
    EXPECT_EQ(record.track, "12");
    EXPECT_EQ(record.genre, "Anime");
    EXPECT_EQ(record.artist, "Artist"); // untouched boxes keep what was read

    // Unticked: the tag goes, and the labels say so.
    editor.setV1Ticked(false);
    EXPECT_TRUE(editor.save());
    EXPECT_EQ(tagtest::readFile(path), audio);
    EXPECT_EQ(editor.labels().id3v1, "ID3 v1 tag: none");
    EXPECT_EQ(saved.size(), 2u);

    // A file that cannot be changed is named, and nothing claims it was.
    const Bytes tiny(100, 0x11);
    const auto shortPath = tagtest::writeFile("short.mp3", tiny);
    const auto gonePath = tagtest::writeFile("gone.mp3", audio);
    for (const auto& [file, ticked] : {std::pair{shortPath, false}, std::pair{gonePath, true}}) {
        messages.texts.clear();
        editor.open(file.string());
        editor.setV1Ticked(ticked);
        if (file == gonePath) {
            fs::remove(file);
        }
        EXPECT_FALSE(editor.save());
        EXPECT_EQ(messages.texts, std::vector<std::string>{tagNotSavedText(file.string())});
        EXPECT_EQ(messages.icons.back(), MessageIcon::Exclamation);
    }
    EXPECT_EQ(tagtest::readFile(shortPath), tiny);
    EXPECT_FALSE(fs::exists(gonePath));
    EXPECT_EQ(saved.size(), 2u);
}

} // namespace
