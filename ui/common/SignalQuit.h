// SIGTERM and SIGINT (a session ending, `kill`, Ctrl+C) become a request to close the player
// normally, so the settings are saved. The handler only writes a byte to a pipe that the event
// loop watches.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace sorvel {

class SignalQuit final : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;
    SignalQuit(const SignalQuit&) = delete;
    SignalQuit& operator=(const SignalQuit&) = delete;

    bool installed() const { return notifier_ != nullptr; }

signals:
    void quitRequested(int signalNumber);

private:
    void readSignal();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace sorvel
