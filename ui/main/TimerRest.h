// Lets a timer rest while its work has nothing to do: the timer stops, and the first event of
// any kind the application's main thread handles starts it again at its period. Everything
// that could give the work something to do arrives as an event (input, sockets, D-Bus calls,
// other timers, results posted by worker threads, and the paint a tick asked for), so a resting
// player wakes up only when something happens.
#pragma once

#include <QObject>

class QTimer;

namespace sorvel {

class TimerRest : public QObject {
public:
    explicit TimerRest(QTimer& timer);
    ~TimerRest() override;

    // Stops the timer until the next event.
    void rest();
    // Forgets a rest without starting the timer (whoever calls this starts or stops it).
    void cancel();
    bool resting() const { return resting_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer& timer_;
    bool resting_ = false;
};

} // namespace sorvel
