#include "PlayerWindow.h"

#include "player_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace sorvel {

namespace {
// The clock and the library's per-frame work share one timer, as the player always did.
constexpr int kTickMs = 80;
} // namespace

PlayerWindow::PlayerWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Sorvel"));

    title_ = new QLabel(QStringLiteral("Sorvel"), this);
    title_->setObjectName(QStringLiteral("titleLabel"));
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    title_->setMinimumWidth(320);
    clock_ = new QLabel(QString::fromStdString(positionText(0, 0)), this);
    clock_->setObjectName(QStringLiteral("clockLabel"));
    playButton_ = new QPushButton(QStringLiteral("再生"), this);
    playButton_->setObjectName(QStringLiteral("playButton"));
    playButton_->setAccessibleName(QStringLiteral("Play"));
    stopButton_ = new QPushButton(QStringLiteral("停止"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setAccessibleName(QStringLiteral("Stop"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(playButton_);
    buttons->addWidget(stopButton_);
    buttons->addStretch();
    buttons->addWidget(clock_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addLayout(buttons);

    connect(playButton_, &QPushButton::clicked, this, &PlayerWindow::play);
    connect(stopButton_, &QPushButton::clicked, this, &PlayerWindow::stop);

    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &PlayerWindow::tick);
}

bool PlayerWindow::startSound() {
    const FMOD_RESULT result = player_.init();
    if (result != FMOD_OK) {
        showError(result);
        playButton_->setEnabled(false);
        stopButton_->setEnabled(false);
        return false;
    }
    timer_->start();
    return true;
}

void PlayerWindow::openAndPlay(const QString& pathOrAddress) {
    trackName_ = QString::fromStdString(displayName(pathOrAddress.toStdString()));
    const FMOD_RESULT result = player_.openAndPlay(pathOrAddress.toStdString());
    if (result != FMOD_OK) {
        showError(result);
        return;
    }
    title_->setText(trackName_);
    refreshClock();
}

void PlayerWindow::play() {
    if (!player_.hasSound())
        return;
    const FMOD_RESULT result = player_.play();
    if (result != FMOD_OK)
        showError(result);
    else
        title_->setText(trackName_);
}

void PlayerWindow::stop() {
    const FMOD_RESULT result = player_.stop();
    if (result != FMOD_OK)
        showError(result);
    refreshClock();
}

void PlayerWindow::tick() {
    const FMOD_RESULT result = player_.update();
    if (result != FMOD_OK)
        showError(result);
    refreshClock();
}

void PlayerWindow::showError(FMOD_RESULT result) {
    title_->setText(QString::fromStdString(errorTitle(result, FMOD_ErrorString(result))));
}

void PlayerWindow::refreshClock() {
    const unsigned int position = player_.isPlaying() ? player_.positionMs() : 0;
    clock_->setText(QString::fromStdString(positionText(position, player_.lengthMs())));
}

} // namespace sorvel
