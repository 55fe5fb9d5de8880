// The shell window: title line, position clock and Play/Stop. The skinned player replaces it.
#pragma once

#include "SoundPlayer.h"

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace sorvel {

class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlayerWindow(QWidget* parent = nullptr);

    // Starts the sound system; an error shows in the title line and leaves the buttons off.
    bool startSound();
    void openAndPlay(const QString& pathOrAddress);

private:
    void play();
    void stop();
    void tick();
    void showError(FMOD_RESULT result);
    void refreshClock();

    SoundPlayer player_;
    QString trackName_;
    QLabel* title_ = nullptr;
    QLabel* clock_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace sorvel
