// The updater's window "Sorvel AutoUpdater": the text Label1 and the block Shape2 that moves
// along its track Shape1 while files arrive. It runs the update procedure once, when it is
// first activated, and closes when the procedure ends.
#pragma once

#include "UpdateProcedure.h"

#include <QString>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;

namespace sorvel::updater {

class Form1 final : public QWidget, public UpdaterView {
    Q_OBJECT
public:
    explicit Form1(std::function<void()> procedure, QWidget* parent = nullptr);

    // A PNG picture of the window as the display shows it is saved here after each label
    // change (tests).
    void setScreenshotPath(const QString& path) { screenshotPath_ = path; }

    void setLabel(const std::string& text) override;
    void advanceBlock() override;
    void fillTrack() override;
    bool pendingEvents() override;

    QLabel* label1() const { return label1_; }
    QFrame* shape1() const { return shape1_; }
    QFrame* shape2() const { return shape2_; }
    int blockLeftTwips() const { return blockLeft_; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void runOnce();
    void placeBlock();
    void saveScreenshot();

    std::function<void()> procedure_;
    QLabel* label1_ = nullptr;
    QFrame* shape1_ = nullptr;
    QFrame* shape2_ = nullptr;
    int blockLeft_ = 0;  // twips
    int blockWidth_ = 0; // twips
    bool started_ = false;
    bool closed_ = false;
    QString screenshotPath_;
};

} // namespace sorvel::updater
