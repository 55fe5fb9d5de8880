// The tag editor's widgets on the offscreen platform: the controls the window is made of, the
// opening sequence shown in them, the check box and its frame, and boxes that refuse what the
// tag cannot hold and say so. (Save through the window runs in the desktop test.)
#include "frmMain.h"
#include "mdlID3.h"
#include "playlist_fakes.h"
#include "test_media.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

// Types `text` a character at a time, as a keyboard or an input method commits it (QTest's own
// key clicks take only ASCII).
void type(QLineEdit* box, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
    }
}

class TagEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<frmMain>(messages);
        window->show();
    }
    std::string label(const char* name) const {
        const auto* found = window->findChild<QLabel*>(QString::fromLatin1(name));
        return found != nullptr ? found->text().toStdString() : "<missing>";
    }
    fs::path taggedSong(const std::string& name) {
        const fs::path song = testmedia::makeTone(
            name, 440, 1.0, 44100, 2, {"-b:a", "128k", "-id3v2_version", "0", "-write_xing", "0"});
        ID3TagRecord record;
        record.title = "Old";
        record.artist = "Someone";
        record.genre = "Rock";
        EXPECT_TRUE(WriteID3v1(song, record, false));
        return song;
    }

    fakes::FakeMessageBox messages;
    std::unique_ptr<frmMain> window;
};

TEST_F(TagEditorWindow, IsMadeOfTheNamedControlsAndShowsNothingBeforeAFile) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ID3 MusicFile Infomation & Creator"));
    for (const char* name :
         {"txtMp3File", "v1Title", "v1Artist", "v1Album", "v1Year", "v1TNR", "v1Comment"}) {
        EXPECT_NE(window->findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
    }
    for (const char* name : {"lblMPEG", "lblLen", "lblkBit", "lblFreq", "lblCopy", "lblOrig",
                             "lblCRC", "lblEmphasis", "lblv1Vers", "lblv2Vers"}) {
        EXPECT_NE(window->findChild<QLabel*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_EQ(window->findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(), "MPEG Info");
    EXPECT_EQ(window->v1Frame()->title(), "ID3 v1 Tag");
    EXPECT_EQ(window->v1Check()->text(), "ID3 v1 Tag");
    EXPECT_EQ(window->saveButton()->text(), "Save");
    QStringList captions;
    for (const QLabel* text : window->v1Frame()->findChildren<QLabel*>()) {
        captions << text->text();
    }
    for (const char* caption :
         {"Title:", "Artist:", "Album:", "Year:", "Track nr.:", "Genre:", "Comment:"}) {
        EXPECT_TRUE(captions.contains(QString::fromLatin1(caption))) << caption;
    }
    ASSERT_EQ(window->genreBox()->count(), 149);
    EXPECT_EQ(window->genreBox()->itemText(0), "");
    EXPECT_EQ(window->genreBox()->itemText(148), "SynthPop");

    auto* chkv2 = window->findChild<QCheckBox*>(QStringLiteral("chkv2"));
    ASSERT_NE(chkv2, nullptr);
    EXPECT_FALSE(chkv2->isVisible());
    EXPECT_FALSE(window->v1Check()->isVisible());
    EXPECT_FALSE(window->v1Frame()->isVisible());
    EXPECT_FALSE(window->saveButton()->isEnabled());
}

TEST_F(TagEditorWindow, ShowsTheFileAndTheFrameFollowsTheCheckBox) {
    const fs::path song = taggedSong("window-open.mp3");
    window->openFile(song.string());
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("txtMp3File"))->text(),
              QString::fromStdString(song.string()));
    EXPECT_EQ(window->box(TagField::Title)->text(), "Old");
    EXPECT_EQ(window->genreBox()->currentText(), "Rock");
    EXPECT_EQ(label("lblMPEG"), "version 1 layer 3");
    EXPECT_EQ(label("lblkBit"), "Bitrate: 128 kbit / sec, constant bit rate");
    EXPECT_EQ(label("lblLen"), "Length: 0:01");
    EXPECT_EQ(label("lblv1Vers"), "ID3 v1 tag: version 1.0");
    EXPECT_TRUE(window->saveButton()->isEnabled());
    EXPECT_TRUE(window->v1Check()->isChecked());
    EXPECT_TRUE(window->v1Frame()->isVisible());

    QTest::mouseClick(window->v1Check(), Qt::LeftButton, {},
                      QPoint(5, window->v1Check()->height() / 2));
    EXPECT_FALSE(window->v1Frame()->isVisible());
    EXPECT_FALSE(window->model().v1Ticked());
    window->v1Check()->setChecked(true);
    EXPECT_TRUE(window->v1Frame()->isVisible());
}

TEST_F(TagEditorWindow, BoxesRefuseWhatTheTagCannotHoldAndSaySo) {
    window->openFile(taggedSong("window-limits.mp3").string());
    QLineEdit* title = window->box(TagField::Title);
    title->clear();
    window->model().setText(TagField::Title, "");
    QString wide;
    for (int i = 0; i < 14; ++i) {
        wide += QStringLiteral("あ");
    }
    type(title, wide + QStringLiteral("abc"));
    EXPECT_EQ(title->text(), wide + QStringLiteral("ab")); // 30 bytes in CP932
    EXPECT_EQ(window->model().text(TagField::Title), (wide + QStringLiteral("ab")).toStdString());
    EXPECT_EQ(window->limitNote()->text().toStdString(),
              "Title は 30 バイトまでです（全角文字は 2 バイト）。");

    QLineEdit* track = window->box(TagField::Track);
    type(track, QStringLiteral("25"));
    EXPECT_TRUE(window->limitNote()->text().isEmpty()) << "an edit that was taken clears the note";
    type(track, QStringLiteral("6"));
    EXPECT_EQ(track->text(), "25");
    EXPECT_EQ(window->limitNote()->text().toStdString(), "Track nr. は 1 から 255 までの数です。");
}

} // namespace
