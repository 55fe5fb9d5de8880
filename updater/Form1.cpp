#include "Form1.h"

#include "progress_block.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace sorvel::updater {
namespace {

// The window's layout in twips, as the form was drawn.
constexpr int kFormWidth = 4800;
constexpr int kFormHeight = 1500;
constexpr int kTrackLeft = 240;
constexpr int kTrackTop = 840;
constexpr int kTrackWidth = 4320;
constexpr int kTrackHeight = 300;
constexpr int kBlockWidth = 600;
// Without a window manager the window may never be activated; it starts anyway.
constexpr int kStartWithoutActivationMs = 500;

int pixels(int twips) {
    return twips / kUpdaterTwipsPerPixel;
}

} // namespace

Form1::Form1(std::function<void()> procedure, QWidget* parent)
    : QWidget(parent), procedure_(std::move(procedure)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sorvel AutoUpdater"));
    setFixedSize(pixels(kFormWidth), pixels(kFormHeight));

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(pixels(kTrackLeft), pixels(240), pixels(kTrackWidth), pixels(420));

    shape1_ = new QFrame(this);
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setFrameShape(QFrame::Box);
    shape1_->setGeometry(pixels(kTrackLeft), pixels(kTrackTop), pixels(kTrackWidth),
                         pixels(kTrackHeight));

    shape2_ = new QFrame(this);
    shape2_->setObjectName(QStringLiteral("Shape2"));
    shape2_->setAutoFillBackground(true);
    QPalette block = shape2_->palette();
    block.setColor(QPalette::Window, QColor(0, 0, 128));
    shape2_->setPalette(block);
    blockLeft_ = kTrackLeft;
    blockWidth_ = kBlockWidth;
    placeBlock();
}

void Form1::placeBlock() {
    shape2_->setGeometry(pixels(blockLeft_), pixels(kTrackTop), pixels(blockWidth_),
                         pixels(kTrackHeight));
}

void Form1::setLabel(const std::string& text) {
    label1_->setText(QString::fromStdString(text));
    saveScreenshot();
}

void Form1::advanceBlock() {
    blockLeft_ = nextBlockLeft(blockLeft_, kTrackLeft, kTrackWidth);
    blockWidth_ = kBlockWidth;
    placeBlock();
}

void Form1::fillTrack() {
    blockLeft_ = kTrackLeft;
    blockWidth_ = kTrackWidth;
    placeBlock();
}

bool Form1::pendingEvents() {
    QApplication::processEvents();
    return !closed_;
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Posted, so that the window is drawn before the work starts.
        QTimer::singleShot(0, this, &Form1::runOnce);
    }
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QTimer::singleShot(kStartWithoutActivationMs, this, &Form1::runOnce);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing during the downloads stops them; nothing is installed.
    closed_ = true;
    event->accept();
}

void Form1::runOnce() {
    if (started_ || closed_) {
        return;
    }
    started_ = true;
    if (procedure_) {
        procedure_();
    }
    close();
}

void Form1::saveScreenshot() {
    if (screenshotPath_.isEmpty()) {
        return;
    }
    repaint();
    QApplication::processEvents();
    QPixmap picture;
    if (QScreen* display = screen(); display != nullptr) {
        const QPoint at = mapToGlobal(QPoint(0, 0));
        picture = display->grabWindow(0, at.x(), at.y(), width(), height());
    }
    if (picture.isNull()) {
        picture = grab();
    }
    picture.save(screenshotPath_, "PNG");
}

} // namespace sorvel::updater
