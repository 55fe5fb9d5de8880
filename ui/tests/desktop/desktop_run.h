// What the runs of the whole player on a real X server share: waiting on the event loop,
// clicks, drops, answering Qt's file dialogs, the display's picture and a program folder.
#pragma once

#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace desktoptest {

using namespace std::chrono_literals;

// Runs the event loop until `done` holds; false if it does not within `limit`.
template <class Condition> bool processUntil(Condition done, std::chrono::seconds limit = 20s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

// Shown and exposed by the X server.
bool onScreen(const QWidget& window);
// A left click in the middle of `widget`.
void click(QWidget* widget);
// Drags `paths` over `target` and drops them there, as a file manager does.
void drop(QWidget& target, const std::vector<std::filesystem::path>& paths);
// Answers the next file dialog with `file` once it shows (a modal dialog runs its own loop).
void answerFileDialog(const QString& file, int attempts = 400);
// What the X display shows.
QImage grabDisplay();
// Saves `picture` as build/test-artefacts/`name`.
void keepArtefact(const QImage& picture, const std::string& name);

// A fresh program folder `name` below the test media folder with the shipped files and a
// settings file holding `settings` (INI text); the wave writer's output goes to `out.wav`
// beside it. Answers the program folder.
std::filesystem::path makeProgramFolder(const std::string& name, const std::string& settings);
std::filesystem::path waveOutput(const std::string& name);

} // namespace desktoptest
