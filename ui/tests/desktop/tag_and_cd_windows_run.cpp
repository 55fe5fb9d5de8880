// The tag editor and the CD chooser in the whole player on an X server, with the real-time wave
// writer standing in for the sound card: the editor opened from the playlist's menu writes,
// removes and reports what it could not write; the chooser, opened by the main window's CD
// button on two disc images, plays a track (heard in the written audio) and appends tracks to
// the playlist window. Pictures of both windows as the display shows them are kept.
#include "PlayerApplication.h"
#include "PlaylistList.h"
#include "PlaylistRows.h"
#include "SkinButton.h"
#include "cd_image.h"
#include "program_start.h"
#include "test_media.h"
#include "text_encoding.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace sorvel;
namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `action` and answers each message box it opens with OK; gives back their texts.
QStringList answeringMessages(const std::function<void()>& action) {
    QStringList texts;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&texts] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->done(QMessageBox::Ok);
        }
    });
    answer.start();
    action();
    return texts;
}

// A file the player cannot write even as root: marked immutable where the file system allows
// it, else replaced by a folder of the same name. Put back as it was at the end.
class Unwritable {
public:
    explicit Unwritable(fs::path path) : path_(std::move(path)), bytes_(bytesOf(path_)) {
        immutable_ = setImmutable(true);
        if (!immutable_) {
            fs::remove(path_);
            fs::create_directory(path_);
        }
    }
    ~Unwritable() {
        if (immutable_) {
            setImmutable(false);
        } else {
            fs::remove(path_);
            std::ofstream(path_, std::ios::binary) << bytes_;
        }
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    // Whether the file is still there, untouched.
    bool unchanged() const { return !immutable_ || bytesOf(path_) == bytes_; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(path_.c_str(), O_RDONLY);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }

    fs::path path_;
    std::string bytes_;
    bool immutable_ = false;
};

class PlayerOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        static int counter = 0;
        folder = testmedia::mediaDir() / ("desktop" + std::to_string(++counter));
        fs::create_directories(folder);
        std::ofstream(folder / "sorvel_Settings.ini", std::ios::binary)
            << "[Etc]\r\n-OutputType=3\r\n";
        provideShippedFiles(folder, SORVEL_PROGRAM_FOLDER);
        waveOut = folder / "out.wav";
        ::setenv("SORVEL_WAVE_OUT", waveOut.c_str(), 1);
        artefacts = SORVEL_ARTEFACTS;
        fs::create_directories(artefacts);
        app = std::make_unique<PlayerApplication>(folder);
        app->start("");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
    }
    void TearDown() override {
        app.reset();
        ::unsetenv("SORVEL_WAVE_OUT");
    }

    // Keeps what the display shows of `window` as NAME and checks that it is the window's own
    // picture: mapped, drawn and in front.
    void keepPicture(QWidget& window, const std::string& name) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(300);
        const QRect area = window.geometry();
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        shown.save(QString::fromStdString((artefacts / name).string()), "PNG");
        const QImage own = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), own.size());
        int same = 0;
        for (int y = 0; y < own.height(); ++y) {
            for (int x = 0; x < own.width(); ++x) {
                same += shown.pixel(x, y) == own.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_GT(same, own.width() * own.height() * 9 / 10) << name;
    }

    fs::path folder;
    fs::path waveOut;
    fs::path artefacts;
    std::unique_ptr<PlayerApplication> app;
};

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

// Types text as an input method commits it, over what the box holds.
void commitText(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

TEST_F(PlayerOnX, TagEditorFromThePlaylistMenuWritesRemovesAndNamesWhatItCouldNotWrite) {
    const fs::path song = testmedia::makeTone("desktop-song.mp3", 440, 1.0, 44100, 2,
                                              {"-b:a", "128k", "-id3v2_version", "0"});
    ASSERT_FALSE(song.empty());
    const auto untagged = fs::file_size(song);
    ASSERT_EQ(
        app->player().playlist().AddEntry(1, PlaylistController::kOpenHere, song.string(), true),
        0);
    app->mainWindow().ShowPlaylistWindow();
    PlaylistFrm& playlist = app->playlistWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&playlist));
    playlist.list()->selectRow(1);
    QAction* edit = actionNamed(playlist.listMenu(), QStringLiteral("ID3編集 (&I)"));
    ASSERT_NE(edit, nullptr);
    edit->trigger();

    frmMain* editor = app->tagEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("ID3 MusicFile Infomation & Creator"));
    EXPECT_FALSE(editor->v1Check()->isChecked()); // the file has no tag yet
    editor->v1Check()->click();
    EXPECT_TRUE(editor->v1Frame()->isVisible());
    commitText(editor->box(TagField::Title), QStringLiteral("夜に駆ける"));
    EXPECT_EQ(editor->box(TagField::Title)->text(), QStringLiteral("夜に駆ける"));
    keepPicture(*editor, "tag-editor.png");
    const auto save = [&] {
        return answeringMessages([&] { QTest::mouseClick(editor->saveButton(), Qt::LeftButton); });
    };

    EXPECT_EQ(save(), QStringList{QStringLiteral("書き換え完了")});
    std::string tail = bytesOf(song).substr(untagged);
    ASSERT_EQ(tail.size(), 128u);
    EXPECT_EQ(tail.substr(0, 3), "TAG");
    EXPECT_EQ(tail.substr(3, 11), std::string("\x96\xE9\x82\xC9\x8B\xEC\x82\xAF\x82\xE9\0", 11));
    EXPECT_EQ(text::cp932ToUtf8(tail.substr(3, 10)), "夜に駆ける");
    EXPECT_EQ(playlist.rows()->index(0, 1).data().toString(),
              QStringLiteral("夜に駆ける - UnknownArtist"));

    // Unticked, Save takes the tag off again.
    editor->v1Check()->click();
    EXPECT_FALSE(editor->v1Frame()->isVisible());
    EXPECT_EQ(save(), QStringList{QStringLiteral("書き換え完了")});
    EXPECT_EQ(fs::file_size(song), untagged);

    // A read-only file is made writable and tagged.
    fs::permissions(song, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    editor->v1Check()->click();
    EXPECT_EQ(save(), QStringList{QStringLiteral("書き換え完了")});
    EXPECT_NE(fs::status(song).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(fs::file_size(song), untagged + 128);

    // A file that cannot be written is named, and nothing says it was done.
    {
        const Unwritable locked(song);
        commitText(editor->box(TagField::Title), QStringLiteral("別の題"));
        const QString expected = QString::fromStdString(tagNotSavedText(song.string()))
                                     .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(save(), QStringList{expected});
        EXPECT_TRUE(locked.unchanged());
    }
}

TEST_F(PlayerOnX, CdChooserOnTwoImagesPlaysATrackAndAppendsTracks) {
    // The drives this machine has itself come first.
    int realDrives = 0;
    {
        const cdtest::ImageDrives none("");
        app->mainWindow().ShowCdChooser();
        ASSERT_NE(app->cdChooser(), nullptr);
        realDrives = app->cdChooser()->drives()->count();
        app->cdChooser()->close();
    }
    const cdtest::ImageDrives images(cdtest::makeDataDiscImage("desktop-data").string() + ":" +
                                     cdtest::makeDiscImage("desktop-audio").string());
    QTest::mouseClick(app->mainWindow().button(kOpenCd), Qt::LeftButton, {}, QPoint(2, 2));
    CDList* chooser = app->cdChooser();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chooser));
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("AudioCD検出"));
    ASSERT_EQ(chooser->drives()->count(), realDrives + 2);
    if (realDrives == 0) {
        EXPECT_EQ(chooser->drives()->currentIndex(), 1) << "the image with audio is chosen";
    }
    chooser->drives()->setCurrentIndex(realDrives + 1);
    emit chooser->drives()->activated(realDrives + 1);
    ASSERT_EQ(chooser->tracks()->count(), 3);
    keepPicture(*chooser, "cd-chooser.png");
    const std::string drive = chooser->drives()->currentText().left(2).toStdString();

    // A double click on the third row plays track 3 (880 Hz, one second) at once.
    QListWidget* list = chooser->tracks();
    const QPoint third = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third);
    EXPECT_TRUE(app->state().cdMode);
    EXPECT_EQ(app->state().playlistEntries.at(0).path, "cd:" + drive + "2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app->player().isPlaying(); }, 10000));

    // Rows 1 and 3 appended: the playlist window shows them.
    QTest::mouseClick(chooser->button(CDList::kDeselectAll), Qt::LeftButton);
    for (const int row : {0, 2}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    QTest::mouseClick(chooser->button(CDList::kAppend), Qt::LeftButton);
    PlaylistFrm& playlist = app->playlistWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&playlist));
    ASSERT_EQ(playlist.rows()->rowCount(), 2);
    EXPECT_EQ(playlist.rows()->index(0, 1).data().toString(), QStringLiteral("Song 1 - Singer 1"));
    EXPECT_EQ(playlist.rows()->index(1, 1).data().toString(), QStringLiteral("Song 3 - Singer 3"));
    EXPECT_EQ(app->state().playlistEntries.at(2).path, "cd:" + drive + "2");

    // What was written: one second of track 3's tone, nothing else.
    app.reset();
    const testmedia::WavData wav = testmedia::readWav(waveOut);
    const std::vector<float> left = testmedia::channelOf(wav, 0);
    const size_t window = static_cast<size_t>(wav.sampleRate / 10);
    std::vector<float> sounding;
    for (size_t first = 0; first + window <= left.size(); first += window) {
        const std::vector<float> part(left.begin() + static_cast<std::ptrdiff_t>(first),
                                      left.begin() + static_cast<std::ptrdiff_t>(first + window));
        if (testmedia::rms(part) > 0.05) {
            sounding.insert(sounding.end(), part.begin(), part.end());
        }
    }
    const double seconds = static_cast<double>(sounding.size()) / wav.sampleRate;
    EXPECT_GT(seconds, 0.7);
    EXPECT_LT(seconds, 1.3);
    ASSERT_FALSE(sounding.empty());
    EXPECT_NEAR(testmedia::measureFrequency(sounding, wav.sampleRate), 880.0, 880.0 * 0.02);
}

} // namespace
