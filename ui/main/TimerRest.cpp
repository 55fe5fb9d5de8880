#include "TimerRest.h"

#include <QCoreApplication>
#include <QTimer>

namespace sorvel {

TimerRest::TimerRest(QTimer& timer) : timer_(timer) {}

TimerRest::~TimerRest() {
    cancel();
}

void TimerRest::rest() {
    if (resting_) {
        return;
    }
    timer_.stop();
    resting_ = true;
    // Watched only while resting: a running timer pays nothing for it.
    QCoreApplication::instance()->installEventFilter(this);
}

void TimerRest::cancel() {
    if (!resting_) {
        return;
    }
    resting_ = false;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
}

bool TimerRest::eventFilter(QObject*, QEvent*) {
    if (resting_) {
        cancel();
        timer_.start();
    }
    return false;
}

} // namespace sorvel
