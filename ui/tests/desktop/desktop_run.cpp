#include "desktop_run.h"

#include "program_start.h"
#include "test_media.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace desktoptest {

namespace fs = std::filesystem;

bool onScreen(const QWidget& window) {
    return window.isVisible() && window.windowHandle() != nullptr &&
           window.windowHandle()->isExposed();
}

void click(QWidget* widget) {
    ASSERT_TRUE(widget != nullptr && widget->isVisible());
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Drags `paths` over `target` and drops them there, as a file manager does.
void drop(QWidget& target, const std::vector<fs::path>& paths) {
    QList<QUrl> urls;
    for (const fs::path& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(2, target.height() - 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &dropped);
    EXPECT_TRUE(dropped.isAccepted());
}

// Answers the next file dialog with `file` once it shows (a modal dialog runs its own loop).
void answerFileDialog(const QString& file, int attempts) {
    QTimer::singleShot(50, qApp, [file, attempts] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->selectFile(file);
            // selectFile() leaves the name field alone while it has the focus.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(QFileInfo(file).fileName());
            }
            static_cast<QDialog*>(dialog)->accept();
        } else if (attempts > 0) {
            answerFileDialog(file, attempts - 1);
        }
    });
}

QImage grabDisplay() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

void keepArtefact(const QImage& picture, const std::string& name) {
    const fs::path artefacts = SORVEL_ARTEFACTS;
    fs::create_directories(artefacts);
    picture.save(QString::fromStdString((artefacts / name).string()), "PNG");
}

fs::path waveOutput(const std::string& name) {
    return testmedia::mediaDir() / name / "out.wav";
}

fs::path makeProgramFolder(const std::string& name, const std::string& settings) {
    const fs::path home = testmedia::mediaDir() / name / "home";
    fs::create_directories(home);
    sorvel::provideShippedFiles(home, SORVEL_PROGRAM_FOLDER);
    std::ofstream(home / "sorvel_Settings.ini", std::ios::binary) << settings;
    ::setenv("SORVEL_WAVE_OUT", waveOutput(name).c_str(), 1);
    return home;
}

} // namespace desktoptest
