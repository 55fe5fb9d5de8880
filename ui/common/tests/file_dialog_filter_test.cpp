// The file dialogs: the filter list in Qt's form, and the save dialog's default suffix.
#include "QtFileDialog.h"
#include "TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace sorvel {
namespace {

TEST(FileDialogFilters, EachFilterNamesItsRealPatternsOnce) {
    const QString filters = qtFileFilters({
        {"Wave Format (*.wav)", "*.wav"},
        {"All audio files (*.*)", "*.mp3; *.ogg"},
        {"ScreamtrackerⅢ", "*.s3m"},
    });
    EXPECT_EQ(filters, QStringLiteral("Wave Format (*.wav);;All audio files (*.mp3 *.ogg);;"
                                      "ScreamtrackerⅢ (*.s3m)"));
}

// Acts on the modal window of type W once it shows (polling for up to five seconds).
template <class W> void whenModal(std::function<void(W*)> act, int triesLeft = 250) {
    QTimer::singleShot(20, [act, triesLeft] {
        if (auto* widget = qobject_cast<W*>(QApplication::activeModalWidget())) {
            act(widget);
        } else if (triesLeft > 0) {
            whenModal<W>(act, triesLeft - 1);
        }
    });
}

// A name typed without the extension gets it before the dialog checks for an existing file,
// so replacing Hall.rvb is asked about.
TEST(FileDialogSave, TheDefaultSuffixIsAddedBeforeTheOverwriteQuestion) {
    TempFolder folder;
    folder.write("Hall.rvb", "old");
    FileDialogRequest request;
    request.save = true;
    request.title = "Save Effector Settings";
    request.filters = {{"Reverb Settings (*.rvb)", "*.rvb"}};
    request.initialFolder = folder.path().string();
    request.defaultSuffix = "rvb";

    QString question;
    whenModal<QFileDialog>([&question](QFileDialog* dialog) {
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("rvb"));
        whenModal<QMessageBox>([&question](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::No)->click();
            whenModal<QFileDialog>([](QFileDialog* again) {
                again->selectFile(QStringLiteral("Fresh"));
                static_cast<QDialog*>(again)->accept();
            });
        });
        dialog->selectFile(QStringLiteral("Hall"));
        static_cast<QDialog*>(dialog)->accept(); // asks, is told No, and stays open
    });
    QtFileDialog dialogs;
    const std::optional<std::string> chosen = dialogs.choose(request);
    EXPECT_TRUE(question.contains(QStringLiteral("Hall.rvb"))) << question.toStdString();
    EXPECT_EQ(chosen, (folder / "Fresh.rvb").string());
    EXPECT_EQ(TempFolder::read(folder / "Hall.rvb"), "old");
}

} // namespace
} // namespace sorvel
