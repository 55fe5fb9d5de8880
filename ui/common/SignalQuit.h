// SIGTERM and SIGINT (a session ending, `kill`, Ctrl+C) become a request to close the player
// normally, so the settings are saved. The handler only writes a byte to a pipe that the event
// loop watches. A second signal ends the process at once, from the handler itself: whatever
// keeps the first from closing the player (a hung call, a loop that does not return) must not
// keep the process alive. Nothing is flushed then but what the kernel already holds.
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

    // Cancels what holds the user in a nested event loop: modal dialogs and message boxes are
    // rejected (as if cancelled), pop-up menus closed. True while a nested loop still runs on
    // this thread, so the caller waits for it to unwind before taking the program down;
    // `outerLevels` is how many loops the caller's normal running counts (1 inside
    // QApplication::exec, 0 before it).
    static bool dismissModalWindows(int outerLevels);

signals:
    void quitRequested(int signalNumber);

private:
    void readSignal();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace sorvel
